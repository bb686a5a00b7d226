// gflEnableLZW lives alone so that a build of the library can leave it out:
// the plug-in must refuse a library that lacks any of its entry points.
#include "testbed/imagelib/library_exports.h"
#include "testbed/imagelib/testbed_state.h"

// LZW coding is always available in the stand-in; the call is only counted.
void gflEnableLZW(gfl::Bool) noexcept { testbed::BeginCall(kTbEnableLZW); }
