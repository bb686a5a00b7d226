// Header reads by format; only GIF falls back to a decode.
#include "testbed/imagelib/image_header.h"

#include "testbed/imagelib/format_decoders.h"

namespace testbed {

ImageHeader HeaderOf(const DecodedImage& image) noexcept
{
    ImageHeader header;
    header.format = image.format;
    header.width = image.width;
    header.height = image.height;
    header.componentsPerPixel = BytesPerPixel(image.kind);
    header.hasColorMap = image.colorMap != nullptr;
    return header;
}

gfl::Error ReadImageHeader(const uint8_t* bytes, size_t size, bool complete, int32_t formatIndex,
                           ImageHeader& out) noexcept
{
    ImageFormat format = ImageFormat::Tbim;
    const gfl::Error detected = DetectRequestedFormat(bytes, size, formatIndex, format);
    if (detected != gfl::kNoError)
        return detected;
    out = ImageHeader{};
    out.format = format;
    if (format == ImageFormat::Tbim)
        return ReadTbimHeader(bytes, size, out);
    if (format != ImageFormat::Gif)
        return ReadStbHeader(bytes, size, format, out);
    if (!complete)
        return gfl::kErrorFileRead;
    DecodedImage image;
    const gfl::Error decoded = DecodeImage(bytes, size, formatIndex, image);
    if (decoded == gfl::kNoError)
        out = HeaderOf(image);
    return decoded;
}

}  // namespace testbed
