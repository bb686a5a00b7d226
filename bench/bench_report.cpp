// Table printing and the machine line.
#include "bench/bench_report.h"

#include <windows.h>

#include <cstdarg>
#include <cstdlib>

#include "win32/bind_export.h"

namespace {

const char* VerdictText(Verdict verdict) noexcept
{
    switch (verdict) {
        case Verdict::Pass:
            return "PASS";
        case Verdict::Miss:
            return "MISS";
        case Verdict::Info:
            return "info";
    }
    return "";
}

const char* ArchitectureName(WORD architecture) noexcept
{
    switch (architecture) {
        case PROCESSOR_ARCHITECTURE_AMD64:
            return "x64";
        case PROCESSOR_ARCHITECTURE_INTEL:
            return "x86";
        case PROCESSOR_ARCHITECTURE_ARM64:
            return "arm64";
        default:
            return "unknown architecture";
    }
}

}  // namespace

Verdict AtMost(double figure, double bound) noexcept
{
    return figure <= bound ? Verdict::Pass : Verdict::Miss;
}

Verdict AtLeast(double figure, double bound) noexcept
{
    return figure >= bound ? Verdict::Pass : Verdict::Miss;
}

std::string Format(const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

void Report::section(const std::string& title)
{
    rows_.push_back({title, "", "", Verdict::Info, true});
}

void Report::add(const std::string& measurement, const std::string& figure, const std::string& target,
                 Verdict verdict)
{
    rows_.push_back({measurement, figure, target, verdict, false});
}

void Report::note(const std::string& text)
{
    notes_.push_back(text);
}

void Report::print(FILE* out) const
{
    fprintf(out, "| measurement | figure | target | result |\n");
    fprintf(out, "|---|---|---|---|\n");
    for (const Row& row : rows_) {
        if (row.heading)
            fprintf(out, "| **%s** | | | |\n", row.measurement.c_str());
        else
            fprintf(out, "| %s | %s | %s | %s |\n", row.measurement.c_str(), row.figure.c_str(),
                    row.target.c_str(), VerdictText(row.verdict));
    }
    if (!notes_.empty())
        fprintf(out, "\n");
    for (const std::string& text : notes_)
        fprintf(out, "- %s\n", text.c_str());
}

int Report::misses() const noexcept
{
    int count = 0;
    for (const Row& row : rows_)
        count += !row.heading && row.verdict == Verdict::Miss ? 1 : 0;
    return count;
}

std::string MachineLine()
{
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    std::string line = Format("%s, %lu logical processors, processor level %u revision 0x%04x, page size %lu",
                              ArchitectureName(info.wProcessorArchitecture),
                              static_cast<unsigned long>(info.dwNumberOfProcessors), info.wProcessorLevel,
                              info.wProcessorRevision, static_cast<unsigned long>(info.dwPageSize));
    // Wine's ntdll exports its version; Windows' does not.
    using WineVersionFn = const char* (*)();
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto wineVersion = ntdll ? BindExport<WineVersionFn>(ntdll, "wine_get_version") : nullptr;
    if (wineVersion)
        line += Format(", Wine %s", wineVersion());
    return line;
}

void Progress(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stderr, format, arguments);
    va_end(arguments);
    fputc('\n', stderr);
    fflush(stderr);
}

void Fail(const char* what)
{
    fprintf(stderr, "benchmark failed: %s\n", what);
    fflush(stderr);
    std::exit(2);
}
