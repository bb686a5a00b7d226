// WriteXmlFile: composes the document with the XmlLite writer in memory and
// replaces the target through a temporary file and a rename, so a save is
// all or nothing.
#include "testbed/host/xml_file.h"

#include <algorithm>
#include <string>
#include <vector>

#include "win32/unique_handle.h"
#include "testbed/host/xml_lite.h"

namespace {

bool WriteValue(IXmlWriter& writer, const std::wstring& value)
{
    // A carriage return goes out as a character reference: written raw, any
    // reader folds it into a line feed.
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(value.find(L'\r', start), value.size());
        if (end > start && FAILED(writer.WriteString(value.substr(start, end - start).c_str())))
            return false;
        if (end == value.size())
            return true;
        if (FAILED(writer.WriteCharEntity(L'\r')))
            return false;
        start = end + 1;
    }
}

// NOLINTNEXTLINE(misc-no-recursion): one level per element of a tree the stand-in built, at most kMaxXmlDepth deep
bool WriteElement(IXmlWriter& writer, const XmlNode& node)
{
    if (FAILED(writer.WriteStartElement(nullptr, node.name.c_str(), nullptr)))
        return false;
    if (!WriteValue(writer, node.value))
        return false;
    for (const auto& child : node.children) {
        if (!WriteElement(writer, *child))
            return false;
    }
    return SUCCEEDED(writer.WriteEndElement());
}

// The whole document as the bytes of its file.
bool ComposeDocument(const XmlNode& root, std::vector<char>& bytes)
{
    IStream* rawMemory = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &rawMemory)))
        return false;
    ComOwner<IStream> memory(rawMemory);
    ComOwner<IXmlWriter> writer = CreateXmlLiteWriter();
    if (!writer)
        return false;
    IXmlWriter& out = *writer.get();
    if (FAILED(out.SetProperty(XmlWriterProperty_Indent, TRUE)) || FAILED(out.SetOutput(memory.get())) ||
        FAILED(out.WriteStartDocument(XmlStandalone_Omit)) || !WriteElement(out, root) ||
        FAILED(out.WriteEndDocument()) || FAILED(out.Flush()))
        return false;

    ULARGE_INTEGER size{};
    if (FAILED(memory.get()->Seek(LARGE_INTEGER{}, STREAM_SEEK_END, &size)) || size.QuadPart > 0x7FFFFFFF ||
        FAILED(memory.get()->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)))
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    ULONG read = 0;
    if (FAILED(memory.get()->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)))
        return false;
    return read == bytes.size();
}

// A file that is deleted again unless kept.
class PendingFile {
public:
    explicit PendingFile(std::wstring path) : path_(std::move(path)) {}
    ~PendingFile()
    {
        if (!kept_)
            DeleteFileW(path_.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const wchar_t* path() const noexcept { return path_.c_str(); }
    void keep() noexcept { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

bool WriteAll(const wchar_t* path, const std::vector<char>& bytes)
{
    HANDLE raw = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE)
        return false;
    UniqueKernelHandle file(raw);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false;
    return FlushFileBuffers(file.get()) != FALSE;
}

// The folder a temporary file beside the target goes into, with its
// separator kept so that "C:\name" gives "C:\" rather than the drive's
// current folder.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return L".";
    return path.substr(0, separator + 1);
}

}  // namespace

bool WriteXmlFile(const XmlNode& root, const wchar_t* path, size_t keepBytes)
{
    if (!path || !*path)
        return false;
    std::vector<char> bytes;
    if (!ComposeDocument(root, bytes))
        return false;
    if (keepBytes < bytes.size())
        bytes.resize(keepBytes);

    // Renaming over a read-only file is refused on Windows but not by every
    // implementation of it (Wine's replaces it); a read-only settings file
    // stays as it is either way.
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    wchar_t temporary[MAX_PATH] = {};
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"dvp", 0, temporary))
        return false;
    PendingFile pending(temporary);
    if (!WriteAll(pending.path(), bytes))
        return false;
    if (!MoveFileExW(pending.path(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    pending.keep();
    return true;
}
