#include "tests/explore/batch_runner.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "tests/explore/exploration.h"
#include "tests/explore/settings_file_check.h"
#include "tests/support/stand_in_library.h"
#include "tests/integration/resource_gauges.h"
#include "win32/unique_handle.h"

namespace {

constexpr DWORD kBlockedExitCode = 0xB10C;
// Handles are gauged for the whole process after every scenario, from the
// end of the first few on (they warm the platform's caches): a steady leak
// raises the reading for good, slack covers the platform's own caches. The
// plug-in's GDI objects are counted exactly, per call (plugin_gdi_tally.h).
constexpr int64_t kWarmUpScenarios = 5;
constexpr int64_t kResourceSlack = 16;
constexpr auto kSilenceLimit = std::chrono::seconds(180);  // no word from a child: it hangs

struct Totals {
    int64_t scenarios = 0, calls = 0, dibs = 0, refusals = 0, held = 0, settingsChecks = 0, resourceChecks = 0;
    int64_t crashes = 0, traps = 0, hangs = 0, blocked = 0;
    KindCounts kinds;
    std::vector<std::string> findings;  // "seed property: detail"
    std::map<std::string, int64_t> findingsPerProperty;
};

void AddFinding(Totals& totals, uint64_t seed, const std::string& property, const std::string& detail)
{
    fprintf(stderr, "explore: seed %" PRIu64 " %s: %s\n", seed, property.c_str(), detail.c_str());
    ++totals.findingsPerProperty[property];
    if (totals.findings.size() < 200)
        totals.findings.push_back(std::to_string(seed) + " " + property + ": " + detail);
}

// A trap is the checked build's way to stop: an undefined-behaviour check
// (illegal instruction), the stack protector or a library assertion (abort).
bool IsTrap(DWORD code) { return code == 0xC000001D || code == 0xC0000409 || code == 3; }

// Parses one line of a child's report.
void Take(Totals& totals, const std::string& line, uint64_t& begun, bool& open)
{
    std::istringstream in(line);
    std::string tag;
    in >> tag;
    if (tag == "B") {
        in >> begun;
        open = true;
    } else if (tag == "E") {
        uint64_t seed = 0;
        int64_t calls = 0, dibs = 0, refusals = 0, held = 0, settings = 0, resources = 0;
        in >> seed >> calls >> dibs >> refusals >> held >> settings >> resources;
        totals.resourceChecks += resources;
        ++totals.scenarios;
        totals.calls += calls;
        totals.dibs += dibs;
        totals.refusals += refusals;
        totals.held += held;
        totals.settingsChecks += settings;
        open = false;
    } else if (tag == "F") {
        uint64_t seed = 0;
        std::string property, detail;
        in >> seed >> property;
        std::getline(in, detail);
        if (property == "blocked")
            ++totals.blocked;
        AddFinding(totals, seed, property, detail.empty() ? detail : detail.substr(1));
    } else if (tag == "K") {
        std::string kind;
        int64_t calls = 0, drawn = 0;
        in >> kind >> calls >> drawn;
        totals.kinds[kind].calls += calls;
        totals.kinds[kind].drawn += drawn;
    }
}

// Runs one child over [first, first + count); returns the next seed to run.
uint64_t RunChild(Totals& totals, uint64_t first, int64_t count)
{
    std::wstring command = L"--batch " + std::to_wstring(first) + L" " + std::to_wstring(count);

    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 1 << 16))
        return first + static_cast<uint64_t>(count);
    UniqueKernelHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE errorHandle = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &errorHandle, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    UniqueKernelHandle error(errorHandle);

    UniqueKernelHandle child(StartOnScenarioDesktop(first, command, writeEnd, errorHandle));
    if (!child) {
        fprintf(stderr, "explore: cannot start a batch (error %lu)\n", GetLastError());
        return first + static_cast<uint64_t>(count);
    }
    writer.reset();
    error.reset();

    uint64_t begun = first;
    bool open = false;
    std::string pending;
    auto lastWord = std::chrono::steady_clock::now();
    bool hung = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr))
            break;  // the child closed its end
        if (available == 0) {
            if (std::chrono::steady_clock::now() - lastWord > kSilenceLimit) {
                hung = true;
                TerminateProcess(child.get(), 0xDEAD);
                break;
            }
            Sleep(20);
            continue;
        }
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(readEnd, buffer, std::min<DWORD>(available, sizeof(buffer)), &got, nullptr) || got == 0)
            break;
        lastWord = std::chrono::steady_clock::now();
        pending.append(buffer, got);
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            Take(totals, line, begun, open);
            pending.erase(0, end + 1);
        }
    }
    WaitForSingleObject(child.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    if (!open && code == 0) {
        fprintf(stderr, "explore: %" PRId64 " scenarios so far\n", totals.scenarios);
        return first + static_cast<uint64_t>(count);
    }
    if (!open)
        begun = first + static_cast<uint64_t>(count) - 1;  // ended badly after its last scenario
    if (hung) {
        ++totals.hangs;
        AddFinding(totals, begun, "hang", "no word from the scenario for 180 s");
    } else if (code == kBlockedExitCode) {
        // Reported by the child itself as a "blocked" finding.
    } else if (IsTrap(code)) {
        ++totals.traps;
        char text[64];
        snprintf(text, sizeof(text), "exit code %#lx", static_cast<unsigned long>(code));
        AddFinding(totals, begun, "trap", text);
    } else {
        ++totals.crashes;
        char text[64];
        snprintf(text, sizeof(text), "exit code %#lx", static_cast<unsigned long>(code));
        AddFinding(totals, begun, "crash", text);
    }
    if (open)
        ++totals.scenarios;  // it ran, and ended the process
    fprintf(stderr, "explore: %" PRId64 " scenarios so far\n", totals.scenarios);
    return begun + 1;
}

std::string RowOf(const std::string& kind)
{
    const size_t colon = kind.find(':');
    return colon == std::string::npos ? kind : kind.substr(0, colon);
}

void PrintReport(const Totals& totals, uint64_t firstSeed, uint64_t nextSeed, double seconds)
{
    printf("explore: seeds %" PRIu64 " to %" PRIu64 " in %.0f s\n", firstSeed, nextSeed - 1, seconds);
    printf("%" PRId64 " scenarios\n", totals.scenarios);
    printf("export calls %" PRId64 ", DIBs checked exact %" PRId64 ", refusals %" PRId64
           ", held start-ups and commits %" PRId64 ", settings files checked %" PRId64
           ", handle gauges %" PRId64 "\n",
           totals.calls, totals.dibs, totals.refusals, totals.held, totals.settingsChecks, totals.resourceChecks);
    printf("crashes %" PRId64 ", traps %" PRId64 ", hangs %" PRId64 ", blocked calls %" PRId64 "\n", totals.crashes,
           totals.traps, totals.hangs, totals.blocked);
    printf("deviations drawn per surface row (kinds: drawn of calls):\n");
    std::map<std::string, std::vector<std::pair<std::string, KindCount>>> rows;
    for (const auto& [kind, count] : totals.kinds)
        rows[RowOf(kind)].push_back({kind, count});
    int undrawn = 0;
    for (const auto& [row, kinds] : rows) {
        int64_t drawn = 0;
        std::string detail;
        for (const auto& [kind, count] : kinds) {
            drawn += count.drawn;
            const size_t colon = kind.find(':');
            detail += " " + (colon == std::string::npos ? kind : kind.substr(colon + 1)) + " " +
                      std::to_string(count.drawn) + "/" + std::to_string(count.calls);
        }
        if (drawn == 0)
            ++undrawn;
        printf("  %-44s %8" PRId64 " |%s\n", row.c_str(), drawn, detail.c_str());
    }
    printf("surface rows %zu, rows with no deviation drawn %d\n", rows.size(), undrawn);
    int64_t findings = 0;
    for (const auto& [property, count] : totals.findingsPerProperty)
        findings += count;
    printf("findings %" PRId64 "\n", findings);
    for (const auto& [property, count] : totals.findingsPerProperty)
        printf("  %-28s %" PRId64 "\n", property.c_str(), count);
    for (const std::string& finding : totals.findings)
        printf("  seed %s\n", finding.c_str());
    fflush(stdout);
}

}  // namespace

HANDLE StartOnScenarioDesktop(uint64_t firstSeed, const std::wstring& arguments, HANDLE output, HANDLE error)
{
    // Wine draws a desktop through an explorer.exe that it starts for the
    // first process showing a window there; that explorer keeps the
    // process's standard error (Wine passes it on to every process it
    // starts) for as long as anything uses the desktop. One desktop shared
    // by explorations running side by side would hold the first one's output
    // pipe open until the last one ended, and ctest would count all of it as
    // the first one's time; so each exploration has its own, named after its
    // first seed. A desktop with a size makes Wine draw it as one virtual
    // desktop window: its dialogs are not top-level X windows, so closing one
    // does not wait for a window manager that is not there.
    static const std::wstring desktop = [firstSeed] {
        std::wstring name = L"dvp_explore_" + std::to_wstring(firstSeed);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr) == ERROR_SUCCESS) {
            const wchar_t size[] = L"1280x1024";
            RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof(size));
            RegCloseKey(key);
        }
        CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);  // open for this process's life
        return name;
    }();
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
    std::wstring desktopName = desktop;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktopName.data();
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

int RunExploration(const ExplorationPlan& plan)
{
    Totals totals;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(static_cast<int64_t>(plan.minutes * 60000));
    uint64_t seed = plan.firstSeed;
    const uint64_t end = plan.firstSeed + static_cast<uint64_t>(plan.scenarios);
    for (;;) {
        int64_t count = plan.batchSize;
        if (plan.scenarios > 0) {
            if (seed >= end)
                break;
            count = std::min<int64_t>(count, static_cast<int64_t>(end - seed));
        } else if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        seed = RunChild(totals, seed, count);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    PrintReport(totals, plan.firstSeed, seed, seconds);
    if (!plan.countFile.empty()) {
        if (FILE* file = _wfopen(plan.countFile.c_str(), L"w")) {
            fprintf(file, "%" PRId64 "\n", totals.scenarios);
            fclose(file);
        }
    }
    if (!plan.kindsFile.empty()) {
        if (FILE* file = _wfopen(plan.kindsFile.c_str(), L"w")) {
            for (const auto& [kind, count] : totals.kinds)
                fprintf(file, "%s %" PRId64 " %" PRId64 "\n", kind.c_str(), count.calls, count.drawn);
            fclose(file);
        }
    }
    const bool clean = totals.findings.empty() && totals.crashes == 0 && totals.traps == 0 && totals.hangs == 0;
    const bool complete = plan.scenarios <= 0 || totals.scenarios >= plan.scenarios;
    return clean && complete ? 0 : 1;
}

int CheckRowsDrawn(const std::vector<std::wstring>& kindsFiles)
{
    // Every row the stand-ins know, drawn or not.
    KindCounts kinds;
    CollectDeviationCounts(StandInLibrary(), kinds);
    std::map<std::string, int64_t> drawnPerRow;
    for (const auto& [kind, count] : kinds)
        drawnPerRow[RowOf(kind)] += 0;
    for (const std::wstring& path : kindsFiles) {
        FILE* file = _wfopen(path.c_str(), L"r");
        if (!file) {
            fprintf(stderr, "rows drawn: no kinds file %ls\n", path.c_str());
            return 1;
        }
        char kind[128];
        long long calls = 0, drawn = 0;
        while (fscanf(file, "%127s %lld %lld", kind, &calls, &drawn) == 3)
            drawnPerRow[RowOf(kind)] += drawn;
        fclose(file);
    }
    int undrawn = 0;
    for (const auto& [row, drawn] : drawnPerRow)
        if (drawn == 0) {
            printf("surface row never drawn: %s\n", row.c_str());
            ++undrawn;
        }
    printf("%zu surface rows, %d never drawn\n", drawnPerRow.size(), undrawn);
    return undrawn == 0 ? 0 : 1;
}

int RunBatch(uint64_t first, int64_t count)
{
    if (!PrepareExploration())
        return 2;
    // DVP_EXPLORE_VERBOSE prints every step of every scenario on stderr.
    const bool verbose = GetEnvironmentVariableW(L"DVP_EXPLORE_VERBOSE", nullptr, 0) > 0;
    ResourceReading baseline;
    for (int64_t i = 0; i < count; ++i) {
        const uint64_t seed = first + static_cast<uint64_t>(i);
        printf("B %" PRIu64 "\n", seed);
        fflush(stdout);
        // Wine's heap messages go to the same stderr: this line tells whose they are.
        fprintf(stderr, "explore: scenario %" PRIu64 "\n", seed);
        fflush(stderr);
        ScenarioResult result = RunScenario(seed, verbose);
        int64_t resourceChecks = 0;
        if (i + 1 == kWarmUpScenarios) {
            baseline = ReadResources();
        } else if (i + 1 > kWarmUpScenarios) {
            const ResourceReading now = ReadResources();
            resourceChecks = 1;
            if (now.handles > baseline.handles + kResourceSlack) {
                result.findings.push_back({"handle-leak", "handles rose from " + std::to_string(baseline.handles) +
                                                              " to " + std::to_string(now.handles)});
                baseline.handles = now.handles;
            }
        }
        for (const Finding& finding : result.findings)
            printf("F %" PRIu64 " %s %s\n", seed, finding.property.c_str(), finding.detail.c_str());
        // Counted per scenario, before its end line: a later crash loses none.
        for (const auto& [kind, counted] : result.kinds)
            if (counted.calls > 0)
                printf("K %s %" PRId64 " %" PRId64 "\n", kind.c_str(), counted.calls, counted.drawn);
        printf("E %" PRIu64 " %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 "\n", seed,
               result.exportCalls, result.dibsExact, result.refusals, result.heldMoments, result.settingsChecks,
               resourceChecks);
        fflush(stdout);
    }
    return 0;
}
