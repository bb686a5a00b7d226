// The settings file: its path, and the load and save sequences over the
// host's XML services.
#include "settings/settings_persistence.h"

#include <new>

#include "imagelib/path_ops.h"
#include "settings/host_document.h"
#include "settings/settings_file_keeper.h"
#include "settings/settings_xml.h"
#include "win32/wide_text.h"

namespace {

constexpr UINT kConfigPathCapacity = 260;
constexpr int32_t kInitialTextCapacity = 1024;

SettingsRead ReadSettingsFile(const SettingsFileServices& host, const std::wstring& path, PluginSettings& settings)
    REQUIRES(settings.lock)
{
    if (!host.XMLLoadFileW)
        return SettingsRead::Failed;
    const HostDocument document(host.XMLFreeFile, host.XMLLoadFileW(path.c_str()));
    if (!document)
        return SettingsRead::Failed;
    // Declared after the document, so the buffer goes before the document.
    SettingsTextBuffer buffer(kInitialTextCapacity);
    if (!buffer.data())
        return SettingsRead::Failed;
    return ReadSettingsXml(host, document.get(), buffer, settings);
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
    // A relative folder (empty included) would be resolved against whatever
    // the host's current folder happens to be, often the one the user is
    // browsing: no settings file, and no copy of one, ever lands there.
    const auto text = TerminatedText(folder, kConfigPathCapacity);
    if (!text)
        return false;
    try {
        path.assign(*text);
        if (IsAbsolutePath(path)) {
            JoinPath(&path, L"DVP_QPV");
            path.append(L".oxc");
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    path.clear();
    return false;
}

// The list is emptied first whatever happens: on false the caller applies the
// defaults, so a partly read file never stays in force. Only a file read in
// whole counts as read for the saves that follow; any other is kept in a
// copy before a save replaces it.
bool LoadSettings(const SettingsFileServices& host, PluginSettings& settings)
{
    settings.excludedExtensions.clear();
    std::wstring path;
    if (!GetSettingsFilePath(host, path))
        return false;
    const SettingsRead read = ReadSettingsFile(host, path, settings);
    if (read == SettingsRead::Whole)
        RememberSettingsFileBytes(path);
    return read != SettingsRead::Failed;
}

// The file is only ever written by the host's XMLSaveFileW, and only after
// the whole document was built, so a failed walk leaves the file untouched.
// Right before the host replaces the file, bytes the plug-in has not read or
// written itself are kept beside it; when they cannot be, nothing is saved.
bool SaveSettings(const SettingsFileServices& host, const PluginSettings& settings)
{
    std::wstring path;
    if (!GetSettingsFilePath(host, path) || !host.XMLCreateFile)
        return false;
    const HostDocument document(host.XMLFreeFile, host.XMLCreateFile());
    if (!document || !WriteSettingsXml(host, document.get(), settings) || !host.XMLSaveFileW)
        return false;
    if (!KeepUnknownBytesBeforeReplacing(path) || !host.XMLSaveFileW(document.get(), path.c_str()))
        return false;
    RememberSettingsFileBytes(path);
    return true;
}
