// The two walks over a settings document.
//
// Every text read of one document goes through one buffer and one capacity
// integer, handed to the host by address; the host may change that integer.
// The reader never hands the host a capacity above what the buffer really
// holds. Whatever breaks that contract (a capacity out of range, a size of
// 0, negative or above kMaxValueLength, a text without terminator) fails the
// whole read, so the caller falls back to the defaults rather than run on
// part of a file.
#include "settings/settings_xml.h"

#include <new>
#include <string_view>

#include "win32/wide_text.h"

namespace {

constexpr wchar_t kRootName[] = L"DVP_QPV";
constexpr wchar_t kExtensionNode[] = L"ExcludedExtension";

// 16 Mi characters (32 MiB): far above any real extension, and above the
// megabyte-long values a damaged or hand-edited file may hold, yet low enough
// that a host reporting a nonsense size cannot make the plug-in ask for
// gigabytes inside someone else's process.
constexpr int32_t kMaxValueLength = 16 * 1024 * 1024;

enum class ReadOutcome {
    Done,        // the text is in the buffer, terminated
    HostFailed,  // the host reported failure
    Unsafe,      // the host broke the contract; nothing in the buffer is trusted
    NotRead,     // the host has no such service, or no memory for the text
};

class DocumentTextReader {
public:
    DocumentTextReader(const SettingsFileServices& host, SettingsTextBuffer& buffer) noexcept
        : host_(host), buffer_(buffer)
    {
    }

    ReadOutcome ReadName(HANDLE node) noexcept { return Fill(host_.XMLGetNodeNameW, node); }

    // Size query first, then the read; the buffer is replaced only when the
    // size exceeds the capacity integer as it now stands.
    ReadOutcome ReadValue(HANDLE node) noexcept
    {
        if (!host_.XMLGetNodeValueW)
            return ReadOutcome::NotRead;
        if (!host_.XMLGetNodeValueW(node, nullptr, &size_))
            return ReadOutcome::HostFailed;
        // The size counts the terminator, so it is at least 1.
        if (size_ <= 0 || size_ > kMaxValueLength)
            return ReadOutcome::Unsafe;
        if (size_ > *buffer_.capacity() && !buffer_.Grow(size_))
            return ReadOutcome::NotRead;
        return Fill(host_.XMLGetNodeValueW, node);
    }

    std::wstring_view text() const noexcept { return text_; }

private:
    ReadOutcome Fill(XmlGetNodeValueWFn read, HANDLE node) noexcept
    {
        if (!read)
            return ReadOutcome::NotRead;
        const int32_t passed = *buffer_.capacity();
        if (!buffer_.data() || passed < 0 || passed > buffer_.owned())
            return ReadOutcome::Unsafe;
        if (!read(node, buffer_.data(), buffer_.capacity()))
            return ReadOutcome::HostFailed;
        // Only what the host was allowed to write is searched for the end.
        const auto text = TerminatedText(buffer_.data(), static_cast<size_t>(passed));
        if (!text)
            return ReadOutcome::Unsafe;
        text_ = *text;
        return ReadOutcome::Done;
    }

    const SettingsFileServices& host_;
    SettingsTextBuffer& buffer_;
    int32_t size_ = 0;  // the one size integer of the document, never reset
    std::wstring_view text_;
};

HANDLE AddChild(const SettingsFileServices& host, HANDLE document, const wchar_t* name) noexcept
{
    return host.XMLAddChildNodeW ? host.XMLAddChildNodeW(document, name) : nullptr;
}

// A switch's node: any non-zero value read is on (1).
bool ReadSwitch(const SettingsFileServices& host, HANDLE node, int32_t& value) noexcept
{
    BOOL read = 0;
    if (!host.XMLGetNodeBoolValue || !host.XMLGetNodeBoolValue(node, &read))
        return false;
    value = read != 0 ? 1 : 0;
    return true;
}

bool WriteSwitch(const SettingsFileServices& host, HANDLE document, const wchar_t* name, int32_t value) noexcept
{
    HANDLE node = AddChild(host, document, name);
    return node && host.XMLSetNodeBoolValue && host.XMLSetNodeBoolValue(node, value != 0 ? TRUE : FALSE);
}

}  // namespace

SettingsTextBuffer::SettingsTextBuffer(int32_t capacity) noexcept
    : data_(new (std::nothrow) wchar_t[static_cast<size_t>(capacity)]),
      capacity_(capacity),
      owned_(data_ ? capacity : 0)
{
}

bool SettingsTextBuffer::Grow(int32_t size) noexcept
{
    data_.reset(new (std::nothrow) wchar_t[static_cast<size_t>(size)]);
    owned_ = data_ ? size : 0;
    capacity_ = owned_;
    return data_ != nullptr;
}

// The walk follows the host's tree as far as the host's services let it. A
// child whose name cannot be read, or a walk that ends because a service is
// missing, still loads (the settings get what was read) but is only InPart:
// the file may hold more than the settings, so it does not count as read.
SettingsRead ReadSettingsXml(const SettingsFileServices& host, HANDLE document, SettingsTextBuffer& buffer,
                             PluginSettings& settings)
{
    DocumentTextReader reader(host, buffer);
    if (reader.ReadName(document) != ReadOutcome::Done || reader.text() != kRootName)
        return SettingsRead::Failed;
    bool whole = host.XMLFirstChildNode != nullptr;
    try {
        for (HANDLE child = whole ? host.XMLFirstChildNode(document) : nullptr; child;
             child = host.XMLNextNode ? host.XMLNextNode(child) : nullptr) {
            whole = whole && host.XMLNextNode != nullptr;
            const ReadOutcome name = reader.ReadName(child);
            if (name == ReadOutcome::Unsafe)
                return SettingsRead::Failed;
            if (name != ReadOutcome::Done) {
                whole = false;
                continue;
            }
            if (reader.text() == kExtensionNode) {
                if (reader.ReadValue(child) != ReadOutcome::Done)
                    return SettingsRead::Failed;
                // Verbatim: no dot added, no case change, no trimming.
                settings.excludedExtensions.emplace_back(reader.text());
            }
#define DVP_READ_SWITCH(member, node, byDefault, control)            \
    else if (reader.text() == (node))                                \
    {                                                                \
        if (!ReadSwitch(host, child, settings.member))               \
            return SettingsRead::Failed;                             \
    }
            DVP_SWITCH_SETTINGS(DVP_READ_SWITCH)
#undef DVP_READ_SWITCH
        }
    } catch (const std::bad_alloc&) {
        return SettingsRead::Failed;
    }
    return whole ? SettingsRead::Whole : SettingsRead::InPart;
}

bool WriteSettingsXml(const SettingsFileServices& host, HANDLE document, const PluginSettings& settings)
{
    // The host's answer to the rename is not examined: the rename itself is
    // what the save relies on. Without the service the root keeps the host's
    // default name.
    if (host.XMLSetNodeNameW)
        host.XMLSetNodeNameW(document, kRootName);
    for (const std::wstring& extension : settings.excludedExtensions) {
        HANDLE node = AddChild(host, document, kExtensionNode);
        if (!node || !host.XMLSetNodeValueW || !host.XMLSetNodeValueW(node, extension.c_str()))
            return false;
    }
#define DVP_WRITE_SWITCH(member, node, byDefault, control) \
    if (!WriteSwitch(host, document, node, settings.member))   \
        return false;
    DVP_SWITCH_SETTINGS(DVP_WRITE_SWITCH)
#undef DVP_WRITE_SWITCH
    return true;
}
