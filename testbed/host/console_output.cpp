// UTF-8 conversion for the driver's console output.
#include "testbed/host/console_output.h"

#include <windows.h>

#include <cstdio>

namespace {

void WriteUtf8Line(FILE* stream, const std::wstring& line)
{
    std::string bytes;
    if (!line.empty()) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                                nullptr, 0, nullptr, nullptr);
        if (length > 0) {
            bytes.resize(static_cast<size_t>(length));
            WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(),
                                length, nullptr, nullptr);
        }
    }
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

}  // namespace

void PrintLine(const std::wstring& line)
{
    WriteUtf8Line(stdout, line);
}

void PrintError(const std::wstring& line)
{
    WriteUtf8Line(stderr, L"dopus: " + line);
}
