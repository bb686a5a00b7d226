// The settings file: its path, and the load and save sequences over the
// host's XML services.
#include "settings/settings_persistence.h"

#include <new>

#include "imagelib/path_ops.h"
#include "settings/host_document.h"
#include "settings/settings_xml.h"
#include "win32/wide_text.h"

namespace {

constexpr UINT kConfigPathCapacity = 260;
constexpr int32_t kInitialTextCapacity = 1024;

bool ReadSettingsFile(const SettingsFileServices& host, const std::wstring& path, PluginSettings& settings)
    REQUIRES(settings.lock)
{
    if (!host.XMLLoadFileW)
        return false;
    const HostDocument document(host.XMLFreeFile, host.XMLLoadFileW(path.c_str()));
    if (!document)
        return false;
    // Declared after the document, so the buffer goes before the document.
    SettingsTextBuffer buffer(kInitialTextCapacity);
    if (!buffer.data())
        return false;
    return ReadSettingsXml(host, document.get(), buffer, settings);
}

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
        // No copy without memory; the load has failed either way.
    }
}

}  // namespace

bool GetSettingsFilePath(const SettingsFileServices& host, std::wstring& path)
{
    path.clear();
    wchar_t folder[kConfigPathCapacity] = {};
    if (!host.GetConfigPathW || !host.GetConfigPathW(0, folder, kConfigPathCapacity))
        return false;
    // A folder text that fills the whole buffer without a terminator is cut
    // short somewhere; a file beside the wrong folder is worse than none.
    // An empty folder would make a relative name, resolved against whatever
    // the host's current directory happens to be: no settings file there.
    const auto text = TerminatedText(folder, kConfigPathCapacity);
    if (!text || text->empty())
        return false;
    try {
        path.assign(*text);
        JoinPath(&path, L"DVP_QPV");
        path.append(L".oxc");
    } catch (const std::bad_alloc&) {
        path.clear();
        return false;
    }
    return true;
}

// The list is emptied first whatever happens: on false the caller applies the
// defaults, so a partly read file never stays in force.
bool LoadSettings(const SettingsFileServices& host, PluginSettings& settings)
{
    settings.excludedExtensions.clear();
    std::wstring path;
    if (!GetSettingsFilePath(host, path))
        return false;
    if (ReadSettingsFile(host, path, settings))
        return true;
    KeepUnreadableFile(path);
    return false;
}

// The file is only ever written by the host's XMLSaveFileW, and only after
// the whole document was built, so a failed walk leaves the file untouched.
bool SaveSettings(const SettingsFileServices& host, const PluginSettings& settings)
{
    std::wstring path;
    if (!GetSettingsFilePath(host, path) || !host.XMLCreateFile)
        return false;
    const HostDocument document(host.XMLFreeFile, host.XMLCreateFile());
    if (!document || !WriteSettingsXml(host, document.get(), settings))
        return false;
    return host.XMLSaveFileW && host.XMLSaveFileW(document.get(), path.c_str()) != 0;
}
