// The two walks over a settings document: reading the children of a loaded
// document into this object, and building a new document from it. Layout:
// root "DVP_QPV"; one "ExcludedExtension" per list entry, in list order; then
// one boolean "UseQPVForStreams". Names are compared case-sensitively.
//
// Every text read of one document goes through one buffer and one capacity
// integer, handed to the host by address; the host may change that integer.
// The reader keeps its own count of what the buffer really holds and never
// hands the host a capacity above it. Whatever breaks that contract (a
// capacity out of range, a size of 0, negative or above kMaxValueLength, a
// text without terminator) fails the whole read, so the caller falls back to
// the defaults rather than run on part of a file.
#include <cwchar>
#include <new>
#include <string_view>

#include "plugin/host_services.h"
#include "settings/plugin_settings.h"

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
    HostFailed,  // the host reported failure, or has no such service
    Unsafe,      // the host broke the contract; nothing in the buffer is trusted
};

class DocumentTextReader {
public:
    DocumentTextReader(const HostXmlServices& xml, wchar_t*& buffer, int32_t& capacity) noexcept
        : xml_(xml), buffer_(buffer), capacity_(capacity), owned_(buffer ? capacity : 0)
    {
    }

    ReadOutcome ReadName(HANDLE node) noexcept { return Fill(HostXml::XMLGetNodeNameW, node); }

    // Size query first, then the read; the buffer is replaced only when the
    // size exceeds the capacity integer as it now stands.
    ReadOutcome ReadValue(HANDLE node) noexcept
    {
        auto querySize = xml_.get<XmlGetNodeValueWFn>(HostXml::XMLGetNodeValueW);
        if (!querySize || !querySize(node, nullptr, &size_))
            return ReadOutcome::HostFailed;
        // The size counts the terminator, so it is at least 1.
        if (size_ <= 0 || size_ > kMaxValueLength)
            return ReadOutcome::Unsafe;
        if (size_ > capacity_ && !Grow(size_))
            return ReadOutcome::HostFailed;
        return Fill(HostXml::XMLGetNodeValueW, node);
    }

    std::wstring_view text() const noexcept { return {buffer_, length_}; }

private:
    ReadOutcome Fill(HostXml slot, HANDLE node) noexcept
    {
        auto read = xml_.get<XmlGetNodeValueWFn>(slot);
        if (!read)
            return ReadOutcome::HostFailed;
        if (!buffer_ || capacity_ < 0 || capacity_ > owned_)
            return ReadOutcome::Unsafe;
        const int32_t passed = capacity_;
        if (!read(node, buffer_, &capacity_))
            return ReadOutcome::HostFailed;
        // Only what the host was allowed to write is searched for the end.
        const size_t length = wcsnlen(buffer_, static_cast<size_t>(passed));
        if (length == static_cast<size_t>(passed))
            return ReadOutcome::Unsafe;
        length_ = length;
        return ReadOutcome::Done;
    }

    bool Grow(int32_t size) noexcept
    {
        delete[] buffer_;
        buffer_ = new (std::nothrow) wchar_t[static_cast<size_t>(size)];
        owned_ = buffer_ ? size : 0;
        capacity_ = owned_;
        return buffer_ != nullptr;
    }

    const HostXmlServices& xml_;
    wchar_t*& buffer_;
    int32_t& capacity_;
    int32_t owned_;     // characters the buffer really holds
    int32_t size_ = 0;  // the one size integer of the document, never reset
    size_t length_ = 0;
};

HANDLE FirstChild(const HostXmlServices& xml, HANDLE node) noexcept
{
    auto first = xml.get<XmlFirstChildNodeFn>(HostXml::XMLFirstChildNode);
    return first ? first(node) : nullptr;
}

HANDLE NextSibling(const HostXmlServices& xml, HANDLE node) noexcept
{
    auto next = xml.get<XmlNextNodeFn>(HostXml::XMLNextNode);
    return next ? next(node) : nullptr;
}

HANDLE AddChild(const HostXmlServices& xml, HANDLE document, const wchar_t* name) noexcept
{
    auto add = xml.get<XmlAddChildNodeWFn>(HostXml::XMLAddChildNodeW);
    return add ? add(document, name) : nullptr;
}

}  // namespace

bool PluginSettings::ReadSettingsXml(HANDLE document, wchar_t*& buffer, int32_t& capacity)
{
    if (!hostServices)
        return false;
    const HostXmlServices& xml = hostServices->xml;
    DocumentTextReader reader(xml, buffer, capacity);
    if (reader.ReadName(document) != ReadOutcome::Done || reader.text() != kRootName)
        return false;
    try {
        for (HANDLE child = FirstChild(xml, document); child; child = NextSibling(xml, child)) {
            const ReadOutcome name = reader.ReadName(child);
            if (name == ReadOutcome::Unsafe)
                return false;
            if (name == ReadOutcome::HostFailed)
                continue;
            if (reader.text() == kExtensionNode) {
                if (reader.ReadValue(child) != ReadOutcome::Done)
                    return false;
                // Verbatim: no dot added, no case change, no trimming.
                excludedExtensions.emplace_back(reader.text());
            } else if (reader.text() == kStreamsNode) {
                auto getBool = xml.get<XmlGetNodeBoolValueFn>(HostXml::XMLGetNodeBoolValue);
                BOOL value = 0;
                if (!getBool || !getBool(child, &value))
                    return false;
                useForStreams = value != 0 ? 1 : 0;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool PluginSettings::WriteSettingsXml(HANDLE document) const
{
    if (!hostServices)
        return false;
    const HostXmlServices& xml = hostServices->xml;
    // Without the renaming service the root keeps the host's default name.
    if (auto setName = xml.get<XmlSetNodeNameWFn>(HostXml::XMLSetNodeNameW))
        setName(document, kRootName);
    for (const std::wstring& extension : excludedExtensions) {
        HANDLE node = AddChild(xml, document, kExtensionNode);
        auto setValue = xml.get<XmlSetNodeValueWFn>(HostXml::XMLSetNodeValueW);
        if (!node || !setValue || !setValue(node, extension.c_str()))
            return false;
    }
    HANDLE node = AddChild(xml, document, kStreamsNode);
    auto setBool = xml.get<XmlSetNodeBoolValueFn>(HostXml::XMLSetNodeBoolValue);
    return node && setBool && setBool(node, useForStreams != 0 ? TRUE : FALSE);
}
