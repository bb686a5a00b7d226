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
constexpr wchar_t kStreamsNode[] = L"UseQPVForStreams";

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

// What a read of a recognised child that did not end Done means for the file.
SettingsRead Refused(ReadOutcome outcome) noexcept
{
    return outcome == ReadOutcome::NotRead ? SettingsRead::NotRead : SettingsRead::Unreadable;
}

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

HANDLE FirstChild(const SettingsFileServices& host, HANDLE node) noexcept
{
    return host.XMLFirstChildNode ? host.XMLFirstChildNode(node) : nullptr;
}

HANDLE NextSibling(const SettingsFileServices& host, HANDLE node) noexcept
{
    return host.XMLNextNode ? host.XMLNextNode(node) : nullptr;
}

HANDLE AddChild(const SettingsFileServices& host, HANDLE document, const wchar_t* name) noexcept
{
    return host.XMLAddChildNodeW ? host.XMLAddChildNodeW(document, name) : nullptr;
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

SettingsRead ReadSettingsXml(const SettingsFileServices& host, HANDLE document, SettingsTextBuffer& buffer,
                             PluginSettings& settings)
{
    DocumentTextReader reader(host, buffer);
    const ReadOutcome root = reader.ReadName(document);
    if (root != ReadOutcome::Done)
        return Refused(root);
    if (reader.text() != kRootName)
        return SettingsRead::Unreadable;
    try {
        for (HANDLE child = FirstChild(host, document); child; child = NextSibling(host, child)) {
            const ReadOutcome name = reader.ReadName(child);
            if (name == ReadOutcome::Unsafe)
                return SettingsRead::Unreadable;
            if (name != ReadOutcome::Done)
                continue;
            if (reader.text() == kExtensionNode) {
                const ReadOutcome value = reader.ReadValue(child);
                if (value != ReadOutcome::Done)
                    return Refused(value);
                // Verbatim: no dot added, no case change, no trimming.
                settings.excludedExtensions.emplace_back(reader.text());
            } else if (reader.text() == kStreamsNode) {
                BOOL value = 0;
                if (!host.XMLGetNodeBoolValue)
                    return SettingsRead::NotRead;
                if (!host.XMLGetNodeBoolValue(child, &value))
                    return SettingsRead::Unreadable;
                settings.useForStreams = value != 0 ? 1 : 0;
            }
        }
    } catch (const std::bad_alloc&) {
        return SettingsRead::NotRead;
    }
    return SettingsRead::Read;
}

bool WriteSettingsXml(const SettingsFileServices& host, HANDLE document, const PluginSettings& settings)
{
    // Without the renaming service the root keeps the host's default name.
    // A rename the host reports failed would save a root the next start-up
    // refuses, over a file it could read: then nothing is saved.
    if (host.XMLSetNodeNameW && !host.XMLSetNodeNameW(document, kRootName))
        return false;
    for (const std::wstring& extension : settings.excludedExtensions) {
        HANDLE node = AddChild(host, document, kExtensionNode);
        if (!node || !host.XMLSetNodeValueW || !host.XMLSetNodeValueW(node, extension.c_str()))
            return false;
    }
    HANDLE node = AddChild(host, document, kStreamsNode);
    return node && host.XMLSetNodeBoolValue &&
           host.XMLSetNodeBoolValue(node, settings.useForStreams != 0 ? TRUE : FALSE);
}
