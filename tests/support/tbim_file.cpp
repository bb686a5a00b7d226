#include "tests/support/tbim_file.h"

#include <windows.h>

#include <cstring>

#include "tests/support/test_paths.h"

std::vector<uint8_t> TbimImage::Bytes() const
{
    TestbedImageHeader header{};
    memcpy(header.magic, kTestbedMagic, sizeof(header.magic));
    header.width = width;
    header.height = height;
    header.layout = layout;
    header.transparentIndex = transparentIndex;
    header.pixelKind = bgra ? 1 : 0;
    header.hasColorMap = hasColorMap ? 1 : 0;
    const size_t mapBytes = hasColorMap ? sizeof(colorMap) : 0;
    std::vector<uint8_t> bytes(sizeof(header) + mapBytes + pixels.size());
    memcpy(bytes.data(), &header, sizeof(header));
    if (mapBytes)
        memcpy(bytes.data() + sizeof(header), colorMap, mapBytes);
    if (!pixels.empty())
        memcpy(bytes.data() + sizeof(header) + mapBytes, pixels.data(), pixels.size());
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

ScratchFolder::ScratchFolder() : path_(FreshTempFolder()) {}
