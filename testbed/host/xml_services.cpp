// The exported XML services: thin shims that check the handle against the
// store, do one thing to the tree, and answer FALSE or null for anything
// they cannot do. Every call runs under the store's lock and throws nothing.
// A test may ask for answers the contract allows (HostTestbedXmlQuirks), and
// under a misbehaviour scenario each answer may deviate as host_deviation.h
// names; neither ever touches memory beyond what the caller describes.
#include "testbed/host/xml_services.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <iterator>
#include <optional>

#include "testbed/host/host_deviation.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/service_registry.h"
#include "testbed/host/xml_file.h"
#include "testbed/host/xml_text_rules.h"
#include "testbed/host/xml_tree.h"
#include "testbed/host/xml_tree_deviations.h"

using testbed::Drawn;

namespace {

// The quirks a test asked for; read and written under the store's lock.
HostTestbedXmlQuirks& Quirks() noexcept
{
    static HostTestbedXmlQuirks quirks;
    return quirks;
}

// Counts the call, honours an injected failure, and runs the body under the
// store's lock; an exception (out of memory) becomes the failure result.
template <typename Result, typename Body>
Result Serve(ServiceId service, Result failed, Body&& body) noexcept
{
    if (BeginServiceCall(service))
        return failed;
    XmlStore& store = XmlStore::Get();
    try {
        Lock lock(store.lock());
        return body(store);
    } catch (...) {
        return failed;
    }
}

// The kinds by which one of the two text reads may deviate; Count where a
// read has no such kind.
struct TextDeviations {
    HostDeviation fails;
    HostDeviation unterminated;
    HostDeviation capacityGrown;
    HostDeviation capacityShrunk;
    HostDeviation sizeUnderstated;
    HostDeviation sizeOverstated;
    HostDeviation sizeNonPositive;
};

constexpr TextDeviations kNameDeviations = {HostDeviation::NameFails,          HostDeviation::NameUnterminated,
                                            HostDeviation::NameCapacityGrown,  HostDeviation::NameCapacityShrunk,
                                            HostDeviation::Count,              HostDeviation::Count,
                                            HostDeviation::Count};
constexpr TextDeviations kValueDeviations = {
    HostDeviation::ValueFails,           HostDeviation::ValueUnterminated,   HostDeviation::ValueCapacityGrown,
    HostDeviation::Count,                HostDeviation::ValueSizeUnderstated, HostDeviation::ValueSizeOverstated,
    HostDeviation::ValueSizeNonPositive};

// The quirks of one of the two text reads.
struct TextQuirks {
    bool withoutTerminator = false;
    std::optional<int> capacityAfterRead;
    std::optional<int> size;
    int sizeExtra = 0;
};

TextQuirks NameQuirks() noexcept
{
    const HostTestbedXmlQuirks& quirks = Quirks();
    return {quirks.nameWithoutTerminator, quirks.capacityAfterRead, std::nullopt, 0};
}

TextQuirks ValueQuirks() noexcept
{
    const HostTestbedXmlQuirks& quirks = Quirks();
    return {quirks.valueWithoutTerminator, quirks.capacityAfterRead, quirks.valueSize, quirks.valueSizeExtra};
}

// The size a query reports, deviating or not.
int ReportedSize(int needed, const TextDeviations& kinds, const TextQuirks& quirks)
{
    const Drawn understated = DeviateService(kinds.sizeUnderstated);
    const Drawn overstated = DeviateService(kinds.sizeOverstated);
    const Drawn nonPositive = DeviateService(kinds.sizeNonPositive);
    int size = needed;
    if (understated && needed > 1)
        size = static_cast<int>(understated.Between(1, needed - 1));
    if (overstated)
        size = overstated.Pick(4) == 0 ? INT_MAX : needed + 1 + static_cast<int>(overstated.Pick(1u << 22));
    if (nonPositive) {
        static constexpr int kSizes[] = {0, -1, INT_MIN};
        size = kSizes[nonPositive.Pick(3)];
    }
    if (quirks.size)
        return *quirks.size;
    return size > INT_MAX - quirks.sizeExtra ? INT_MAX : size + quirks.sizeExtra;
}

// The capacity-by-pointer contract of the two text reads. A failed copy
// leaves *capacity alone: callers keep one capacity for one buffer across
// many reads, and a value grown here would no longer describe that buffer.
// A deviating host may still change it (the contract leaves that to the
// host), and may fill the caller's whole capacity without a terminator.
BOOL CopyText(const std::wstring& text, LPWSTR buffer, int* capacity, const TextDeviations& kinds,
              const TextQuirks& quirks) noexcept
{
    if (DeviateService(kinds.fails))
        return FALSE;
    if (!capacity || text.size() >= static_cast<size_t>(INT_MAX))
        return FALSE;
    const int needed = static_cast<int>(text.size()) + 1;
    if (!buffer) {
        *capacity = ReportedSize(needed, kinds, quirks);
        return TRUE;
    }
    const Drawn unterminated = DeviateService(kinds.unterminated);
    const Drawn grown = DeviateService(kinds.capacityGrown);
    const Drawn shrunk = DeviateService(kinds.capacityShrunk);
    BOOL copied = FALSE;
    if ((unterminated || quirks.withoutTerminator) && *capacity > 0) {
        const size_t room = static_cast<size_t>(*capacity);
        const size_t taken = text.copy(buffer, room);
        std::fill(buffer + taken, buffer + room, L'x');
        copied = TRUE;
    } else if (*capacity >= needed) {
        text.copy(buffer, text.size());
        buffer[text.size()] = L'\0';
        copied = TRUE;
    }
    if (grown && *capacity < INT_MAX - 4096)
        *capacity += 1 + static_cast<int>(grown.Pick(4096));
    if (shrunk && *capacity > 0)
        *capacity = static_cast<int>(shrunk.Pick(static_cast<uint64_t>(*capacity)));
    if (quirks.capacityAfterRead)
        *capacity = *quirks.capacityAfterRead;
    return copied;
}

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return std::wstring();
    const size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(const std::wstring& text, const wchar_t* word) noexcept
{
    size_t i = 0;
    for (; i < text.size() && word[i]; ++i) {
        if (std::towlower(text[i]) != std::towlower(word[i]))
            return false;
    }
    return i == text.size() && !word[i];
}

}  // namespace

HANDLE WINAPI XMLLoadFileW(LPCWSTR path)
{
    return Serve<HANDLE>(ServiceId::XMLLoadFileW, nullptr, [&](XmlStore& store) -> HANDLE {
        if (DeviateService(HostDeviation::LoadFileNull))
            return nullptr;
        std::unique_ptr<XmlNode> root = ReadXmlFile(path);
        if (!root)
            return nullptr;
        DeviateLoadedTree(*root);
        return store.Adopt(std::move(root));
    });
}

BOOL WINAPI XMLSaveFileW(HANDLE document, LPCWSTR path)
{
    return Serve<BOOL>(ServiceId::XMLSaveFileW, FALSE, [&](XmlStore& store) -> BOOL {
        const Drawn fails = DeviateService(HostDeviation::SaveFails);
        const Drawn failsAfterWrite = DeviateService(HostDeviation::SaveFailsAfterWrite);
        const Drawn failsAfterPartial = DeviateService(HostDeviation::SaveFailsAfterPartialWrite);
        const XmlNode* root = store.Document(document);
        if (!root || fails)
            return FALSE;
        if (failsAfterPartial) {
            WriteXmlFile(*root, path, failsAfterPartial.Pick(512));
            return FALSE;
        }
        return WriteXmlFile(*root, path) && !failsAfterWrite;
    });
}

HANDLE WINAPI XMLCreateFile()
{
    return Serve<HANDLE>(ServiceId::XMLCreateFile, nullptr, [&](XmlStore& store) -> HANDLE {
        if (DeviateService(HostDeviation::CreateFileNull))
            return nullptr;
        auto root = std::make_unique<XmlNode>();
        root->name = kXmlDefaultRootName;
        return store.Adopt(std::move(root));
    });
}

BOOL WINAPI XMLFreeFile(HANDLE document)
{
    return Serve<BOOL>(ServiceId::XMLFreeFile, FALSE,
                       [&](XmlStore& store) -> BOOL {
                           const Drawn fails = DeviateService(HostDeviation::FreeFails);
                           return store.Free(document) && !fails;
                       });
}

HANDLE WINAPI XMLAddChildNodeW(HANDLE parent, LPCWSTR name)
{
    return Serve<HANDLE>(ServiceId::XMLAddChildNodeW, nullptr, [&](XmlStore& store) -> HANDLE {
        XmlNode* node = store.Node(parent);
        if (!node || !name || !IsValidXmlName(name) || DeviateService(HostDeviation::AddChildNull))
            return nullptr;
        return store.AddChild(*node, name);
    });
}

HANDLE WINAPI XMLFirstChildNode(HANDLE node)
{
    return Serve<HANDLE>(ServiceId::XMLFirstChildNode, nullptr, [&](XmlStore& store) -> HANDLE {
        const XmlNode* parent = store.Node(node);
        if (!parent || parent->children.empty() || DeviateService(HostDeviation::FirstChildNull))
            return nullptr;
        return parent->children.front().get();
    });
}

HANDLE WINAPI XMLNextNode(HANDLE node)
{
    return Serve<HANDLE>(ServiceId::XMLNextNode, nullptr, [&](XmlStore& store) -> HANDLE {
        const XmlNode* current = store.Node(node);
        if (!current || !current->parent || DeviateService(HostDeviation::NextNodeNull))
            return nullptr;
        const auto& siblings = current->parent->children;
        const size_t next = current->indexInParent + 1;
        return next < siblings.size() ? siblings[next].get() : nullptr;
    });
}

BOOL WINAPI XMLGetNodeNameW(HANDLE node, LPWSTR buffer, int* capacity)
{
    return Serve<BOOL>(ServiceId::XMLGetNodeNameW, FALSE, [&](XmlStore& store) -> BOOL {
        const XmlNode* element = store.Node(node);
        return element && CopyText(element->name, buffer, capacity, kNameDeviations, NameQuirks());
    });
}

BOOL WINAPI XMLSetNodeNameW(HANDLE node, LPCWSTR name)
{
    return Serve<BOOL>(ServiceId::XMLSetNodeNameW, FALSE, [&](XmlStore& store) -> BOOL {
        // A rename that does not happen is relied upon and never drawn; only
        // the answer may deviate, after the rename.
        const Drawn failsAfterRename = DeviateService(HostDeviation::SetNameFailsAfterRename);
        XmlNode* element = store.Node(node);
        if (!element || !name || !IsValidXmlName(name))
            return FALSE;
        element->name = name;
        return !failsAfterRename && !Quirks().renameAnswersFalse;
    });
}

BOOL WINAPI XMLGetNodeValueW(HANDLE node, LPWSTR buffer, int* capacity)
{
    return Serve<BOOL>(ServiceId::XMLGetNodeValueW, FALSE, [&](XmlStore& store) -> BOOL {
        const XmlNode* element = store.Node(node);
        return element && CopyText(element->value, buffer, capacity, kValueDeviations, ValueQuirks());
    });
}

BOOL WINAPI XMLSetNodeValueW(HANDLE node, LPCWSTR text)
{
    return Serve<BOOL>(ServiceId::XMLSetNodeValueW, FALSE, [&](XmlStore& store) -> BOOL {
        const Drawn fails = DeviateService(HostDeviation::SetValueFails);
        const Drawn failsAfterSet = DeviateService(HostDeviation::SetValueFailsAfterSet);
        XmlNode* element = store.Node(node);
        if (!element || !text || fails)
            return FALSE;
        std::wstring value(text);
        if (!IsValidXmlText(value))
            return FALSE;
        element->value = std::move(value);
        return !failsAfterSet;
    });
}

BOOL WINAPI XMLGetNodeBoolValue(HANDLE node, BOOL* value)
{
    return Serve<BOOL>(ServiceId::XMLGetNodeBoolValue, FALSE, [&](XmlStore& store) -> BOOL {
        const Drawn fails = DeviateService(HostDeviation::BoolFails);
        const Drawn odd = DeviateService(HostDeviation::BoolOdd);
        const XmlNode* element = store.Node(node);
        if (!element || !value || fails)
            return FALSE;
        const std::wstring text = Trimmed(element->value);
        if (EqualsIgnoringCase(text, kXmlTrue) || text == L"1") {
            // Any non-zero value means true.
            static constexpr BOOL kOddTrue[] = {2, -1, INT_MIN, 0x100};
            *value = odd ? kOddTrue[odd.Pick(std::size(kOddTrue))] : Quirks().trueValue;
            return TRUE;
        }
        if (EqualsIgnoringCase(text, kXmlFalse) || text == L"0") {
            *value = FALSE;
            return TRUE;
        }
        return FALSE;
    });
}

BOOL WINAPI XMLSetNodeBoolValue(HANDLE node, BOOL value)
{
    return Serve<BOOL>(ServiceId::XMLSetNodeBoolValue, FALSE, [&](XmlStore& store) -> BOOL {
        const Drawn fails = DeviateService(HostDeviation::SetBoolFails);
        const Drawn failsAfterSet = DeviateService(HostDeviation::SetBoolFailsAfterSet);
        XmlNode* element = store.Node(node);
        if (!element || fails)
            return FALSE;
        element->value = value ? kXmlTrue : kXmlFalse;
        return !failsAfterSet;
    });
}

void HostTestbedSetXmlQuirks(const HostTestbedXmlQuirks& quirks)
{
    XmlStore& store = XmlStore::Get();
    Lock lock(store.lock());
    Quirks() = quirks;
}

void ResetXmlQuirks() noexcept
{
    XmlStore& store = XmlStore::Get();
    Lock lock(store.lock());
    Quirks() = HostTestbedXmlQuirks{};
}
