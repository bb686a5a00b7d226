// What the stand-in last handed each thread: the decoded record's
// transparency fields as the load returned them, and its dimensions and
// converted pixels once gflChangeColorDepth succeeded, so that a harness can
// compare a returned DIB with the image the library described. Recorded only
// while describing is on (from the first scenario until the reset): a copy
// of every converted image costs time the plain tests and benchmarks need not
// pay.
#pragma once

#include "testbed/imagelib/gfl_library_records.h"
#include "testbed/imagelib/gfl_testbed_control.h"

namespace testbed {

void StartDescribing() noexcept;
// Stops and forgets every thread's record.
void StopDescribing() noexcept;

// A load starts on this thread: its previous record is no longer valid.
void NoteLoadStarted() noexcept;
// The load hands out this record.
void NoteLoaded(const gfl::Bitmap& record) noexcept;
// The conversion succeeded; hasPixels is false when the record carries no
// converted pixels (dimensions that are not positive or too large for them).
void NoteConverted(const gfl::Bitmap& record, bool hasPixels) noexcept;

// An information call starts on this thread, and the record it answered
// success with.
void NoteInformationStarted() noexcept;
void NoteInformation(const gfl::FileInformation& record) noexcept;

int32_t GetLastDescribed(TestbedDescribedImage* image) noexcept;

}  // namespace testbed
