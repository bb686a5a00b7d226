// Format detection by signature, then the matching decoder. TGA has no
// signature, so it is whatever stb_image accepts once every other signature
// failed to match.
#include <cstring>

#include "testbed/imagelib/decoded_image.h"
#include "testbed/imagelib/format_decoders.h"

namespace testbed {
namespace {

bool StartsWith(const uint8_t* bytes, size_t size, const char* signature, size_t length) noexcept
{
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

ImageFormat DetectFormat(const uint8_t* bytes, size_t size) noexcept
{
    if (StartsWith(bytes, size, kTestbedMagic, sizeof kTestbedMagic))
        return ImageFormat::Tbim;
    if (StartsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8))
        return ImageFormat::Png;
    if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3))
        return ImageFormat::Jpeg;
    if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6))
        return ImageFormat::Gif;
    if (StartsWith(bytes, size, "BM", 2))
        return ImageFormat::Bmp;
    if (size >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6')
        return ImageFormat::Pnm;
    return ImageFormat::Tga;
}

}  // namespace

gfl::Error DetectRequestedFormat(const uint8_t* bytes, size_t size, int32_t formatIndex,
                                 ImageFormat& format) noexcept
{
    if (!bytes || size == 0)
        return gfl::kErrorUnknownFormat;
    if (formatIndex < -1 || formatIndex >= static_cast<int32_t>(ImageFormat::Count))
        return gfl::kErrorBadFormatIndex;
    format = DetectFormat(bytes, size);
    if (formatIndex != -1 && static_cast<int32_t>(format) != formatIndex)
        return gfl::kErrorUnknownFormat;
    return gfl::kNoError;
}

gfl::Error DecodeImage(const uint8_t* bytes, size_t size, int32_t formatIndex, DecodedImage& out) noexcept
{
    ImageFormat format = ImageFormat::Tbim;
    const gfl::Error detected = DetectRequestedFormat(bytes, size, formatIndex, format);
    if (detected != gfl::kNoError)
        return detected;
    out.format = format;
    if (format == ImageFormat::Tbim)
        return DecodeTbim(bytes, size, out);
    return DecodeWithStb(bytes, size, format, out);
}

}  // namespace testbed
