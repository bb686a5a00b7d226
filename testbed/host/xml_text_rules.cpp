// The character classes of XML 1.0 (fifth edition), on UTF-16 text.
#include "testbed/host/xml_text_rules.h"

#include <cstdint>

namespace {

struct Range {
    uint32_t first, last;
};

constexpr Range kNameStart[] = {
    {'A', 'Z'}, {'_', '_'}, {'a', 'z'}, {0xC0, 0xD6}, {0xD8, 0xF6}, {0xF8, 0x2FF},
    {0x370, 0x37D}, {0x37F, 0x1FFF}, {0x200C, 0x200D}, {0x2070, 0x218F}, {0x2C00, 0x2FEF},
    {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF},
};
constexpr Range kNameOther[] = {
    {'-', '-'}, {'.', '.'}, {'0', '9'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040},
};

template <size_t N>
bool InRanges(uint32_t c, const Range (&ranges)[N]) noexcept
{
    for (const Range& range : ranges) {
        if (c >= range.first && c <= range.last)
            return true;
    }
    return false;
}

bool IsXmlChar(uint32_t c) noexcept
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Decodes the code point at text[i] and advances i; 0xFFFFFFFF for a lone
// surrogate.
uint32_t NextCodePoint(const std::wstring& text, size_t& i) noexcept
{
    const uint32_t unit = static_cast<uint16_t>(text[i++]);
    if (unit < 0xD800 || unit > 0xDFFF)
        return unit;
    if (unit > 0xDBFF || i == text.size())
        return 0xFFFFFFFF;
    const uint32_t low = static_cast<uint16_t>(text[i]);
    if (low < 0xDC00 || low > 0xDFFF)
        return 0xFFFFFFFF;
    ++i;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

}  // namespace

bool IsValidXmlName(const std::wstring& name) noexcept
{
    if (name.empty())
        return false;
    size_t i = 0;
    if (!InRanges(NextCodePoint(name, i), kNameStart))
        return false;
    while (i < name.size()) {
        const uint32_t c = NextCodePoint(name, i);
        if (!InRanges(c, kNameStart) && !InRanges(c, kNameOther))
            return false;
    }
    return true;
}

bool IsValidXmlText(const std::wstring& text) noexcept
{
    for (size_t i = 0; i < text.size();) {
        if (!IsXmlChar(NextCodePoint(text, i)))
            return false;
    }
    return true;
}
