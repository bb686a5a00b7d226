// Resizing comes first and the extreme dimensions after it, so that a drawn
// extreme is what the record finally reports. Extreme dimensions leave a
// placeholder behind: a caller has to refuse them before it reads pixels.
#include "testbed/imagelib/bitmap_deviations.h"

#include <cstdint>

#include "testbed/imagelib/bitmap_store.h"
#include "testbed/imagelib/library_deviation.h"

namespace testbed {
namespace {

constexpr int32_t kLargestResized = 64;
// Width or height from which width * height * 4 bytes exceed INT32_MAX,
// whatever the other dimension: no DIB section can hold it.
constexpr int32_t kTooLarge = 0x20000000;

// A current dimension to keep beside a resized one, or a small new one.
int32_t KeptDimension(int32_t current, const Drawn& drawn) noexcept
{
    return current > 0 && current <= 4096 ? current : static_cast<int32_t>(drawn.Between(1, kLargestResized));
}

void DeviateDimensions(gfl::Bitmap* bitmap) noexcept
{
    if (const Drawn resized = Deviate(LibraryDeviation::BitmapWidthResized))
        ReshapeBitmap(bitmap, static_cast<int32_t>(resized.Between(1, kLargestResized)),
                      KeptDimension(bitmap->height, resized), resized.bits);
    if (const Drawn resized = Deviate(LibraryDeviation::BitmapHeightResized))
        ReshapeBitmap(bitmap, KeptDimension(bitmap->width, resized),
                      static_cast<int32_t>(resized.Between(1, kLargestResized)), resized.bits);

    const Drawn widthNegative = Deviate(LibraryDeviation::BitmapWidthNegative);
    const Drawn widthZero = Deviate(LibraryDeviation::BitmapWidthZero);
    const Drawn widthTooLarge = Deviate(LibraryDeviation::BitmapWidthTooLarge);
    const Drawn heightNegative = Deviate(LibraryDeviation::BitmapHeightNegative);
    const Drawn heightZero = Deviate(LibraryDeviation::BitmapHeightZero);
    const Drawn heightTooLarge = Deviate(LibraryDeviation::BitmapHeightTooLarge);
    int32_t width = bitmap->width;
    int32_t height = bitmap->height;
    if (widthNegative)
        width = static_cast<int32_t>(widthNegative.Between(INT32_MIN, -1));
    if (widthZero)
        width = 0;
    if (widthTooLarge)
        width = static_cast<int32_t>(widthTooLarge.Between(kTooLarge, INT32_MAX));
    if (heightNegative)
        height = static_cast<int32_t>(heightNegative.Between(INT32_MIN, -1));
    if (heightZero)
        height = 0;
    if (heightTooLarge)
        height = static_cast<int32_t>(heightTooLarge.Between(kTooLarge, INT32_MAX));
    if (width != bitmap->width || height != bitmap->height)
        MakePixelless(bitmap, width, height);
}

void DeviateTransparency(gfl::Bitmap* bitmap) noexcept
{
    if (const Drawn beyond = Deviate(LibraryDeviation::TransparentBeyondMap))
        bitmap->transparentIndex = static_cast<int16_t>(beyond.Between(256, INT16_MAX));
    if (const Drawn negative = Deviate(LibraryDeviation::TransparentNegative))
        bitmap->transparentIndex = static_cast<int16_t>(negative.Between(INT16_MIN, -2));
    if (const Drawn inRange = Deviate(LibraryDeviation::TransparentInRange))
        bitmap->transparentIndex = static_cast<int16_t>(inRange.Pick(256));
}

void DeviateLayout(gfl::Bitmap* bitmap) noexcept
{
    static constexpr uint16_t kAlphaLayouts[] = {gfl::kLayoutRgba, gfl::kLayoutAbgr, gfl::kLayoutBgra,
                                                 gfl::kLayoutArgb};
    if (const Drawn alpha = Deviate(LibraryDeviation::LayoutAlphaBits))
        bitmap->layout = static_cast<uint16_t>(bitmap->layout | kAlphaLayouts[alpha.Pick(4)]);
    if (const Drawn extreme = Deviate(LibraryDeviation::LayoutExtreme))
        bitmap->layout = extreme.Pick(2) ? 0xFFFF : 0;
}

void DeviateColorMap(gfl::Bitmap* bitmap) noexcept
{
    if (Deviate(LibraryDeviation::ColorMapDropped))
        DropColorMap(bitmap);
    if (const Drawn unasked = Deviate(LibraryDeviation::ColorMapUnasked); unasked && !bitmap->colorMap)
        AttachColorMap(bitmap, unasked.bits);
}

}  // namespace

void DeviateLoadedBitmap(gfl::Bitmap* bitmap) noexcept
{
    if (!bitmap || !DeviationActive())
        return;
    DeviateDimensions(bitmap);
    DeviateTransparency(bitmap);
    DeviateLayout(bitmap);
    DeviateColorMap(bitmap);
}

}  // namespace testbed
