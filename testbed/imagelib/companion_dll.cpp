// gfl_companion.dll: a DLL of the stand-in library's own, which one build of
// the library imports, as a real library imports its helpers. It does
// nothing; where the loader found it is what tests look at.
extern "C" __declspec(dllexport) void gflCompanionTouch() noexcept {}
