// The sixteen entry points of the image library, with C linkage and
// undecorated names. Results are 16-bit codes (0 = success) and 8-bit truth
// values (exactly 1 = true); nothing is thrown across them.
#pragma once

#include <cstdint>

#include "testbed/imagelib/gfl_library_records.h"

extern "C" {
GFL_STANDIN_API gfl::Error gflLibraryInit() noexcept;
GFL_STANDIN_API const char* gflGetVersion() noexcept;
GFL_STANDIN_API void gflLibraryExit() noexcept;
GFL_STANDIN_API void gflSetPluginsPathnameW(const wchar_t* folder) noexcept;
GFL_STANDIN_API void gflEnableLZW(gfl::Bool enable) noexcept;
GFL_STANDIN_API int32_t gflGetNumberOfFormat() noexcept;
GFL_STANDIN_API gfl::Error gflGetFormatInformationByIndex(int32_t index, gfl::FormatInformation* info) noexcept;
GFL_STANDIN_API gfl::Bool gflFormatIsReadableByIndex(int32_t index) noexcept;
GFL_STANDIN_API gfl::Error gflGetFileInformationW(const wchar_t* path, int32_t formatIndex,
                                                  gfl::FileInformation* info) noexcept;
GFL_STANDIN_API gfl::Error gflGetFileInformationFromHandle(void* handle, int32_t formatIndex,
                                                           const gfl::StreamCallbacks* callbacks,
                                                           gfl::FileInformation* info) noexcept;
GFL_STANDIN_API gfl::Error gflLoadBitmapW(const wchar_t* path, gfl::Bitmap** bitmap, const gfl::LoadParams* params,
                                          gfl::FileInformation* info) noexcept;
GFL_STANDIN_API gfl::Error gflLoadBitmapFromHandle(void* handle, gfl::Bitmap** bitmap,
                                                   const gfl::LoadParams* params,
                                                   gfl::FileInformation* info) noexcept;
GFL_STANDIN_API void gflGetDefaultLoadParams(gfl::LoadParams* params) noexcept;
GFL_STANDIN_API void gflFreeBitmap(gfl::Bitmap* bitmap) noexcept;
GFL_STANDIN_API void gflFreeFileInformation(gfl::FileInformation* info) noexcept;
GFL_STANDIN_API gfl::Error gflChangeColorDepth(gfl::Bitmap* source, gfl::Bitmap** destination, uint32_t mode,
                                               uint16_t parameters) noexcept;
}
