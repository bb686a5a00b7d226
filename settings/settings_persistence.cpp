// Where the settings file lives, and loading and saving it as one host XML
// document. Start-up loads into the process-wide instance with its lock held;
// the dialog saves its working copy with that copy's lock held. Nothing here
// throws: a failed allocation is a failed load or save.
#include <cwchar>
#include <new>

#include "imagelib/path_ops.h"
#include "plugin/host_services.h"
#include "settings/host_document.h"
#include "settings/plugin_settings.h"

namespace {

constexpr UINT kConfigPathCapacity = 260;
constexpr int32_t kInitialTextCapacity = 1024;

// The read buffer of one load; ReadSettingsXml may replace it with a larger
// one, so the owner holds whichever buffer is current when the load ends.
struct TextBuffer {
    wchar_t* data;
    ~TextBuffer() { delete[] data; }
};

}  // namespace

bool PluginSettings::GetSettingsFilePath(std::wstring& path) const
{
    path.clear();
    if (!hostServices)
        return false;
    wchar_t folder[kConfigPathCapacity] = {};
    auto getConfigPath = hostServices->config.get<GetConfigPathWFn>(HostConfig::GetConfigPathW);
    if (!getConfigPath || !getConfigPath(0, folder, kConfigPathCapacity))
        return false;
    // A folder text that fills the whole buffer without a terminator is cut
    // short somewhere; a file beside the wrong folder is worse than none.
    const size_t length = wcsnlen(folder, kConfigPathCapacity);
    if (length == kConfigPathCapacity)
        return false;
    // An empty folder would make a relative name, resolved against whatever
    // the host's current directory happens to be: no settings file there.
    if (length == 0)
        return false;
    try {
        path.assign(folder, length);
        JoinPath(&path, L"DVP_QPV");
        path.append(L".oxc");
    } catch (const std::bad_alloc&) {
        path.clear();
        return false;
    }
    return true;
}

namespace {

// A settings file that exists but cannot be read is kept, byte for byte, as
// "DVP_QPV.oxc.bak" beside it (replacing an older copy) before anything can
// save over it: the defaults now in force would otherwise replace the user's
// list without a trace at the next Apply.
void KeepUnreadableFile(const std::wstring& path) noexcept
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    try {
        const std::wstring backup = path + L".bak";
        CopyFileW(path.c_str(), backup.c_str(), FALSE);
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

// The list is emptied first whatever happens: on false the caller applies the
// defaults, so a partly read file never stays in force.
bool PluginSettings::LoadSettings()
{
    excludedExtensions.clear();
    std::wstring path;
    if (!GetSettingsFilePath(path))
        return false;
    if (ReadSettingsFile(path))
        return true;
    KeepUnreadableFile(path);
    return false;
}

bool PluginSettings::ReadSettingsFile(const std::wstring& path)
{
    auto loadFile = hostServices->xml.get<XmlLoadFileWFn>(HostXml::XMLLoadFileW);
    if (!loadFile)
        return false;
    HostDocument document(hostServices->xml, loadFile(path.c_str()));
    if (!document)
        return false;
    // Declared after the document, so the buffer goes before the document.
    TextBuffer buffer{new (std::nothrow) wchar_t[kInitialTextCapacity]};
    if (!buffer.data)
        return false;
    int32_t capacity = kInitialTextCapacity;
    return ReadSettingsXml(document.get(), buffer.data, capacity);
}

// The file is only ever written by the host's XMLSaveFileW, and only after
// the whole document was built, so a failed walk leaves the file untouched.
bool PluginSettings::SaveSettings() const
{
    std::wstring path;
    if (!GetSettingsFilePath(path))
        return false;
    auto createFile = hostServices->xml.get<XmlCreateFileFn>(HostXml::XMLCreateFile);
    if (!createFile)
        return false;
    HostDocument document(hostServices->xml, createFile());
    if (!document)
        return false;
    if (!WriteSettingsXml(document.get()))
        return false;
    auto saveFile = hostServices->xml.get<XmlSaveFileWFn>(HostXml::XMLSaveFileW);
    return saveFile && saveFile(document.get(), path.c_str()) != 0;
}
