#include "tests/support/saved_settings.h"

#include "testbed/host/xml_services.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

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

std::string SettingsEntry(const std::string& value)
{
    return "<ExcludedExtension>" + value + "</ExcludedExtension>";
}

std::string SettingsSwitch(bool useForStreams)
{
    return std::string("<UseQPVForStreams>") + (useForStreams ? "true" : "false") + "</UseQPVForStreams>";
}

std::string SettingsChildren(const std::vector<std::wstring>& excluded, bool useForStreams)
{
    std::string children;
    for (const std::wstring& extension : excluded)
        children += SettingsEntry(Utf8(extension));
    return children + SettingsSwitch(useForStreams);
}

std::string SettingsDocument(const std::string& children, const std::string& root)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + root + ">" + children + "</" + root + ">\r\n";
}

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
        saved.children.push_back(name);
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
