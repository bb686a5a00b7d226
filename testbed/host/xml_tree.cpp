// The open documents and the registry of live nodes behind XmlStore.
#include "testbed/host/xml_tree.h"

#include "testbed/host/host_testbed_control.h"

XmlNode* AppendChild(XmlNode& parent, std::unique_ptr<XmlNode> child)
{
    child->parent = &parent;
    child->indexInParent = parent.children.size();
    parent.children.push_back(std::move(child));
    return parent.children.back().get();
}

size_t DepthOf(const XmlNode& node) noexcept
{
    size_t depth = 1;
    for (const XmlNode* up = node.parent; up; up = up->parent)
        ++depth;
    return depth;
}

XmlStore& XmlStore::Get() noexcept
{
    static XmlStore store;
    return store;
}

// NOLINTNEXTLINE(misc-no-recursion): one level per element of a tree the reader built, at most kMaxXmlDepth deep
void XmlStore::Register(const XmlNode& node)
{
    nodes_.insert(&node);
    for (const auto& child : node.children)
        Register(*child);
}

// NOLINTNEXTLINE(misc-no-recursion): as Register
void XmlStore::Unregister(const XmlNode& node) noexcept
{
    nodes_.erase(&node);
    for (const auto& child : node.children)
        Unregister(*child);
}

XmlNode* XmlStore::Adopt(std::unique_ptr<XmlNode> root)
{
    Lock guard(lock_);
    XmlNode* document = root.get();
    try {
        Register(*document);
        documents_.emplace(document, std::move(root));
    } catch (...) {
        // No pointer into a tree that is about to be destroyed stays live.
        Unregister(*document);
        throw;
    }
    return document;
}

bool XmlStore::Free(HANDLE document) noexcept
{
    Lock guard(lock_);
    XmlNode* root = Document(document);
    if (!root)
        return false;
    Unregister(*root);
    documents_.erase(root);
    return true;
}

XmlNode* XmlStore::AddChild(XmlNode& parent, std::wstring name)
{
    Lock guard(lock_);
    if (DepthOf(parent) >= kMaxXmlDepth)
        return nullptr;
    auto child = std::make_unique<XmlNode>();
    child->name = std::move(name);
    XmlNode* node = child.get();
    nodes_.insert(node);
    try {
        AppendChild(parent, std::move(child));
    } catch (...) {
        nodes_.erase(node);
        throw;
    }
    return node;
}

XmlNode* XmlStore::Node(HANDLE handle) noexcept
{
    if (!handle)
        return nullptr;
    Lock guard(lock_);
    auto* node = static_cast<XmlNode*>(handle);
    if (nodes_.count(node) == 0) {
        ++invalidHandles_;
        return nullptr;
    }
    return node;
}

XmlNode* XmlStore::Document(HANDLE handle) noexcept
{
    if (!handle)
        return nullptr;
    Lock guard(lock_);
    auto* node = static_cast<const XmlNode*>(handle);
    const auto found = documents_.find(node);
    if (found == documents_.end()) {
        ++invalidHandles_;
        return nullptr;
    }
    return found->second.get();
}

int XmlStore::OpenDocuments() noexcept
{
    Lock guard(lock_);
    return static_cast<int>(documents_.size());
}

int XmlStore::FreeAll() noexcept
{
    Lock guard(lock_);
    const int freed = static_cast<int>(documents_.size());
    nodes_.clear();
    documents_.clear();
    return freed;
}

int XmlStore::InvalidHandles() noexcept
{
    Lock guard(lock_);
    return invalidHandles_;
}

void XmlStore::ResetInvalidHandles() noexcept
{
    Lock guard(lock_);
    invalidHandles_ = 0;
}

int HostTestbedOpenDocuments() { return XmlStore::Get().OpenDocuments(); }

int HostTestbedInvalidHandleCalls() { return XmlStore::Get().InvalidHandles(); }

int HostTestbedFreeOpenDocuments() { return XmlStore::Get().FreeAll(); }
