#include "tests/support/saved_settings.h"

#include <windows.h>

#include "win32/bind_export.h"
#include "plugin/host_services.h"

namespace {

std::wstring NodeName(XmlGetNodeNameWFn getName, HANDLE node)
{
    wchar_t buffer[256] = {};
    int capacity = 256;
    return getName(node, buffer, &capacity) ? std::wstring(buffer) : std::wstring(L"?");
}

std::wstring NodeValue(XmlGetNodeValueWFn getValue, HANDLE node)
{
    int size = 0;
    if (!getValue(node, nullptr, &size) || size <= 0)
        return L"?";
    std::wstring text(static_cast<size_t>(size), L'\0');
    if (!getValue(node, text.data(), &size))
        return L"?";
    text.resize(wcslen(text.c_str()));
    return text;
}

}  // namespace

SavedSettings ReadSavedSettings(const std::wstring& path)
{
    HMODULE host = GetModuleHandleW(nullptr);
    auto load = BindExport<XmlLoadFileWFn>(host, "XMLLoadFileW");
    auto release = BindExport<XmlFreeFileFn>(host, "XMLFreeFile");
    auto first = BindExport<XmlFirstChildNodeFn>(host, "XMLFirstChildNode");
    auto next = BindExport<XmlNextNodeFn>(host, "XMLNextNode");
    auto getName = BindExport<XmlGetNodeNameWFn>(host, "XMLGetNodeNameW");
    auto getValue = BindExport<XmlGetNodeValueWFn>(host, "XMLGetNodeValueW");
    auto getBool = BindExport<XmlGetNodeBoolValueFn>(host, "XMLGetNodeBoolValue");

    SavedSettings saved;
    if (!load || !release || !first || !next || !getName || !getValue || !getBool)
        return saved;
    HANDLE document = load(path.c_str());
    if (!document)
        return saved;
    saved.loaded = true;
    saved.rootName = NodeName(getName, document);
    for (HANDLE node = first(document); node; node = next(node)) {
        const std::wstring name = NodeName(getName, node);
        if (name == L"ExcludedExtension") {
            saved.excluded.push_back(NodeValue(getValue, node));
        } else if (name == L"UseQPVForStreams") {
            BOOL value = FALSE;
            saved.useForStreams.push_back(getBool(node, &value) ? (value ? 1 : 0) : -1);
        } else {
            saved.otherNodes.push_back(name);
        }
    }
    release(document);
    return saved;
}
