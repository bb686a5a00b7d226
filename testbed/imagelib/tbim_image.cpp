#include "testbed/imagelib/tbim_image.h"

#include <cstring>

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
