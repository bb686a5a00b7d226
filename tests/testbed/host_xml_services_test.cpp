// The stand-in host's exported services, reached the way the plug-in reaches
// them: bound by name from this dopus.exe. What is
// checked is the contract the settings code relies on: a document handle is
// its root, children keep their order across a save and a load, the size
// query counts the terminator, a short buffer fails without lying about its
// capacity, bad files do not load, and a failed save leaves the old file.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "plugin/host_services.h"
#include "testbed/host/config_services.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/xml_services.h"
#include "tests/support/test_files.h"

// The stand-in declares its services from the contract; the plug-in's
// declarations of them must agree.
static_assert(std::is_same_v<decltype(&GetProgramDirW), GetProgramDirWFn>);
static_assert(std::is_same_v<decltype(&GetConfigPathW), GetConfigPathWFn>);
static_assert(std::is_same_v<decltype(&XMLLoadFileW), XmlLoadFileWFn>);
static_assert(std::is_same_v<decltype(&XMLSaveFileW), XmlSaveFileWFn>);
static_assert(std::is_same_v<decltype(&XMLCreateFile), XmlCreateFileFn>);
static_assert(std::is_same_v<decltype(&XMLFreeFile), XmlFreeFileFn>);
static_assert(std::is_same_v<decltype(&XMLAddChildNodeW), XmlAddChildNodeWFn>);
static_assert(std::is_same_v<decltype(&XMLFirstChildNode), XmlFirstChildNodeFn>);
static_assert(std::is_same_v<decltype(&XMLNextNode), XmlNextNodeFn>);
static_assert(std::is_same_v<decltype(&XMLGetNodeNameW), XmlGetNodeNameWFn>);
static_assert(std::is_same_v<decltype(&XMLSetNodeNameW), XmlSetNodeNameWFn>);
static_assert(std::is_same_v<decltype(&XMLGetNodeValueW), XmlGetNodeValueWFn>);
static_assert(std::is_same_v<decltype(&XMLSetNodeValueW), XmlSetNodeValueWFn>);
static_assert(std::is_same_v<decltype(&XMLGetNodeBoolValue), XmlGetNodeBoolValueFn>);
static_assert(std::is_same_v<decltype(&XMLSetNodeBoolValue), XmlSetNodeBoolValueFn>);

namespace {

// A service bound by name from this executable, as the plug-in binds it.
template <typename Fn>
Fn Bound(const char* name)
{
    return BindExport<Fn>(GetModuleHandleW(nullptr), name);
}
#define BOUND(service) Bound<decltype(&service)>(#service)

// The names of the files in a folder.
std::vector<std::wstring> FileNames(const ScratchFolder& folder)
{
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().wstring());
    return names;
}

class HostXmlServices : public testing::Test {
protected:
    ScratchFolder folder;

    XmlLoadFileWFn Load = BOUND(XMLLoadFileW);
    XmlSaveFileWFn Save = BOUND(XMLSaveFileW);
    XmlCreateFileFn Create = BOUND(XMLCreateFile);
    XmlFreeFileFn Free = BOUND(XMLFreeFile);
    XmlAddChildNodeWFn AddChild = BOUND(XMLAddChildNodeW);
    XmlFirstChildNodeFn FirstChild = BOUND(XMLFirstChildNode);
    XmlNextNodeFn Next = BOUND(XMLNextNode);
    XmlGetNodeNameWFn GetName = BOUND(XMLGetNodeNameW);
    XmlSetNodeNameWFn SetName = BOUND(XMLSetNodeNameW);
    XmlGetNodeValueWFn GetValue = BOUND(XMLGetNodeValueW);
    XmlSetNodeValueWFn SetValue = BOUND(XMLSetNodeValueW);
    XmlGetNodeBoolValueFn GetBool = BOUND(XMLGetNodeBoolValue);
    XmlSetNodeBoolValueFn SetBool = BOUND(XMLSetNodeBoolValue);

    void SetUp() override
    {
        HostTestbedReset();
        ASSERT_TRUE(Load && Save && Create && Free && AddChild && FirstChild && Next && GetName && SetName &&
                    GetValue && SetValue && GetBool && SetBool);
    }

    // Reads a name or value the way the settings code does: size query,
    // then a buffer of exactly that size.
    std::wstring Text(XmlGetNodeValueWFn read, HANDLE node)
    {
        int size = 0;
        if (!read(node, nullptr, &size) || size <= 0)
            return L"<size query failed>";
        std::wstring text(static_cast<size_t>(size), L'#');
        if (!read(node, text.data(), &size))
            return L"<read failed>";
        EXPECT_EQ(text.back(), L'\0');
        text.resize(static_cast<size_t>(size) - 1);
        return text;
    }
    std::wstring Name(HANDLE node) { return Text(GetName, node); }
    std::wstring Value(HANDLE node) { return Text(GetValue, node); }

    // The children's names and values, in document order.
    std::vector<std::pair<std::wstring, std::wstring>> Children(HANDLE node)
    {
        std::vector<std::pair<std::wstring, std::wstring>> children;
        for (HANDLE child = FirstChild(node); child; child = Next(child))
            children.emplace_back(Name(child), Value(child));
        return children;
    }
};

TEST_F(HostXmlServices, ExportsEveryNameTheTableBinds)
{
    for (const char* name : kHostServiceNames)
        EXPECT_NE(Bound<RawProc>(name), nullptr) << name;
    EXPECT_EQ(HostTestbedCallCount("XMLLoadFileW"), 0);
    EXPECT_EQ(HostTestbedCallCount("NoSuchService"), -1);
}

TEST_F(HostXmlServices, StubsAnswerZeroAndAreCounted)
{
    using NoArguments = INT_PTR(WINAPI*)();
    auto stub = Bound<NoArguments>("CalcCRC32");
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(stub(), 0);
    EXPECT_EQ(HostTestbedCallCount("CalcCRC32"), 1);
    EXPECT_EQ(HostTestbedStubCallCount(), 1);
}

TEST_F(HostXmlServices, DocumentHandleIsItsRootNode)
{
    HANDLE document = Create();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(Name(document), L"root");
    EXPECT_EQ(FirstChild(document), nullptr);

    EXPECT_TRUE(SetName(document, L"DVP_QPV"));
    EXPECT_EQ(Name(document), L"DVP_QPV");
    HANDLE child = AddChild(document, L"ExcludedExtension");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(FirstChild(document), child);
    EXPECT_EQ(Next(document), nullptr);  // a root has no siblings
    EXPECT_EQ(Next(child), nullptr);
    EXPECT_TRUE(Free(document));
}

TEST_F(HostXmlServices, SavedDocumentLoadsBackWithChildrenInOrder)
{
    const std::wstring longValue(2000, L'x');
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"ExcludedExtension", L".jpg"},
        {L"ExcludedExtension", L".tga "},           // trailing space kept
        {L"ExcludedExtension", L""},                // empty value
        {L"ExcludedExtension", L"PNG"},
        {L"ExcludedExtension", longValue},
        {L"ExcludedExtension", L"a<b&c>\"'"},       // markup characters escaped
        {L"ExcludedExtension", L"one\r\ntwo\rthree\tfour"},  // line breaks and tab as given
        {L"ExcludedExtension", L" "},               // whitespace only
        {L"ExcludedExtension", L"\u00e9\u20ac\U0001D11E"},
        {L"Other", L"skipped by the plug-in, kept by the host"},
    };
    HANDLE document = Create();
    ASSERT_NE(document, nullptr);
    SetName(document, L"DVP_QPV");
    for (const auto& [name, value] : rows) {
        HANDLE child = AddChild(document, name.c_str());
        ASSERT_NE(child, nullptr) << name;
        ASSERT_TRUE(SetValue(child, value.c_str())) << name;
    }
    HANDLE on = AddChild(document, L"UseQPVForStreams");
    HANDLE off = AddChild(document, L"UseQPVForStreams");
    ASSERT_TRUE(SetBool(on, 7));
    ASSERT_TRUE(SetBool(off, FALSE));
    const std::wstring path = folder.file(L"DVP_QPV.oxc");
    ASSERT_TRUE(Save(document, path.c_str()));
    EXPECT_TRUE(Free(document));

    HANDLE loaded = Load(path.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Name(loaded), L"DVP_QPV");
    std::vector<std::pair<std::wstring, std::wstring>> expected = rows;
    expected.emplace_back(L"UseQPVForStreams", L"true");
    expected.emplace_back(L"UseQPVForStreams", L"false");
    EXPECT_EQ(Children(loaded), expected);

    HANDLE last = nullptr;
    for (HANDLE child = FirstChild(loaded); child; child = Next(child))
        last = child;
    BOOL value = TRUE;
    EXPECT_TRUE(GetBool(last, &value));
    EXPECT_EQ(value, FALSE);
    EXPECT_TRUE(Free(loaded));
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
}

TEST_F(HostXmlServices, SizeQueryCountsTheTerminatorAndShortBuffersFail)
{
    HANDLE document = Create();
    HANDLE child = AddChild(document, L"Name");
    ASSERT_TRUE(SetValue(child, L"abc"));

    int size = 0;
    EXPECT_TRUE(GetValue(child, nullptr, &size));
    EXPECT_EQ(size, 4);
    EXPECT_TRUE(GetName(child, nullptr, &size));
    EXPECT_EQ(size, 5);

    wchar_t buffer[8] = {L'#', L'#', L'#', L'#', L'#', L'#', L'#', L'#'};
    int capacity = 3;
    EXPECT_FALSE(GetValue(child, buffer, &capacity));
    EXPECT_EQ(capacity, 3);  // still describes the caller's buffer
    EXPECT_EQ(buffer[0], L'#');
    capacity = 4;
    EXPECT_FALSE(GetName(child, buffer, &capacity));
    EXPECT_EQ(capacity, 4);
    EXPECT_TRUE(GetValue(child, buffer, &capacity));
    EXPECT_STREQ(buffer, L"abc");
    EXPECT_EQ(capacity, 4);

    EXPECT_FALSE(GetValue(child, buffer, nullptr));
    HANDLE empty = AddChild(document, L"Empty");
    EXPECT_TRUE(GetValue(empty, nullptr, &size));
    EXPECT_EQ(size, 1);
    Free(document);
}

TEST_F(HostXmlServices, LongValueNeedsTheQueriedSize)
{
    HANDLE document = Create();
    HANDLE child = AddChild(document, L"ExcludedExtension");
    const std::wstring longValue(2000, L'q');
    ASSERT_TRUE(SetValue(child, longValue.c_str()));

    std::vector<wchar_t> buffer(1024);
    int capacity = 1024;
    EXPECT_FALSE(GetValue(child, buffer.data(), &capacity));
    EXPECT_EQ(capacity, 1024);
    int size = 0;
    ASSERT_TRUE(GetValue(child, nullptr, &size));
    EXPECT_EQ(size, 2001);
    buffer.assign(static_cast<size_t>(size), L'#');
    EXPECT_TRUE(GetValue(child, buffer.data(), &size));
    EXPECT_EQ(std::wstring(buffer.data()), longValue);
    Free(document);
}

TEST_F(HostXmlServices, BoolValuesReadTheSpellingsThatMeanTrueOrFalse)
{
    struct Case {
        const wchar_t* text;
        BOOL read;
        BOOL value;
    };
    const Case cases[] = {
        {L"true", TRUE, TRUE},   {L"false", TRUE, FALSE}, {L"1", TRUE, TRUE},      {L"0", TRUE, FALSE},
        {L"TRUE", TRUE, TRUE},   {L"False", TRUE, FALSE}, {L" true\n", TRUE, TRUE}, {L"yes", FALSE, 0},
        {L"2", FALSE, 0},        {L"", FALSE, 0},         {L"truex", FALSE, 0},
    };
    HANDLE document = Create();
    HANDLE child = AddChild(document, L"Flag");
    for (const Case& c : cases) {
        ASSERT_TRUE(SetValue(child, c.text));
        BOOL value = 99;
        EXPECT_EQ(GetBool(child, &value), c.read) << c.text;
        EXPECT_EQ(value, c.read ? c.value : 99) << c.text;
    }
    EXPECT_FALSE(GetBool(child, nullptr));
    ASSERT_TRUE(SetBool(child, -1));
    EXPECT_EQ(Value(child), L"true");
    ASSERT_TRUE(SetBool(child, 0));
    EXPECT_EQ(Value(child), L"false");
    Free(document);
}

TEST_F(HostXmlServices, LoadRefusesWhatIsNotAWellFormedDocument)
{
    struct Case {
        const char* label;
        const char* bytes;  // null: no such file
    };
    const Case cases[] = {
        {"missing", nullptr},
        {"empty", ""},
        {"plain text", "ExcludedExtension=.jpg\r\n"},
        {"declaration only", "<?xml version=\"1.0\"?>\n"},
        {"root never closed", "<DVP_QPV><ExcludedExtension>.jpg</ExcludedExtension>"},
        {"cut off in text", "<DVP_QPV><ExcludedExtension>.jp"},
        {"cut off in a tag", "<DVP_QPV><ExcludedExtension>.jpg</Exc"},
        {"two roots", "<a/><b/>"},
        {"undefined entity", "<a>&nope;</a>"},
        {"mismatched tags", "<a><b></a></b>"},
        {"binary", "\x89PNG\r\n\x1a\n\0\0\0"},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder.file(L"case.oxc");
        DeleteFileW(path.c_str());
        if (c.bytes)
            WriteFileBytes(path, c.bytes);
        EXPECT_EQ(Load(path.c_str()), nullptr) << c.label;
    }
    EXPECT_EQ(Load(folder.path().c_str()), nullptr) << "a folder";
    EXPECT_EQ(Load(nullptr), nullptr);
    EXPECT_EQ(Load(L""), nullptr);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
}

TEST_F(HostXmlServices, LoadRefusesEveryTruncationOfASavedFile)
{
    HANDLE document = Create();
    SetName(document, L"DVP_QPV");
    SetValue(AddChild(document, L"ExcludedExtension"), L".jpg");
    SetValue(AddChild(document, L"ExcludedExtension"), L"");
    SetBool(AddChild(document, L"UseQPVForStreams"), TRUE);
    const std::wstring path = folder.file(L"whole.oxc");
    ASSERT_TRUE(Save(document, path.c_str()));
    Free(document);
    const std::string whole = ReadFileText(path);
    const size_t rootEnd = whole.rfind("</DVP_QPV>");
    ASSERT_NE(rootEnd, std::string::npos);

    // A file cut off anywhere before its root's end tag is complete.
    const std::wstring cut = folder.file(L"cut.oxc");
    for (size_t length = 0; length < rootEnd + 10; ++length) {
        WriteFileBytes(cut, whole.substr(0, length));
        HANDLE loaded = Load(cut.c_str());
        EXPECT_EQ(loaded, nullptr) << "cut after " << length << " bytes: " << whole.substr(0, length);
        if (loaded)
            Free(loaded);
    }
    HANDLE loaded = Load(path.c_str());
    EXPECT_NE(loaded, nullptr);
    Free(loaded);
}

TEST_F(HostXmlServices, LoadKeepsTextAndDropsIndentationCommentsAndAttributes)
{
    const std::wstring path = folder.file(L"hand.oxc");
    WriteFileBytes(path,
               "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
               "<!-- written by hand -->\r\n"
               "<DVP_QPV version=\"2\">\r\n"
               "    <ExcludedExtension>.jpg</ExcludedExtension>\r\n"
               "    <ExcludedExtension><![CDATA[.a<b]]></ExcludedExtension>\r\n"
               "    <ExcludedExtension/>\r\n"
               "    <Group><Inner>x</Inner></Group>\r\n"
               "    <UseQPVForStreams>0</UseQPVForStreams>\r\n"
               "</DVP_QPV>\r\n");
    HANDLE document = Load(path.c_str());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(Name(document), L"DVP_QPV");
    EXPECT_EQ(Value(document), L"");
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"ExcludedExtension", L".jpg"}, {L"ExcludedExtension", L".a<b"}, {L"ExcludedExtension", L""},
        {L"Group", L""},                 {L"UseQPVForStreams", L"0"},
    };
    EXPECT_EQ(Children(document), expected);
    HANDLE group = Next(Next(Next(FirstChild(document))));
    EXPECT_EQ(Children(group), (std::vector<std::pair<std::wstring, std::wstring>>{{L"Inner", L"x"}}));
    Free(document);
}

TEST_F(HostXmlServices, SavedFileIsIndentedUtf8WithADeclaration)
{
    HANDLE document = Create();
    SetName(document, L"DVP_QPV");
    SetValue(AddChild(document, L"ExcludedExtension"), L".j\u00e9g");
    SetBool(AddChild(document, L"UseQPVForStreams"), TRUE);
    const std::wstring path = folder.file(L"DVP_QPV.oxc");
    ASSERT_TRUE(Save(document, path.c_str()));
    Free(document);

    std::string bytes = ReadFileText(path);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("<DVP_QPV>"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\n  <ExcludedExtension>.j\xC3\xA9g</ExcludedExtension>"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\n  <UseQPVForStreams>true</UseQPVForStreams>"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("</DVP_QPV>"), std::string::npos) << bytes;
    EXPECT_EQ(FileNames(folder), std::vector<std::wstring>{L"DVP_QPV.oxc"});  // no temporary left
}

TEST_F(HostXmlServices, FailedSaveLeavesTheExistingFileIntact)
{
    const std::wstring path = folder.file(L"DVP_QPV.oxc");
    const std::string original = "<?xml version=\"1.0\"?><DVP_QPV><ExcludedExtension>.old</ExcludedExtension></DVP_QPV>";
    HANDLE document = Create();
    SetName(document, L"DVP_QPV");
    SetValue(AddChild(document, L"ExcludedExtension"), L".new");

    // The target folder does not exist.
    EXPECT_FALSE(Save(document, (folder.file(L"missing\\DVP_QPV.oxc")).c_str()));

    // The target is read-only: it cannot be replaced.
    WriteFileBytes(path, original);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(Save(document, path.c_str()));
    EXPECT_EQ(ReadFileText(path), original);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // The target is held open by someone who does not share it.
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Save(document, path.c_str()));
    CloseHandle(holder);
    EXPECT_EQ(ReadFileText(path), original);

    // The host's save fails outright.
    HostTestbedFailSave();
    EXPECT_FALSE(Save(document, path.c_str()));
    EXPECT_EQ(ReadFileText(path), original);
    EXPECT_EQ(FileNames(folder), std::vector<std::wstring>{L"DVP_QPV.oxc"});

    // And once it may, the file is replaced as a whole.
    HostTestbedStopFailing("XMLSaveFileW");
    EXPECT_TRUE(Save(document, path.c_str()));
    EXPECT_NE(ReadFileText(path).find(".new"), std::string::npos);
    EXPECT_EQ(ReadFileText(path).find(".old"), std::string::npos);
    EXPECT_EQ(FileNames(folder), std::vector<std::wstring>{L"DVP_QPV.oxc"});
    Free(document);
}

TEST_F(HostXmlServices, RefusesNamesAndTextThatXmlCannotCarry)
{
    HANDLE document = Create();
    for (const wchar_t* name : {L"", L"1st", L"a b", L"a:b", L"<x>", L"a/b"}) {
        EXPECT_EQ(AddChild(document, name), nullptr) << name;
        EXPECT_FALSE(SetName(document, name)) << name;
    }
    EXPECT_EQ(AddChild(document, nullptr), nullptr);
    EXPECT_FALSE(SetName(document, nullptr));
    EXPECT_EQ(Name(document), L"root");
    for (const wchar_t* name : {L"_a", L"a-b.c9", L"\u00c4\u00d6"})
        EXPECT_NE(AddChild(document, name), nullptr) << name;

    HANDLE child = FirstChild(document);
    ASSERT_TRUE(SetValue(child, L"kept"));
    for (const wchar_t* text : {L"\x01", L"a\x1Fz", L"\xD800", L"x\xDC00", L"\xFFFE"})
        EXPECT_FALSE(SetValue(child, text));
    EXPECT_FALSE(SetValue(child, nullptr));
    EXPECT_EQ(Value(child), L"kept");
    Free(document);
}

TEST_F(HostXmlServices, NullAndStaleHandlesAreRefusedNotFollowed)
{
    int size = 0;
    BOOL value = FALSE;
    wchar_t buffer[16] = {};
    int capacity = 16;
    EXPECT_EQ(FirstChild(nullptr), nullptr);
    EXPECT_EQ(Next(nullptr), nullptr);
    EXPECT_EQ(AddChild(nullptr, L"a"), nullptr);
    EXPECT_FALSE(GetName(nullptr, buffer, &capacity));
    EXPECT_FALSE(SetName(nullptr, L"a"));
    EXPECT_FALSE(GetValue(nullptr, nullptr, &size));
    EXPECT_FALSE(SetValue(nullptr, L"a"));
    EXPECT_FALSE(GetBool(nullptr, &value));
    EXPECT_FALSE(SetBool(nullptr, TRUE));
    EXPECT_FALSE(Save(nullptr, (folder.file(L"x.oxc")).c_str()));
    EXPECT_FALSE(Free(nullptr));
    EXPECT_EQ(HostTestbedInvalidHandleCalls(), 0);

    HANDLE document = Create();
    HANDLE child = AddChild(document, L"Child");
    EXPECT_FALSE(Free(child));  // a node is not a document
    EXPECT_EQ(HostTestbedOpenDocuments(), 1);
    EXPECT_TRUE(Free(document));
    EXPECT_FALSE(Free(document));  // freed twice
    EXPECT_EQ(FirstChild(document), nullptr);
    EXPECT_FALSE(GetName(child, buffer, &capacity));
    EXPECT_FALSE(SetValue(child, L"late"));
    EXPECT_EQ(Next(child), nullptr);
    EXPECT_EQ(HostTestbedInvalidHandleCalls(), 6);
}

TEST_F(HostXmlServices, CountsDocumentsCreatedOrLoadedUntilFreed)
{
    const std::wstring path = folder.file(L"doc.oxc");
    WriteFileBytes(path, "<DVP_QPV/>");
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
    HANDLE created = Create();
    HANDLE loaded = Load(path.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Load((folder.file(L"none.oxc")).c_str()), nullptr);
    EXPECT_EQ(HostTestbedOpenDocuments(), 2);
    Free(created);
    EXPECT_EQ(HostTestbedOpenDocuments(), 1);
    Free(loaded);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
    EXPECT_EQ(HostTestbedCallCount("XMLLoadFileW"), 2);
    EXPECT_EQ(HostTestbedCallCount("XMLFreeFile"), 2);
}

TEST_F(HostXmlServices, InjectedFailureHitsTheChosenCallOrEveryCall)
{
    HANDLE document = Create();
    ASSERT_TRUE(HostTestbedFailService("XMLAddChildNodeW", 2));
    EXPECT_NE(AddChild(document, L"a"), nullptr);
    EXPECT_EQ(AddChild(document, L"b"), nullptr);
    EXPECT_NE(AddChild(document, L"c"), nullptr);
    EXPECT_EQ(Children(document).size(), 2u);

    ASSERT_TRUE(HostTestbedFailService("XMLSetNodeValueW", 1));
    EXPECT_FALSE(SetValue(FirstChild(document), L"x"));
    EXPECT_TRUE(SetValue(FirstChild(document), L"x"));

    ASSERT_TRUE(HostTestbedFailService("XMLCreateFile"));
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(HostTestbedOpenDocuments(), 1);
    HostTestbedStopFailing("XMLCreateFile");
    HANDLE another = Create();
    EXPECT_NE(another, nullptr);

    EXPECT_EQ(HostTestbedCallCount("XMLAddChildNodeW"), 3);
    EXPECT_EQ(HostTestbedCallCount("XMLCreateFile"), 4);
    EXPECT_FALSE(HostTestbedFailService("NoSuchService"));
    Free(document);
    Free(another);
}

// Each quirk a test may ask for, on a child named "Name" holding "abc" read
// into a buffer of 8; everything else answers as usual.
TEST_F(HostXmlServices, QuirksAnswerAsAskedUntilReset)
{
    HANDLE document = Create();
    HANDLE child = AddChild(document, L"Name");
    ASSERT_TRUE(SetValue(child, L"abc"));
    int size = 0;
    HostTestbedSetXmlQuirks({.valueSize = 0});
    EXPECT_TRUE(GetValue(child, nullptr, &size));
    EXPECT_EQ(size, 0);
    HostTestbedSetXmlQuirks({.valueSizeExtra = 7});
    EXPECT_TRUE(GetValue(child, nullptr, &size));
    EXPECT_EQ(size, 11);
    EXPECT_TRUE(GetName(child, nullptr, &size));
    EXPECT_EQ(size, 5) << "the size of a name is never changed";

    wchar_t buffer[8] = {};
    int capacity = 8;
    HostTestbedSetXmlQuirks({.valueWithoutTerminator = true});
    EXPECT_TRUE(GetValue(child, buffer, &capacity));
    EXPECT_EQ(std::wstring(buffer, 8), L"abcxxxxx");
    EXPECT_EQ(Name(child), L"Name");
    HostTestbedSetXmlQuirks({.nameWithoutTerminator = true});
    EXPECT_TRUE(GetName(child, buffer, &capacity));
    EXPECT_EQ(std::wstring(buffer, 8), L"Namexxxx");
    EXPECT_EQ(Value(child), L"abc");

    HostTestbedSetXmlQuirks({.capacityAfterRead = 40});
    EXPECT_TRUE(GetValue(child, buffer, &capacity));
    EXPECT_EQ(capacity, 40);
    capacity = 2;
    EXPECT_FALSE(GetName(child, buffer, &capacity));
    EXPECT_EQ(capacity, 40);

    HostTestbedSetXmlQuirks({.trueValue = 42});
    BOOL value = FALSE;
    ASSERT_TRUE(SetBool(child, TRUE));
    EXPECT_TRUE(GetBool(child, &value));
    EXPECT_EQ(value, 42);
    HostTestbedSetXmlQuirks({.renameAnswersFalse = true});
    EXPECT_FALSE(SetName(child, L"Renamed"));

    HostTestbedReset();
    EXPECT_EQ(Name(child), L"Renamed");
    EXPECT_TRUE(GetBool(child, &value));
    EXPECT_EQ(value, TRUE);
    EXPECT_TRUE(SetName(child, L"Name"));
    Create();
    EXPECT_EQ(HostTestbedFreeOpenDocuments(), 2);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
    EXPECT_EQ(Next(child), nullptr) << "a node of a freed document is no longer live";
    EXPECT_EQ(HostTestbedInvalidHandleCalls(), 1);
}

class HostFolderServices : public testing::Test {
protected:
    ScratchFolder folder;
    GetProgramDirWFn ProgramDir = BOUND(GetProgramDirW);
    GetConfigPathWFn ConfigPath = BOUND(GetConfigPathW);

    void SetUp() override
    {
        HostTestbedReset();
        ASSERT_TRUE(ProgramDir && ConfigPath);
    }
    void TearDown() override { HostTestbedReset(); }
};

TEST_F(HostFolderServices, ProgramDirIsTheExecutableFolderAndMustFit)
{
    const std::wstring expected = ExecutableFolder();
    wchar_t buffer[MAX_PATH] = {};
    ASSERT_TRUE(ProgramDir(buffer, MAX_PATH));
    EXPECT_EQ(std::wstring(buffer), expected);

    std::vector<wchar_t> exact(expected.size() + 1, L'#');
    EXPECT_TRUE(ProgramDir(exact.data(), static_cast<UINT>(exact.size())));
    std::vector<wchar_t> tooShort(expected.size(), L'#');
    EXPECT_FALSE(ProgramDir(tooShort.data(), static_cast<UINT>(tooShort.size())));
    EXPECT_EQ(tooShort[0], L'#');

    HostTestbedSetProgramFolder(L"C:\\Somewhere");
    ASSERT_TRUE(ProgramDir(buffer, MAX_PATH));
    EXPECT_STREQ(buffer, L"C:\\Somewhere");
    HostTestbedFailProgramDir();
    EXPECT_FALSE(ProgramDir(buffer, MAX_PATH));
    HostTestbedSetProgramFolder(nullptr);
    HostTestbedStopFailing("GetProgramDirW");
    ASSERT_TRUE(ProgramDir(buffer, MAX_PATH));
    EXPECT_EQ(std::wstring(buffer), expected);
}

TEST_F(HostFolderServices, ConfigPathIsConfigFilesUnderTheProgramFolderCreatedOnDemand)
{
    HostTestbedSetProgramFolder(folder.path().c_str());
    const std::wstring expected = folder.file(L"ConfigFiles");
    wchar_t buffer[MAX_PATH] = {};
    ASSERT_TRUE(ConfigPath(0, buffer, MAX_PATH));
    EXPECT_EQ(std::wstring(buffer), expected);
    const DWORD attributes = GetFileAttributesW(expected.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    RemoveDirectoryW(expected.c_str());

    EXPECT_FALSE(ConfigPath(1, buffer, MAX_PATH));
    EXPECT_FALSE(ConfigPath(0, buffer, static_cast<UINT>(expected.size())));

    HostTestbedSetConfigFolder(L"C:\\Cfg\\");
    ASSERT_TRUE(ConfigPath(0, buffer, MAX_PATH));
    EXPECT_STREQ(buffer, L"C:\\Cfg\\");
    HostTestbedSetConfigFolder(L"C:\\Cfg", true);
    wchar_t exact[7] = {L'#', L'#', L'#', L'#', L'#', L'#', L'#'};
    ASSERT_TRUE(ConfigPath(0, exact, 6));
    EXPECT_EQ(std::wstring(exact, 7), L"C:\\Cfg#") << "filled without a terminator";
    ASSERT_TRUE(ConfigPath(0, exact, 7));
    EXPECT_EQ(std::wstring(exact, 7), std::wstring(L"C:\\Cfg\0", 7));
    HostTestbedFailConfigPath();
    EXPECT_FALSE(ConfigPath(0, buffer, MAX_PATH));
}

}  // namespace
