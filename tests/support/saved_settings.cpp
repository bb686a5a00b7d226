#include "tests/support/saved_settings.h"

#include "testbed/host/xml_services.h"

namespace {

std::wstring NodeName(HANDLE node)
{
    wchar_t buffer[256] = {};
    int capacity = 256;
    return XMLGetNodeNameW(node, buffer, &capacity) ? std::wstring(buffer) : std::wstring(L"?");
}

std::wstring NodeValue(HANDLE node)
{
    int size = 0;
    if (!XMLGetNodeValueW(node, nullptr, &size) || size <= 0)
        return L"?";
    std::wstring text(static_cast<size_t>(size), L'\0');
    if (!XMLGetNodeValueW(node, text.data(), &size))
        return L"?";
    text.resize(wcslen(text.c_str()));
    return text;
}

}  // namespace

SavedSettings ReadSavedSettings(const std::wstring& path)
{
    SavedSettings saved;
    HANDLE document = XMLLoadFileW(path.c_str());
    if (!document)
        return saved;
    saved.loaded = true;
    saved.rootName = NodeName(document);
    for (HANDLE node = XMLFirstChildNode(document); node; node = XMLNextNode(node)) {
        const std::wstring name = NodeName(node);
        if (name == L"ExcludedExtension") {
            saved.excluded.push_back(NodeValue(node));
        } else if (name == L"UseQPVForStreams") {
            BOOL value = FALSE;
            saved.useForStreams.push_back(XMLGetNodeBoolValue(node, &value) ? (value ? 1 : 0) : -1);
        } else {
            saved.otherNodes.push_back(name);
        }
    }
    XMLFreeFile(document);
    return saved;
}
