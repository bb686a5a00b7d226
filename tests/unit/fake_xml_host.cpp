// The services of FakeXmlHost, as plain WINAPI functions in a table.
#include "tests/unit/fake_xml_host.h"

#include <algorithm>
#include <cwchar>

namespace {

FakeXmlHost* g_active = nullptr;

FakeNode* NodeOf(HANDLE handle) { return static_cast<FakeNode*>(handle); }

std::wstring Label(const FakeNode* node)
{
    if (!node)
        return L"null";
    if (!node->parent)
        return L"doc";
    const auto& siblings = node->parent->children;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == node)
            return L"c" + std::to_wstring(i + 1);
    return L"?";
}

void Log(const std::wstring& entry) { FakeXmlHost::Active().calls.push_back(entry); }

HANDLE HandOut(std::unique_ptr<FakeNode> document)
{
    FakeNode* raw = document.get();
    FakeXmlHost::Active().documents.push_back(std::move(document));
    return raw;
}

// Copies text into a buffer the way the host would, or misbehaves on request.
BOOL CopyOut(const std::wstring& text, LPWSTR buffer, int* capacity, bool withoutTerminator)
{
    FakeXmlHost& host = FakeXmlHost::Active();
    host.capacityAddresses.push_back(capacity);
    host.capacitiesPassed.push_back(*capacity);
    if (withoutTerminator) {
        std::fill(buffer, buffer + *capacity, L'x');
    } else {
        if (*capacity < static_cast<int>(text.size()) + 1)
            return FALSE;
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = L'\0';
    }
    if (host.capacityAfterRead)
        *capacity = *host.capacityAfterRead;
    return TRUE;
}

BOOL WINAPI FakeGetConfigPathW(int which, LPWSTR buffer, UINT capacity)
{
    FakeXmlHost& host = FakeXmlHost::Active();
    Log(L"GetConfigPathW " + std::to_wstring(which) + L" " + std::to_wstring(capacity));
    if (host.ShouldFail("GetConfigPathW"))
        return FALSE;
    if (host.configUnterminated) {
        std::fill(buffer, buffer + capacity, L'c');
        return TRUE;
    }
    wcsncpy(buffer, host.configFolder.c_str(), capacity);
    return TRUE;
}

HANDLE WINAPI FakeXMLLoadFileW(LPCWSTR path)
{
    FakeXmlHost& host = FakeXmlHost::Active();
    Log(std::wstring(L"XMLLoadFileW ") + path);
    auto file = host.files.find(path);
    if (host.ShouldFail("XMLLoadFileW") || file == host.files.end())
        return nullptr;
    return HandOut(file->second->Clone());
}

BOOL WINAPI FakeXMLSaveFileW(HANDLE document, LPCWSTR path)
{
    FakeXmlHost& host = FakeXmlHost::Active();
    Log(L"XMLSaveFileW " + Label(NodeOf(document)) + L" " + path);
    if (host.ShouldFail("XMLSaveFileW"))
        return FALSE;
    host.files[path] = NodeOf(document)->Clone();
    return TRUE;
}

HANDLE WINAPI FakeXMLCreateFile()
{
    Log(L"XMLCreateFile");
    if (FakeXmlHost::Active().ShouldFail("XMLCreateFile"))
        return nullptr;
    return HandOut(std::make_unique<FakeNode>());
}

BOOL WINAPI FakeXMLFreeFile(HANDLE document)
{
    Log(L"XMLFreeFile " + Label(NodeOf(document)));
    // Documents stay allocated, so a second free is counted, not a crash.
    ++FakeXmlHost::Active().freeCount[NodeOf(document)];
    return TRUE;
}

HANDLE WINAPI FakeXMLAddChildNodeW(HANDLE parent, LPCWSTR name)
{
    Log(L"XMLAddChildNodeW " + Label(NodeOf(parent)) + L" " + name);
    if (FakeXmlHost::Active().ShouldFail("XMLAddChildNodeW"))
        return nullptr;
    return &NodeOf(parent)->Add(name);
}

HANDLE WINAPI FakeXMLFirstChildNode(HANDLE node)
{
    Log(L"XMLFirstChildNode " + Label(NodeOf(node)));
    FakeNode* parent = NodeOf(node);
    if (FakeXmlHost::Active().ShouldFail("XMLFirstChildNode") || parent->children.empty())
        return nullptr;
    return parent->children.front().get();
}

HANDLE WINAPI FakeXMLNextNode(HANDLE node)
{
    Log(L"XMLNextNode " + Label(NodeOf(node)));
    FakeNode* current = NodeOf(node);
    if (FakeXmlHost::Active().ShouldFail("XMLNextNode") || !current->parent)
        return nullptr;
    const auto& siblings = current->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == current)
            return siblings[i + 1].get();
    return nullptr;
}

BOOL WINAPI FakeXMLGetNodeNameW(HANDLE node, LPWSTR buffer, int* capacity)
{
    FakeXmlHost& host = FakeXmlHost::Active();
    Log(L"XMLGetNodeNameW " + Label(NodeOf(node)) + L" " + std::to_wstring(*capacity));
    if (host.ShouldFail("XMLGetNodeNameW"))
        return FALSE;
    return CopyOut(NodeOf(node)->name, buffer, capacity, host.nameWithoutTerminator);
}

BOOL WINAPI FakeXMLSetNodeNameW(HANDLE node, LPCWSTR name)
{
    Log(L"XMLSetNodeNameW " + Label(NodeOf(node)) + L" " + name);
    if (FakeXmlHost::Active().ShouldFail("XMLSetNodeNameW"))
        return FALSE;
    NodeOf(node)->name = name;
    return FakeXmlHost::Active().renameAnswersZero ? FALSE : TRUE;
}

BOOL WINAPI FakeXMLGetNodeValueW(HANDLE node, LPWSTR buffer, int* capacity)
{
    FakeXmlHost& host = FakeXmlHost::Active();
    const std::wstring& value = NodeOf(node)->value;
    if (!buffer) {
        Log(L"XMLGetNodeValueW " + Label(NodeOf(node)) + L" size");
        host.sizeAddresses.push_back(capacity);
        if (host.ShouldFail("XMLGetNodeValueW size"))
            return FALSE;
        *capacity = host.reportedSize.value_or(static_cast<int>(value.size()) + 1 + host.extraSize);
        return TRUE;
    }
    Log(L"XMLGetNodeValueW " + Label(NodeOf(node)) + L" " + std::to_wstring(*capacity));
    if (host.ShouldFail("XMLGetNodeValueW read"))
        return FALSE;
    return CopyOut(value, buffer, capacity, host.valueWithoutTerminator);
}

BOOL WINAPI FakeXMLSetNodeValueW(HANDLE node, LPCWSTR text)
{
    Log(L"XMLSetNodeValueW " + Label(NodeOf(node)) + L" " + text);
    if (FakeXmlHost::Active().ShouldFail("XMLSetNodeValueW"))
        return FALSE;
    NodeOf(node)->value = text;
    return TRUE;
}

BOOL WINAPI FakeXMLGetNodeBoolValue(HANDLE node, BOOL* value)
{
    Log(L"XMLGetNodeBoolValue " + Label(NodeOf(node)));
    if (FakeXmlHost::Active().ShouldFail("XMLGetNodeBoolValue"))
        return FALSE;
    *value = NodeOf(node)->boolValue;
    return TRUE;
}

BOOL WINAPI FakeXMLSetNodeBoolValue(HANDLE node, BOOL value)
{
    Log(L"XMLSetNodeBoolValue " + Label(NodeOf(node)) + L" " + std::to_wstring(value));
    if (FakeXmlHost::Active().ShouldFail("XMLSetNodeBoolValue"))
        return FALSE;
    NodeOf(node)->boolValue = value;
    return TRUE;
}

}  // namespace

FakeNode& FakeNode::Add(const std::wstring& childName, const std::wstring& text)
{
    auto child = std::make_unique<FakeNode>();
    child->name = childName;
    child->value = text;
    child->parent = this;
    children.push_back(std::move(child));
    return *children.back();
}

FakeNode& FakeNode::AddBool(const std::wstring& childName, BOOL flag)
{
    FakeNode& child = Add(childName);
    child.boolValue = flag;
    return child;
}

std::unique_ptr<FakeNode> FakeNode::Clone() const
{
    auto copy = std::make_unique<FakeNode>();
    copy->name = name;
    copy->value = value;
    copy->boolValue = boolValue;
    for (const auto& child : children) {
        copy->children.push_back(child->Clone());
        copy->children.back()->parent = copy.get();
    }
    return copy;
}

FakeXmlHost::FakeXmlHost() { g_active = this; }

FakeXmlHost::~FakeXmlHost() { g_active = nullptr; }

FakeXmlHost& FakeXmlHost::Active() { return *g_active; }

SettingsFileServices FakeXmlHost::Services() const
{
    SettingsFileServices services;
    services.GetConfigPathW = &FakeGetConfigPathW;
    services.XMLLoadFileW = &FakeXMLLoadFileW;
    services.XMLSaveFileW = &FakeXMLSaveFileW;
    services.XMLCreateFile = &FakeXMLCreateFile;
    services.XMLFreeFile = &FakeXMLFreeFile;
    services.XMLAddChildNodeW = &FakeXMLAddChildNodeW;
    services.XMLFirstChildNode = &FakeXMLFirstChildNode;
    services.XMLNextNode = &FakeXMLNextNode;
    services.XMLGetNodeNameW = &FakeXMLGetNodeNameW;
    services.XMLSetNodeNameW = &FakeXMLSetNodeNameW;
    services.XMLGetNodeValueW = &FakeXMLGetNodeValueW;
    services.XMLSetNodeValueW = &FakeXMLSetNodeValueW;
    services.XMLGetNodeBoolValue = &FakeXMLGetNodeBoolValue;
    services.XMLSetNodeBoolValue = &FakeXMLSetNodeBoolValue;
    return services;
}

FakeNode& FakeXmlHost::StoreSettingsFile(const std::wstring& rootName)
{
    auto root = std::make_unique<FakeNode>();
    root->name = rootName;
    FakeNode& stored = *root;
    files[kFilePath] = std::move(root);
    return stored;
}

void FakeXmlHost::Fail(const std::string& call, int nth)
{
    failAt_[call] = nth == 0 ? 0 : counts_[call] + nth;
}

bool FakeXmlHost::ShouldFail(const std::string& call)
{
    const int count = ++counts_[call];
    auto rule = failAt_.find(call);
    return rule != failAt_.end() && (rule->second == 0 || rule->second == count);
}

bool FakeXmlHost::EveryDocumentFreedOnce() const
{
    for (const auto& document : documents) {
        auto freed = freeCount.find(document.get());
        if (freed == freeCount.end() || freed->second != 1)
            return false;
    }
    return freeCount.size() == documents.size();
}

std::vector<std::wstring> ChildNames(const FakeNode& root)
{
    std::vector<std::wstring> names;
    for (const auto& child : root.children)
        names.push_back(child->name);
    return names;
}

std::vector<std::wstring> ChildValues(const FakeNode& root, const std::wstring& name)
{
    std::vector<std::wstring> values;
    for (const auto& child : root.children)
        if (child->name == name)
            values.push_back(child->value);
    return values;
}
