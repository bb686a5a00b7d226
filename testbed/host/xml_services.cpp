// The exported XML services: thin shims that check the handle against the
// store, do one thing to the tree, and answer FALSE or null for anything
// they cannot do. Every call runs under the store's lock and throws nothing.
#include "testbed/host/xml_services.h"

#include <climits>
#include <cwctype>

#include "testbed/host/service_registry.h"
#include "testbed/host/xml_file.h"
#include "testbed/host/xml_text_rules.h"
#include "testbed/host/xml_tree.h"

namespace {

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

// The capacity-by-pointer contract of the two text reads. A failed copy
// leaves *capacity alone: callers keep one capacity for one buffer across
// many reads, and a value grown here would no longer describe that buffer.
BOOL CopyText(const std::wstring& text, LPWSTR buffer, int* capacity) noexcept
{
    if (!capacity || text.size() >= static_cast<size_t>(INT_MAX))
        return FALSE;
    const int needed = static_cast<int>(text.size()) + 1;
    if (!buffer) {
        *capacity = needed;
        return TRUE;
    }
    if (*capacity < needed)
        return FALSE;
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return TRUE;
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
        std::unique_ptr<XmlNode> root = ReadXmlFile(path);
        return root ? store.Adopt(std::move(root)) : nullptr;
    });
}

BOOL WINAPI XMLSaveFileW(HANDLE document, LPCWSTR path)
{
    return Serve<BOOL>(ServiceId::XMLSaveFileW, FALSE, [&](XmlStore& store) -> BOOL {
        const XmlNode* root = store.Document(document);
        return root && WriteXmlFile(*root, path);
    });
}

HANDLE WINAPI XMLCreateFile()
{
    return Serve<HANDLE>(ServiceId::XMLCreateFile, nullptr, [&](XmlStore& store) -> HANDLE {
        auto root = std::make_unique<XmlNode>();
        root->name = kXmlDefaultRootName;
        return store.Adopt(std::move(root));
    });
}

BOOL WINAPI XMLFreeFile(HANDLE document)
{
    return Serve<BOOL>(ServiceId::XMLFreeFile, FALSE,
                       [&](XmlStore& store) -> BOOL { return store.Free(document); });
}

HANDLE WINAPI XMLAddChildNodeW(HANDLE parent, LPCWSTR name)
{
    return Serve<HANDLE>(ServiceId::XMLAddChildNodeW, nullptr, [&](XmlStore& store) -> HANDLE {
        XmlNode* node = store.Node(parent);
        if (!node || !name || !IsValidXmlName(name))
            return nullptr;
        return store.AddChild(*node, name);
    });
}

HANDLE WINAPI XMLFirstChildNode(HANDLE node)
{
    return Serve<HANDLE>(ServiceId::XMLFirstChildNode, nullptr, [&](XmlStore& store) -> HANDLE {
        const XmlNode* parent = store.Node(node);
        if (!parent || parent->children.empty())
            return nullptr;
        return parent->children.front().get();
    });
}

HANDLE WINAPI XMLNextNode(HANDLE node)
{
    return Serve<HANDLE>(ServiceId::XMLNextNode, nullptr, [&](XmlStore& store) -> HANDLE {
        const XmlNode* current = store.Node(node);
        if (!current || !current->parent)
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
        return element && CopyText(element->name, buffer, capacity);
    });
}

BOOL WINAPI XMLSetNodeNameW(HANDLE node, LPCWSTR name)
{
    return Serve<BOOL>(ServiceId::XMLSetNodeNameW, FALSE, [&](XmlStore& store) -> BOOL {
        XmlNode* element = store.Node(node);
        if (!element || !name || !IsValidXmlName(name))
            return FALSE;
        element->name = name;
        return TRUE;
    });
}

BOOL WINAPI XMLGetNodeValueW(HANDLE node, LPWSTR buffer, int* capacity)
{
    return Serve<BOOL>(ServiceId::XMLGetNodeValueW, FALSE, [&](XmlStore& store) -> BOOL {
        const XmlNode* element = store.Node(node);
        return element && CopyText(element->value, buffer, capacity);
    });
}

BOOL WINAPI XMLSetNodeValueW(HANDLE node, LPCWSTR text)
{
    return Serve<BOOL>(ServiceId::XMLSetNodeValueW, FALSE, [&](XmlStore& store) -> BOOL {
        XmlNode* element = store.Node(node);
        if (!element || !text)
            return FALSE;
        std::wstring value(text);
        if (!IsValidXmlText(value))
            return FALSE;
        element->value = std::move(value);
        return TRUE;
    });
}

BOOL WINAPI XMLGetNodeBoolValue(HANDLE node, BOOL* value)
{
    return Serve<BOOL>(ServiceId::XMLGetNodeBoolValue, FALSE, [&](XmlStore& store) -> BOOL {
        const XmlNode* element = store.Node(node);
        if (!element || !value)
            return FALSE;
        const std::wstring text = Trimmed(element->value);
        if (EqualsIgnoringCase(text, kXmlTrue) || text == L"1") {
            *value = TRUE;
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
        XmlNode* element = store.Node(node);
        if (!element)
            return FALSE;
        element->value = value ? kXmlTrue : kXmlFalse;
        return TRUE;
    });
}
