// FakeXmlHost: a small in-memory stand-in for the host's configuration and
// XML services, for driving settings persistence call by call. Documents are
// trees of FakeNode; a node pointer is the handle the plug-in sees, and a
// document is its root node. "Files" are documents kept by path. Every call is
// logged in a compact form ("XMLGetNodeNameW c1 1024"), nodes named by
// position: "doc" for the root, "c1", "c2", ... for its children.
//
// One instance at a time is active; the services reach it through a global.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_file_services.h"

struct FakeNode {
    std::wstring name;
    std::wstring value;
    BOOL boolValue = 0;
    FakeNode* parent = nullptr;
    std::vector<std::unique_ptr<FakeNode>> children;

    FakeNode& Add(const std::wstring& childName, const std::wstring& text = {});
    FakeNode& AddBool(const std::wstring& childName, BOOL flag);
    std::unique_ptr<FakeNode> Clone() const;
};

class FakeXmlHost {
public:
    FakeXmlHost();
    ~FakeXmlHost();
    FakeXmlHost(const FakeXmlHost&) = delete;
    FakeXmlHost& operator=(const FakeXmlHost&) = delete;

    // A table with the 15 services the plug-in calls, all other slots null.
    SettingsFileServices Services() const;

    // The settings file the plug-in will look for with the default folder.
    static constexpr const wchar_t* kFilePath = L"C:\\Cfg\\DVP_QPV.oxc";
    // Stores a document named "DVP_QPV" at kFilePath and returns its root.
    FakeNode& StoreSettingsFile(const std::wstring& rootName = L"DVP_QPV");

    // Makes a call fail (FALSE or null): the nth call from now on, or every
    // call when nth is 0. The value service fails separately for its size
    // query ("XMLGetNodeValueW size") and its read ("XMLGetNodeValueW read").
    void Fail(const std::string& call, int nth = 0);

    // --- Configuration service
    std::wstring configFolder = L"C:\\Cfg";
    bool configUnterminated = false;  // fills all 260 characters, no NUL

    // --- Misbehaviour of the write services
    bool renameAnswersZero = false;  // XMLSetNodeNameW renames, then answers 0

    // --- Misbehaviour of the read services
    std::optional<int> reportedSize;     // size query answer instead of the true one
    int extraSize = 0;                   // added to the true size
    bool valueWithoutTerminator = false;  // a value read fills the capacity, no NUL
    bool nameWithoutTerminator = false;   // a name read fills the capacity, no NUL
    std::optional<int> capacityAfterRead;  // written to *capacity after each read

    // --- What the plug-in did
    std::map<std::wstring, std::unique_ptr<FakeNode>> files;
    std::vector<std::wstring> calls;
    std::vector<int*> capacityAddresses;  // every name or value read with a buffer
    std::vector<int> capacitiesPassed;
    std::vector<int*> sizeAddresses;  // every size query
    std::vector<std::unique_ptr<FakeNode>> documents;  // every document handed out
    std::map<const FakeNode*, int> freeCount;

    // True when every document handed out was freed exactly once.
    bool EveryDocumentFreedOnce() const;

    // Internal: counts the call and answers whether it is to fail.
    bool ShouldFail(const std::string& call);
    static FakeXmlHost& Active();

private:
    std::map<std::string, int> failAt_;  // call -> nth (0 = every)
    std::map<std::string, int> counts_;
};

// The names of the children of a document, in order, and their values.
std::vector<std::wstring> ChildNames(const FakeNode& root);
std::vector<std::wstring> ChildValues(const FakeNode& root, const std::wstring& name);
