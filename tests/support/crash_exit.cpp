// A test program that crashes ends at once with the exception's code, as a
// failed test, instead of waiting in Wine's debugger until ctest's time-out.
#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* info)
{
    const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 1;
    const void* address = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionAddress : nullptr;
    fprintf(stderr, "CRASH: unhandled exception 0x%08lx at %p\n", static_cast<unsigned long>(code), address);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

[[maybe_unused]] const LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter =
    SetUnhandledExceptionFilter(EndOnUnhandledException);

}  // namespace
