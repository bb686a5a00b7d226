// PNG encoding with stb_image_write, into memory first and then to the file
// through the wide-character file API (stb's own file output takes only
// 8-bit paths).
#include "testbed/host/png_output.h"

#include <windows.h>

#include "win32/unique_handle.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

void AppendBytes(void* context, void* data, int size)
{
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    const auto* first = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), first, first + size);
}

}  // namespace

bool WritePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& rgba)
{
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        return false;
    std::vector<uint8_t> png;
    if (!stbi_write_png_to_func(&AppendBytes, &png, width, height, 4, rgba.data(), width * 4))
        return false;

    HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE)
        return false;
    UniqueKernelHandle file(raw);
    DWORD written = 0;
    return WriteFile(file.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
           written == png.size();
}
