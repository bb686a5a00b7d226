// Scratch folder, file writes and TBIM images for the benchmarks.
#include "bench/bench_files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "bench/bench_report.h"
#include "win32/unique_handle.h"
#include "testbed/imagelib/gfl_testbed_control.h"

namespace {

constexpr uint16_t kLayoutWithoutAlpha = kTestbedLayoutRgb;
constexpr size_t kColorMapBytes = 768;

std::vector<uint8_t> TbimHeader(int32_t width, int32_t height, int16_t transparentIndex, bool bgra,
                                bool hasColorMap)
{
    TestbedImageHeader header{};
    memcpy(header.magic, kTestbedMagic, sizeof header.magic);
    header.width = width;
    header.height = height;
    header.layout = kLayoutWithoutAlpha;
    header.transparentIndex = transparentIndex;
    header.pixelKind = bgra ? 1 : 0;
    header.hasColorMap = hasColorMap ? 1 : 0;
    std::vector<uint8_t> bytes(sizeof header);
    memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

}  // namespace

ScratchFolder::ScratchFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        Fail("no temporary folder");
    path_ = std::wstring(temp) + L"dvp_bench_" + std::to_wstring(GetCurrentProcessId());
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    if (error)
        Fail("cannot create the scratch folder");
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchFolder::folder(const wchar_t* name) const
{
    const std::wstring sub = file(name);
    std::error_code error;
    std::filesystem::create_directories(sub, error);
    if (error)
        Fail("cannot create a scratch subfolder");
    return sub;
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    HANDLE created =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        Fail("cannot create a benchmark file");
    UniqueKernelHandle file(created);
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, wanted, &written, nullptr) || written == 0)
            Fail("cannot write a benchmark file");
        done += written;
    }
}

std::vector<uint8_t> OpaqueBgraTbim(int32_t width, int32_t height)
{
    std::vector<uint8_t> bytes = TbimHeader(width, height, -1, true, false);
    const size_t offset = bytes.size();
    bytes.resize(offset + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    uint8_t* pixel = bytes.data() + offset;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x, pixel += 4) {
            pixel[0] = static_cast<uint8_t>(x);
            pixel[1] = static_cast<uint8_t>(y);
            pixel[2] = static_cast<uint8_t>(x ^ y);
            pixel[3] = 255;
        }
    return bytes;
}

std::vector<uint8_t> TransparentPaletteTbim(int32_t width, int32_t height, int16_t transparentIndex)
{
    std::vector<uint8_t> bytes = TbimHeader(width, height, transparentIndex, false, true);
    // red[256], green[256], blue[256]: entry i is (i, 255 - i, 7), unique per
    // index, so exactly the pixels of transparentIndex become transparent.
    const size_t mapOffset = bytes.size();
    bytes.resize(mapOffset + kColorMapBytes);
    for (int i = 0; i < 256; ++i) {
        bytes[mapOffset + i] = static_cast<uint8_t>(i);
        bytes[mapOffset + 256 + i] = static_cast<uint8_t>(255 - i);
        bytes[mapOffset + 512 + i] = 7;
    }
    const size_t offset = bytes.size();
    bytes.resize(offset + static_cast<size_t>(width) * static_cast<size_t>(height));
    uint8_t* pixel = bytes.data() + offset;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            *pixel++ = static_cast<uint8_t>(x + y);
    return bytes;
}

std::wstring WriteSmallImage(const ScratchFolder& scratch)
{
    const std::wstring path = scratch.file(L"x.tbim");
    WriteFileBytes(path, OpaqueBgraTbim(32, 32));
    return path;
}

size_t TbimPixelOffset(bool hasColorMap) noexcept
{
    return sizeof(TestbedImageHeader) + (hasColorMap ? kColorMapBytes : 0);
}
