// The default format table: one row per format the decoders read, with the
// usual extensions, all readable.
#include "testbed/imagelib/format_table.h"

namespace testbed {
namespace {

constexpr int32_t kFormatCount = static_cast<int32_t>(ImageFormat::Count);

const FormatRow kDefaultRows[kFormatCount] = {
    {{"PNG", 1, {"png"}, 0, 1}, "Portable Network Graphics"},
    {{"JPEG", 4, {"jpg", "jpeg", "jpe", "jfif"}, 0, 1}, "JPEG File Interchange Format"},
    {{"BMP", 2, {"bmp", "dib"}, 0, 1}, "Windows Bitmap"},
    {{"GIF", 1, {"gif"}, 0, 1}, "Graphics Interchange Format"},
    {{"TGA", 1, {"tga"}, 0, 1}, "Truevision Targa"},
    {{"PNM", 4, {"pbm", "pgm", "ppm", "pnm"}, 0, 1}, "Portable Any Map"},
    {{"TBIM", 1, {"tbim"}, 0, 1}, "Testbed synthetic image"},
};

struct FormatNames {
    const char* shortName;
    const char* longDescription;
};

const FormatNames kNames[kFormatCount] = {
    {"png", "Portable Network Graphics"},
    {"jpeg", "JPEG File Interchange Format"},
    {"bmp", "Windows Bitmap"},
    {"gif", "Graphics Interchange Format"},
    {"tga", "Truevision Targa"},
    {"pnm", "Portable Any Map"},
    {"tbim", "Testbed synthetic image"},
};

const FormatNames& NamesOf(ImageFormat format) noexcept
{
    auto index = static_cast<int32_t>(format);
    if (index < 0 || index >= kFormatCount)
        index = static_cast<int32_t>(ImageFormat::Tbim);
    return kNames[index];
}

}  // namespace

int32_t DefaultFormatCount() noexcept { return kFormatCount; }

const FormatRow& DefaultFormatRow(int32_t index) noexcept { return kDefaultRows[index]; }

const char* FormatShortName(ImageFormat format) noexcept { return NamesOf(format).shortName; }

const char* FormatLongDescription(ImageFormat format) noexcept { return NamesOf(format).longDescription; }

}  // namespace testbed
