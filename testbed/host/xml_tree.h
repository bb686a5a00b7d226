// The stand-in host's in-memory XML documents: a tree of elements, each with
// a name, a text value and its child elements in the order they were added
// (attributes are not kept). XmlStore owns every open document and knows
// every live node, so that a handle from the plug-in is checked before it is
// followed: null and stale handles are refused, never dereferenced.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "win32/critical_section.h"

// Deepest nesting a document may have, root at depth 1. Bounding it keeps
// every walk over a tree (including its destruction) safely recursive.
inline constexpr size_t kMaxXmlDepth = 256;

struct XmlNode {
    std::wstring name;
    std::wstring value;
    std::vector<std::unique_ptr<XmlNode>> children;
    XmlNode* parent = nullptr;   // null for a document's root
    size_t indexInParent = 0;    // position among the parent's children
};

// Appends a child to a node, as the reader builds a tree that is not in the
// store yet. Returns the new child.
XmlNode* AppendChild(XmlNode& parent, std::unique_ptr<XmlNode> child);
// 1 for a root, 2 for its children, and so on.
size_t DepthOf(const XmlNode& node) noexcept;

class XmlStore {
public:
    static XmlStore& Get() noexcept;

    // Held by every XML service for its whole call: documents are shared by
    // all threads of the host. Re-entrant, so the store's own methods take it
    // again freely.
    CriticalSection& lock() noexcept { return lock_; }

    // Takes ownership of a whole tree; every node of it becomes live. The
    // root is the document handle.
    XmlNode* Adopt(std::unique_ptr<XmlNode> root);
    // Frees a document and every node of it; false when the handle is not a
    // live document.
    bool Free(HANDLE document) noexcept;
    // Adds a registered child to a live node; null beyond kMaxXmlDepth.
    XmlNode* AddChild(XmlNode& parent, std::wstring name);

    // The node behind a handle, or null for null, stale or foreign handles
    // (counted as invalid unless null).
    XmlNode* Node(HANDLE handle) noexcept;
    // The same for a handle that has to be a document's root.
    XmlNode* Document(HANDLE handle) noexcept;

    int OpenDocuments() noexcept;
    // Frees every open document; returns how many there were.
    int FreeAll() noexcept;
    // Calls since the last reset that passed a handle neither null nor live:
    // a node used after its document was freed, a document freed twice, or
    // something that never was a node.
    int InvalidHandles() noexcept;
    void ResetInvalidHandles() noexcept;

private:
    XmlStore() = default;
    void Register(const XmlNode& node);
    void Unregister(const XmlNode& node) noexcept;

    CriticalSection lock_;
    std::unordered_set<const XmlNode*> nodes_;
    std::unordered_map<const XmlNode*, std::unique_ptr<XmlNode>> documents_;
    int invalidHandles_ = 0;
};
