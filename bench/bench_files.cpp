// Scratch folder, file writes and TBIM images for the benchmarks.
#include "bench/bench_files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "bench/bench_report.h"
#include "testbed/imagelib/tbim_image.h"
#include "win32/unique_handle.h"

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
    TbimImage image = BgraImage(width, height, [](int32_t x, int32_t y) {
        return 0xFF000000u | ((x ^ y) & 0xFFu) << 16 | (y & 0xFFu) << 8 | (x & 0xFFu);
    });
    image.layout = kTestbedLayoutRgb;  // no alpha named
    return image.Bytes();
}

std::vector<uint8_t> TransparentPaletteTbim(int32_t width, int32_t height, int16_t transparentIndex)
{
    TbimImage image;
    image.width = width;
    image.height = height;
    image.layout = kTestbedLayoutRgb;
    image.transparentIndex = transparentIndex;
    // Entry i is (i, 255 - i, 7), unique per index, so exactly the pixels of
    // transparentIndex become transparent.
    image.hasColorMap = true;
    for (int i = 0; i < 256; ++i) {
        image.colorMap[0][i] = static_cast<uint8_t>(i);
        image.colorMap[1][i] = static_cast<uint8_t>(255 - i);
        image.colorMap[2][i] = 7;
    }
    image.pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image.pixels.push_back(static_cast<uint8_t>(x + y));
    return image.Bytes();
}

std::wstring WriteSmallImage(const ScratchFolder& scratch)
{
    const std::wstring path = scratch.file(L"x.tbim");
    WriteFileBytes(path, OpaqueBgraTbim(32, 32));
    return path;
}
