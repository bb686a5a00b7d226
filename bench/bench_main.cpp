// plugin_bench (built as dopus.exe, so the plug-in's host binding finds its
// host services here): starts the plug-in's code in this process as a
// version-13 host would and prints, as a Markdown table, how its work
// compares with the image-library calls it wraps.
//
//   dopus.exe [repetitions]     (default 11; medians of that many)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench_report.h"
#include "bench/benches.h"
#include "bench/machine_probe.h"
#include "tests/support/plugin_under_test.h"

namespace {

constexpr int kDefaultRepetitions = 11;
constexpr double kIdleMachineScaling = 1.8;

// A crash ends the run with its address instead of waiting in Wine's
// debugger, which would hang the script that runs the benchmark.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    fprintf(stderr, "benchmark crashed: exception 0x%08lx at %p\n",
            static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
            exception->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

int RepetitionsFrom(int argc, char** argv)
{
    if (argc < 2)
        return kDefaultRepetitions;
    const int repetitions = std::atoi(argv[1]);
    return repetitions >= 3 ? repetitions : kDefaultRepetitions;
}

// A second argument names the one measurement to run (decode, refusal,
// identify, scaling or init); without it all five run.
bool Wanted(int argc, char** argv, const char* name)
{
    return argc < 3 || argv[2][0] == 0 || std::strcmp(argv[2], name) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    ScratchFolder scratch;
    // The plug-in's code is linked into this executable, which is also the
    // host: its module stands for the plug-in's DLL.
    const dvp::PluginExports& plugin = ThePlugin().exports;
    StartPlugin(plugin, scratch.folder(L"config"));
    Report report;
    BenchContext context{scratch, plugin, BindLibraryControl(), report, RepetitionsFrom(argc, argv)};
    context.library.Reset();

    const double availableAtStart = TwoCoreAvailability();
    if (Wanted(argc, argv, "decode"))
        RunDecodeBench(context);
    if (Wanted(argc, argv, "refusal"))
        RunRefusalBench(context);
    if (Wanted(argc, argv, "identify"))
        RunIdentifyBench(context);
    if (Wanted(argc, argv, "scaling"))
        RunScalingBench(context);
    if (Wanted(argc, argv, "init"))
        RunInitBench(context);
    const double availableAtEnd = TwoCoreAvailability();

    printf("Machine (as Windows reports it): %s\n", MachineLine().c_str());
    printf("Pure computation on two threads against one: %.2f x at the start, %.2f x at the end\n\n",
           availableAtStart, availableAtEnd);
    if (availableAtStart < kIdleMachineScaling || availableAtEnd < kIdleMachineScaling)
        report.note(
            Format("The machine was shared with other work during this run (pure computation scaled "
                   "%.2f x at the start and %.2f x at the end, below %.1f x): every figure is noisier "
                   "for it.",
                   availableAtStart, availableAtEnd, kIdleMachineScaling));
    report.print(stdout);
    printf("\n%d target(s) missed.\n", report.misses());
    fflush(stdout);
    return 0;
}
