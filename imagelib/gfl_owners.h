// Owners of what the image library hands out: a decoded bitmap until
// gflFreeBitmap, a filled file information until gflFreeFileInformation.
// Each releases only while the library is still bound, so a binding that
// went away never gets a call through a cleared entry point.
#pragma once


#include "imagelib/gfl_library.h"
#include "imagelib/gfl_records.h"

// Takes a bitmap only from a decode that reported success: a failed decode
// may have stored a pointer it already freed, and owns nothing.
class LibraryBitmap {
public:
    LibraryBitmap(const GflLibrary& library, GflBitmap* bitmap) noexcept : library_(library), bitmap_(bitmap) {}
    ~LibraryBitmap()
    {
        if (bitmap_ && library_.loaded())
            library_.api().gflFreeBitmap(bitmap_);
    }
    LibraryBitmap(const LibraryBitmap&) = delete;
    LibraryBitmap& operator=(const LibraryBitmap&) = delete;

    GflBitmap* get() const noexcept { return bitmap_; }

private:
    const GflLibrary& library_;
    GflBitmap* bitmap_;
};

// The room an information call fills; released once an information call
// has reported success (markFilled).
class LibraryFileInformation {
public:
    explicit LibraryFileInformation(const GflLibrary& library) noexcept : library_(library) {}
    ~LibraryFileInformation()
    {
        if (filled_ && library_.loaded())
            library_.api().gflFreeFileInformation(&room_.record);
    }
    LibraryFileInformation(const LibraryFileInformation&) = delete;
    LibraryFileInformation& operator=(const LibraryFileInformation&) = delete;

    GflFileInformation* get() noexcept { return &room_.record; }
    const GflFileInformation& record() const noexcept { return room_.record; }
    void markFilled() noexcept { filled_ = true; }

private:
    const GflLibrary& library_;
    GflRecordRoom<GflFileInformation> room_;
    bool filled_ = false;
};
