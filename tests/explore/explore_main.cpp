// The exploration program: a host (dopus.exe with the stand-in host's
// services, the plug-in and the stand-in library in its Viewers folder)
// that drives the plug-in through generated scenarios and checks the
// properties after every call.
//
//   dopus.exe [--scenarios N | --minutes M] [--first-seed S] [--batch-size B] [--count-file FILE] [--kinds-file FILE]
//   dopus.exe --replay SEED      one scenario in this process, each step printed
//   dopus.exe --rows-drawn KINDS...  fails naming the surface rows the runs' kinds files never drew
//   dopus.exe --batch FIRST N    (the parent's children)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "tests/explore/batch_runner.h"
#include "tests/explore/exploration.h"

namespace {

uint64_t Number(const wchar_t* text) { return wcstoull(text, nullptr, 10); }

// The replay itself runs in a child on the scenarios' desktop, as batches do.
int Replay(uint64_t seed)
{
    HANDLE output = nullptr, error = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &output, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &error, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    HANDLE child = StartOnScenarioDesktop(seed, L"--replay-here " + std::to_wstring(seed), output, error);
    if (!child)
        return 2;
    WaitForSingleObject(child, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(child, &code);
    CloseHandle(child);
    return static_cast<int>(code);
}

int ReplayHere(uint64_t seed)
{
    if (!PrepareExploration())
        return 2;
    fprintf(stderr, "replaying seed %llu\n", static_cast<unsigned long long>(seed));
    const ScenarioResult result = RunScenario(seed, true);
    printf("seed %llu: %lld calls, %lld DIBs exact, %zu findings\n", static_cast<unsigned long long>(seed),
           static_cast<long long>(result.exportCalls), static_cast<long long>(result.dibsExact),
           result.findings.size());
    for (const Finding& finding : result.findings)
        printf("  %s: %s\n", finding.property.c_str(), finding.detail.c_str());
    return result.findings.empty() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ExplorationPlan plan;
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == L"--batch" && i + 2 < argc)
            return RunBatch(Number(argv[i + 1]), static_cast<int64_t>(Number(argv[i + 2])));
        if (option == L"--replay" && hasValue)
            return Replay(Number(argv[i + 1]));
        if (option == L"--replay-here" && hasValue)
            return ReplayHere(Number(argv[i + 1]));
        if (option == L"--rows-drawn")
            return CheckRowsDrawn(std::vector<std::wstring>(argv + i + 1, argv + argc));
        if (option == L"--scenarios" && hasValue)
            plan.scenarios = static_cast<int64_t>(Number(argv[++i]));
        else if (option == L"--minutes" && hasValue)
            plan.minutes = wcstod(argv[++i], nullptr);
        else if (option == L"--first-seed" && hasValue)
            plan.firstSeed = Number(argv[++i]);
        else if (option == L"--batch-size" && hasValue)
            plan.batchSize = static_cast<int64_t>(Number(argv[++i]));
        else if (option == L"--count-file" && hasValue)
            plan.countFile = argv[++i];
        else if (option == L"--kinds-file" && hasValue)
            plan.kindsFile = argv[++i];
        else {
            fprintf(stderr, "usage: dopus.exe [--scenarios N | --minutes M] [--first-seed S] [--batch-size B] "
                            "[--count-file FILE] [--kinds-file FILE] | --replay SEED\n");
            return 2;
        }
    }
    if (plan.scenarios <= 0 && plan.minutes <= 0)
        plan.scenarios = 100;
    return RunExploration(plan);
}
