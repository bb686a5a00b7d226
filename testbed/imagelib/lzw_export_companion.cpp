// gflEnableLZW of the build that imports gfl_companion.dll: the call reaches
// the companion, so the import stays in the library's import table and the
// library maps only where the loader finds the companion.
#include "testbed/imagelib/library_exports.h"
#include "testbed/imagelib/testbed_state.h"

extern "C" __declspec(dllimport) void gflCompanionTouch() noexcept;

void gflEnableLZW(gfl::Bool) noexcept
{
    testbed::BeginCall(kTbEnableLZW);
    gflCompanionTouch();
}
