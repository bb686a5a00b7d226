#include "tests/support/dialog_template.h"

#include <cstring>
#include <cwctype>

namespace {

// A bounds-checked reader over the resource's bytes.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    template <typename T>
    T read()
    {
        T value{};
        if (!ok_ || offset_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }
    std::wstring readString()
    {
        std::wstring text;
        for (wchar_t c = read<wchar_t>(); ok_ && c != L'\0'; c = read<wchar_t>())
            text.push_back(c);
        return text;
    }
    // A "string or ordinal": 0xFFFF followed by a 16-bit number, else text.
    std::wstring readNameOrOrdinal(uint16_t* ordinal)
    {
        *ordinal = 0;
        if (!ok_ || offset_ + 2 > size_) {
            ok_ = false;
            return {};
        }
        uint16_t first = 0;
        memcpy(&first, data_ + offset_, 2);
        if (first == 0xFFFF) {
            offset_ += 2;
            *ordinal = read<uint16_t>();
            return {};
        }
        return readString();
    }
    void alignTo(size_t boundary) { offset_ = (offset_ + boundary - 1) / boundary * boundary; }
    void skip(size_t bytes) { offset_ += bytes; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

std::wstring PredefinedClass(uint16_t ordinal)
{
    switch (ordinal) {
    case 0x80: return L"button";
    case 0x81: return L"edit";
    case 0x82: return L"static";
    case 0x83: return L"listbox";
    case 0x84: return L"scrollbar";
    case 0x85: return L"combobox";
    default: return L"#" + std::to_wstring(ordinal);
    }
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

}  // namespace

DialogTemplate ReadDialogTemplate(HMODULE module, int resourceId, LANGID language)
{
    DialogTemplate dialog;
    HRSRC resource = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(resourceId), language);
    if (!resource)
        return dialog;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
    if (!bytes)
        return dialog;
    Cursor in(bytes, SizeofResource(module, resource));

    const uint16_t version = in.read<uint16_t>();
    const uint16_t signature = in.read<uint16_t>();
    if (version != 1 || signature != 0xFFFF)
        return dialog;
    in.read<DWORD>();  // help ID
    dialog.exStyle = in.read<DWORD>();
    dialog.style = in.read<DWORD>();
    const uint16_t count = in.read<uint16_t>();
    dialog.x = in.read<int16_t>();
    dialog.y = in.read<int16_t>();
    dialog.cx = in.read<int16_t>();
    dialog.cy = in.read<int16_t>();
    uint16_t ordinal = 0;
    in.readNameOrOrdinal(&ordinal);  // menu
    in.readNameOrOrdinal(&ordinal);  // window class
    dialog.title = in.readString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.read<uint16_t>();
        dialog.weight = in.read<uint16_t>();
        dialog.italic = in.read<uint8_t>();
        in.read<uint8_t>();  // character set
        dialog.typeface = in.readString();
    }

    for (uint16_t index = 0; index < count && in.ok(); ++index) {
        in.alignTo(4);
        DialogItem item;
        in.read<DWORD>();  // help ID
        item.exStyle = in.read<DWORD>();
        item.style = in.read<DWORD>();
        item.x = in.read<int16_t>();
        item.y = in.read<int16_t>();
        item.cx = in.read<int16_t>();
        item.cy = in.read<int16_t>();
        item.id = in.read<int32_t>();
        const std::wstring className = in.readNameOrOrdinal(&ordinal);
        item.className = ordinal ? PredefinedClass(ordinal) : Lower(className);
        item.text = in.readNameOrOrdinal(&ordinal);
        if (ordinal)
            item.text = L"#" + std::to_wstring(ordinal);
        const uint16_t extra = in.read<uint16_t>();
        in.skip(extra);
        dialog.items.push_back(item);
    }
    dialog.valid = in.ok() && dialog.items.size() == count;
    return dialog;
}
