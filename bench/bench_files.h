// The benchmark's files: a scratch folder under the system's temporary
// folder (removed with its contents at the end), whole-file writes, and the
// stand-in library's synthetic TBIM images the measurements decode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }
    // A subfolder, created.
    std::wstring folder(const wchar_t* name) const;

private:
    std::wstring path_;
};

// Writes the bytes to path or stops the benchmark.
void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);

// A width x height image of BGRA pixels, opaque, with a layout that names no
// alpha: the plug-in neither marks transparency nor runs its alpha pass.
std::vector<uint8_t> OpaqueBgraTbim(int32_t width, int32_t height);

// A width x height palette image with a colour map whose entry at
// transparentIndex is a colour no other entry has: the plug-in runs its
// alpha pass. Pixels cycle through all 256 indices.
std::vector<uint8_t> TransparentPaletteTbim(int32_t width, int32_t height, int16_t transparentIndex);

// The small image both identification measurements read: a 32 x 32 BGRA
// TBIM named x.tbim, which no default exclusion matches. Returns its path.
std::wstring WriteSmallImage(const ScratchFolder& scratch);
