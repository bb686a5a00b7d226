// Builds the handled-extensions string from the library's format table.
#include "imagelib/handled_extensions.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "imagelib/gfl_library.h"

namespace {

// Names the library's 8-byte slots cannot hold whole.
struct Completion {
    const char* truncated;
    const char* suffix;
};
constexpr Completion kCompletions[] = {
    {".pspimag", "e"},
    {".pspfram", "e"},
    {".pspbrus", "h"},
};

void LowerAsciiInPlace(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

// Appends ".ext" for every slot the format lists, reading no more slots than
// the record holds and no byte past a slot without a terminator.
void AppendFormatExtensions(const GflFormatInformation& info, std::vector<std::string>& entries)
{
    const int32_t count = std::min<int32_t>(info.extensionCount, kGflExtensionSlots);
    for (int32_t slot = 0; slot < count; ++slot) {
        const char* text = info.extensions[slot];
        std::string entry = ".";
        entry.append(text, strnlen(text, sizeof(info.extensions[slot])));
        LowerAsciiInPlace(entry);
        for (const Completion& completion : kCompletions)
            if (entry == completion.truncated)
                entry += completion.suffix;
        entries.push_back(std::move(entry));
    }
}

std::vector<std::string> CollectReadableExtensions()
{
    std::vector<std::string> entries;
    const int32_t formats = GflLibrary::loaded() ? GflLibrary::api().gflGetNumberOfFormat() : 0;
    for (int32_t index = 0; index < formats; ++index) {
        GflRecordRoom<GflFormatInformation> room;
        if (!GflLibrary::loaded() ||
            GflLibrary::api().gflGetFormatInformationByIndex(index, &room.record) != kGflNoError)
            continue;
        if (!GflLibrary::loaded() || GflLibrary::api().gflFormatIsReadableByIndex(index) != 1)
            continue;
        AppendFormatExtensions(room.record, entries);
    }
    return entries;
}

}  // namespace

wchar_t* widenAnsi(const char* text) noexcept
{
    if (!text)
        return nullptr;
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 0)
        return nullptr;
    wchar_t* wide = new (std::nothrow) wchar_t[needed];
    if (!wide) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const int written = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, needed);
    wide[needed - 1] = L'\0';
    if (written <= 0 || written > needed) {
        delete[] wide;
        return nullptr;
    }
    for (int i = needed - 2; i >= 0 && IS_HIGH_SURROGATE(wide[i]); --i)
        wide[i] = L'\0';
    return wide;
}

wchar_t* buildHandledExtensions() noexcept
{
    try {
        std::vector<std::string> entries = CollectReadableExtensions();
        // std::string orders by unsigned bytes, a proper prefix first.
        std::sort(entries.begin(), entries.end());
        entries.erase(std::unique(entries.begin(), entries.end()), entries.end());

        std::string joined;
        for (const std::string& entry : entries) {
            if (!joined.empty())
                joined += ';';
            joined += entry;
        }
        return widenAnsi(joined.c_str());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
