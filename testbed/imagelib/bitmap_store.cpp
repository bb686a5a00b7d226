// Bitmap records and their owners. The owner holds the record first, so the
// record's address is the owner's. The set of live records tells ours from
// anything else a caller might pass without reading through the pointer,
// which may point at memory already released.
#include "testbed/imagelib/bitmap_store.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_set>

#include "testbed/imagelib/testbed_state.h"

namespace testbed {
namespace {

constexpr uint32_t kOwnerTag = 0x4D424454;   // "TDBM"
// Unequal on purpose, as a scanner's often are: a caller that swaps or
// merges the two shows.
constexpr uint16_t kXResolution = 72;
constexpr uint16_t kYResolution = 96;

struct OwnedBitmap {
    gfl::Bitmap record;   // first: its address is the owner's
    uint32_t tag;
    PixelKind kind;
    bool hasPixels;

    ~OwnedBitmap()
    {
        std::free(record.data);
        delete record.colorMap;
        tag = 0;
    }
};
static_assert(std::is_standard_layout_v<OwnedBitmap>);
static_assert(offsetof(OwnedBitmap, record) == 0);

std::mutex liveMutex;  // guards liveRecords
std::unordered_set<const gfl::Bitmap*> liveRecords;

bool IsLive(const gfl::Bitmap* bitmap) noexcept
{
    std::lock_guard<std::mutex> lock(liveMutex);
    return liveRecords.count(bitmap) != 0;
}

OwnedBitmap* OwnerOf(gfl::Bitmap* bitmap) noexcept
{
    if (!bitmap || !IsLive(bitmap))
        return nullptr;
    auto* owner = reinterpret_cast<OwnedBitmap*>(bitmap);
    return owner->tag == kOwnerTag ? owner : nullptr;
}

void ConvertPixels(const OwnedBitmap& owner, const uint8_t* in, uint8_t* out, size_t count) noexcept
{
    const gfl::ColorMap* map = owner.record.colorMap;
    for (size_t i = 0; i < count; ++i, out += 4) {
        switch (owner.kind) {
        case PixelKind::Grey:
            out[0] = out[1] = out[2] = in[i];
            out[3] = 255;
            break;
        case PixelKind::Rgb:
            out[0] = in[i * 3 + 2];
            out[1] = in[i * 3 + 1];
            out[2] = in[i * 3 + 0];
            out[3] = 255;
            break;
        case PixelKind::Rgba:
            out[0] = in[i * 4 + 2];
            out[1] = in[i * 4 + 1];
            out[2] = in[i * 4 + 0];
            out[3] = in[i * 4 + 3];
            break;
        case PixelKind::Indexed: {
            const uint8_t index = in[i];
            if (map) {
                out[0] = map->blue[index];
                out[1] = map->green[index];
                out[2] = map->red[index];
            } else {
                // Without a map: 0 is black, 1 white, anything else grey.
                const uint8_t level = index == 1 ? 255 : index;
                out[0] = out[1] = out[2] = level;
            }
            out[3] = 255;
            break;
        }
        case PixelKind::Bgra:
            std::memcpy(out, in + i * 4, 4);
            break;
        }
    }
}

void SetBgraLayout(gfl::Bitmap& record) noexcept
{
    record.layout = gfl::kLayoutBgra;
    record.componentsPerPixel = 4;
    record.bytesPerPixel = 4;
    record.bytesPerLine = record.width > 0 ? static_cast<uint32_t>(record.width) * 4u : 0u;
    record.colorUsed = 0;
}

}  // namespace

gfl::Bitmap* NewBitmap(DecodedImage& image) noexcept
{
    auto* owner = new (std::nothrow) OwnedBitmap{};
    if (!owner)
        return nullptr;
    gfl::Bitmap& record = owner->record;
    record.layout = image.layout;
    record.origin = 0;
    record.width = image.width;
    record.height = image.height;
    record.bitsPerComponent = 8;
    record.bytesPerPixel = BytesPerPixel(image.kind);
    record.componentsPerPixel = image.kind == PixelKind::Indexed ? 1 : record.bytesPerPixel;
    record.bytesPerLine = image.width > 0 ? static_cast<uint32_t>(image.width) * record.bytesPerPixel : 0u;
    record.linePadding = 1;
    record.xResolution = kXResolution;
    record.yResolution = kYResolution;
    record.transparentIndex = image.transparentIndex;
    record.colorUsed = image.colorMap ? 256 : 0;
    record.colorMap = image.colorMap.release();
    record.data = image.pixels.release();
    owner->tag = kOwnerTag;
    owner->kind = image.kind;
    owner->hasPixels = image.hasPixels;
    try {
        std::lock_guard<std::mutex> lock(liveMutex);
        liveRecords.insert(&owner->record);
    } catch (...) {
        delete owner;
        return nullptr;
    }
    AdjustOutstandingBitmaps(1);
    return &owner->record;
}

void DeleteBitmap(gfl::Bitmap* bitmap) noexcept
{
    if (!bitmap)
        return;
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        if (liveRecords.erase(bitmap) == 0) {
            CountForeignFree();
            return;
        }
    }
    delete reinterpret_cast<OwnedBitmap*>(bitmap);
    AdjustOutstandingBitmaps(-1);
}

gfl::Bitmap* PoisonedBitmap() noexcept
{
    alignas(gfl::Bitmap) static unsigned char block[sizeof(gfl::Bitmap)];
    std::memset(block, 0xCD, sizeof block);
    return reinterpret_cast<gfl::Bitmap*>(block);
}

gfl::Error ConvertToBgra(gfl::Bitmap* bitmap, bool* hasPixels) noexcept
{
    OwnedBitmap* owner = OwnerOf(bitmap);
    if (!owner)
        return gfl::kErrorBadBitmap;
    gfl::Bitmap& record = owner->record;
    if (hasPixels)
        *hasPixels = false;
    if (owner->hasPixels && !record.data)
        return gfl::kErrorBadBitmap;  // converted once and its pixels dropped
    if (owner->hasPixels && owner->kind != PixelKind::Bgra) {
        const size_t count = static_cast<size_t>(record.width) * static_cast<size_t>(record.height);
        auto* converted = static_cast<uint8_t*>(std::malloc(count * 4));
        if (!converted)
            return gfl::kErrorNoMemory;
        ConvertPixels(*owner, record.data, converted, count);
        std::free(record.data);
        record.data = converted;
    }
    owner->kind = PixelKind::Bgra;
    delete record.colorMap;
    record.colorMap = nullptr;
    SetBgraLayout(record);
    if (hasPixels)
        *hasPixels = owner->hasPixels;
    return gfl::kNoError;
}

bool ReshapeBitmap(gfl::Bitmap* bitmap, int32_t width, int32_t height, uint64_t seed) noexcept
{
    OwnedBitmap* owner = OwnerOf(bitmap);
    if (!owner || width <= 0 || height <= 0)
        return false;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * BytesPerPixel(owner->kind);
    auto* pixels = static_cast<uint8_t*>(std::malloc(bytes));
    if (!pixels)
        return false;
    for (size_t i = 0; i < bytes; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        pixels[i] = static_cast<uint8_t>(seed >> 24);
    }
    std::free(owner->record.data);
    owner->record.data = pixels;
    owner->record.width = width;
    owner->record.height = height;
    owner->record.bytesPerLine = static_cast<uint32_t>(width) * owner->record.bytesPerPixel;
    owner->hasPixels = true;
    return true;
}

bool MakePixelless(gfl::Bitmap* bitmap, int32_t width, int32_t height) noexcept
{
    OwnedBitmap* owner = OwnerOf(bitmap);
    if (!owner)
        return false;
    auto* placeholder = static_cast<uint8_t*>(std::calloc(1, kPlaceholderBytes));
    if (!placeholder)
        return false;
    std::free(owner->record.data);
    owner->record.data = placeholder;
    owner->record.width = width;
    owner->record.height = height;
    owner->record.bytesPerLine = 0;
    owner->hasPixels = false;
    return true;
}

bool AttachColorMap(gfl::Bitmap* bitmap, uint64_t seed) noexcept
{
    OwnedBitmap* owner = OwnerOf(bitmap);
    if (!owner)
        return false;
    auto* map = new (std::nothrow) gfl::ColorMap;
    if (!map)
        return false;
    auto* bytes = reinterpret_cast<uint8_t*>(map);
    for (size_t i = 0; i < sizeof *map; ++i)
        bytes[i] = static_cast<uint8_t>((seed >> ((i % 8) * 8)) + i * 37);
    delete owner->record.colorMap;
    owner->record.colorMap = map;
    owner->record.colorUsed = 256;
    return true;
}

bool DropColorMap(gfl::Bitmap* bitmap) noexcept
{
    OwnedBitmap* owner = OwnerOf(bitmap);
    if (!owner)
        return false;
    delete owner->record.colorMap;
    owner->record.colorMap = nullptr;
    owner->record.colorUsed = 0;
    return true;
}

bool DropPixels(gfl::Bitmap* bitmap) noexcept
{
    OwnedBitmap* owner = OwnerOf(bitmap);
    if (!owner)
        return false;
    std::free(owner->record.data);
    owner->record.data = nullptr;
    return true;
}

}  // namespace testbed
