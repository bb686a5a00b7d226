// Entry points that read images: file information, loading, the default
// load parameters, conversion and release. Each copies the steering
// settings once at its start and then runs without a lock, so several
// threads decode at once.
#include "testbed/imagelib/bitmap_deviations.h"
#include "testbed/imagelib/bitmap_store.h"
#include "testbed/imagelib/decoded_image.h"
#include "testbed/imagelib/described_image.h"
#include "testbed/imagelib/file_information.h"
#include "testbed/imagelib/image_header.h"
#include "testbed/imagelib/library_deviation.h"
#include "testbed/imagelib/library_exports.h"
#include "testbed/imagelib/record_deviations.h"
#include "testbed/imagelib/record_padding.h"
#include "testbed/imagelib/source_bytes.h"
#include "testbed/imagelib/testbed_state.h"

using testbed::BeginCall;
using testbed::Deviate;
using testbed::LibraryDeviation;

namespace {

// Where a call reads from: a path, or a caller's handle and callbacks.
struct Source {
    const wchar_t* path = nullptr;
    void* handle = nullptr;
    const gfl::StreamCallbacks* callbacks = nullptr;
    bool throughCallbacks = false;
    // The kinds that make this entry point fail outright, or after it
    // filled or stored what it was asked for.
    LibraryDeviation fails = LibraryDeviation::Count;
    LibraryDeviation failsLate = LibraryDeviation::Count;
    // The kind that makes a load answer success without storing a bitmap.
    LibraryDeviation succeedsEmpty = LibraryDeviation::Count;
};

gfl::LoadParams DefaultLoadParams() noexcept
{
    gfl::LoadParams params = {};
    params.flags = gfl::kLoadDefaultFlags;
    params.formatIndex = -1;
    params.defaultAlpha = 255;
    params.callbacks.allocate = &testbed::DefaultAllocate;
    params.callbacks.release = &testbed::DefaultRelease;
    return params;
}

// What a description reads first; most headers lie well inside it.
constexpr size_t kHeaderBytes = size_t{64} * 1024;

gfl::Error ReadSource(const Source& source, testbed::SourceBuffer& bytes, size_t limit) noexcept
{
    if (source.throughCallbacks)
        return testbed::ReadCallbackSource(source.handle, source.callbacks, bytes, limit);
    return testbed::ReadFileSource(source.path, bytes, limit);
}

gfl::Error ReadAndDecode(const Source& source, int32_t formatIndex, testbed::SourceBuffer& bytes,
                         testbed::DecodedImage& image) noexcept
{
    const gfl::Error read = ReadSource(source, bytes, testbed::kMaxSourceBytes);
    if (read != gfl::kNoError)
        return read;
    return testbed::DecodeImage(bytes.data(), bytes.size(), formatIndex, image);
}

// A description reads the start of the source, and all of it only when the
// header was not found there.
gfl::Error ReadHeader(const Source& source, int32_t formatIndex, testbed::SourceBuffer& bytes,
                      testbed::ImageHeader& header) noexcept
{
    gfl::Error result = gfl::kErrorFileRead;
    for (const size_t limit : {kHeaderBytes, testbed::kMaxSourceBytes}) {
        result = ReadSource(source, bytes, limit);
        if (result != gfl::kNoError)
            return result;
        result = testbed::ReadImageHeader(bytes.data(), bytes.size(), bytes.complete(), formatIndex, header);
        if (result == gfl::kNoError || bytes.complete())
            return result;
    }
    return result;
}

gfl::Error Identify(const Source& source, int32_t formatIndex, gfl::FileInformation* info) noexcept
{
    testbed::RecordInformationSource(source.throughCallbacks);
    testbed::NoteInformationStarted();
    const testbed::CallSettings settings = testbed::CurrentCallSettings();
    const testbed::Drawn fails = Deviate(source.fails);
    const testbed::Drawn failsLate = Deviate(source.failsLate);
    if (!info)
        return gfl::kErrorBadParameters;
    if ((settings.faults & kTestbedFailInformation) || fails)
        return gfl::kErrorInjected;
    testbed::SourceBuffer bytes;
    testbed::ImageHeader header;
    const gfl::Error described = ReadHeader(source, formatIndex, bytes, header);
    if (described != gfl::kNoError)
        return described;
    const gfl::Error filled = testbed::FillFileInformation(header, bytes.wholeSize(), settings, info);
    if (filled != gfl::kNoError)
        return filled;
    testbed::PadWholeRecord(settings, info, sizeof *info);
    testbed::DeviateFileInformation(info);
    if (failsLate) {
        // The record stays written, with an attachment nobody owns.
        testbed::DisownFileInformation(info);
        return gfl::kErrorInjected;
    }
    testbed::NoteInformation(*info);
    return gfl::kNoError;
}

// Polls the cancel query the configured number of times; true when it asked
// to give up (an answer of exactly 1).
bool CancelRequested(const gfl::LoadParams& params, int32_t polls) noexcept
{
    if (!params.cancelCallback)
        return false;
    for (int32_t i = 0; i < polls; ++i) {
        testbed::CountCancelPoll();
        if (params.cancelCallback(params.callbackUserValue) == 1)
            return true;
    }
    return false;
}

gfl::Error Load(Source source, gfl::Bitmap** bitmap, const gfl::LoadParams* params,
                gfl::FileInformation* info) noexcept
{
    const gfl::LoadParams effective = params ? *params : DefaultLoadParams();
    testbed::RecordLoad(effective.flags, effective.cancelCallback != nullptr, source.throughCallbacks);
    testbed::NoteLoadStarted();
    const testbed::CallSettings settings = testbed::CurrentCallSettings();
    const testbed::Drawn fails = Deviate(source.fails);
    const testbed::Drawn failsLate = Deviate(source.failsLate);
    const testbed::Drawn succeedsEmpty = Deviate(source.succeedsEmpty);
    if (!bitmap)
        return gfl::kErrorBadParameters;
    *bitmap = nullptr;
    if ((settings.faults & kTestbedFailDecode) || fails)
        return gfl::kErrorInjected;
    if (failsLate && failsLate.Pick(2)) {
        *bitmap = testbed::PoisonedBitmap();
        return gfl::kErrorInjected;
    }
    if (settings.faults & kTestbedStorePoisonThenFail) {
        *bitmap = testbed::PoisonedBitmap();
        return gfl::kErrorInjected;
    }

    source.callbacks = &effective.callbacks;
    testbed::SourceBuffer bytes;
    testbed::DecodedImage image;
    const gfl::Error decoded = ReadAndDecode(source, effective.formatIndex, bytes, image);
    if (decoded != gfl::kNoError)
        return decoded;
    if (CancelRequested(effective, settings.cancelPolls))
        return gfl::kErrorCancelled;

    const size_t sourceBytes = bytes.size();
    bytes.reset();
    // Information first: it only reads the image, which NewBitmap empties.
    if (info) {
        const gfl::Error filled =
            testbed::FillFileInformation(testbed::HeaderOf(image), sourceBytes, settings, info);
        if (filled != gfl::kNoError)
            return filled;
    }
    gfl::Bitmap* made = testbed::NewBitmap(image);
    if (!made) {
        testbed::ReleaseFileInformation(info);
        return gfl::kErrorNoMemory;
    }
    *bitmap = made;
    if ((settings.faults & kTestbedStoreFreedBitmapThenFail) || failsLate) {
        testbed::DeleteBitmap(made);
        testbed::ReleaseFileInformation(info);
        return gfl::kErrorInjected;
    }
    if (succeedsEmpty) {
        testbed::DeleteBitmap(made);
        *bitmap = nullptr;
        return gfl::kNoError;
    }
    testbed::DeviateLoadedBitmap(made);
    testbed::NoteLoaded(*made);
    return gfl::kNoError;
}

}  // namespace

gfl::Error gflGetFileInformationW(const wchar_t* path, int32_t formatIndex, gfl::FileInformation* info) noexcept
{
    BeginCall(kTbGetFileInformationW);
    Source source;
    source.fails = LibraryDeviation::FileInfoFails;
    source.failsLate = LibraryDeviation::FileInfoFailsAfterFill;
    source.path = path;
    return Identify(source, formatIndex, info);
}

gfl::Error gflGetFileInformationFromHandle(void* handle, int32_t formatIndex, const gfl::StreamCallbacks* callbacks,
                                           gfl::FileInformation* info) noexcept
{
    BeginCall(kTbGetFileInformationFromHandle);
    Source source;
    source.fails = LibraryDeviation::StreamInfoFails;
    source.failsLate = LibraryDeviation::StreamInfoFailsAfterFill;
    source.handle = handle;
    source.callbacks = callbacks;
    source.throughCallbacks = true;
    return Identify(source, formatIndex, info);
}

gfl::Error gflLoadBitmapW(const wchar_t* path, gfl::Bitmap** bitmap, const gfl::LoadParams* params,
                          gfl::FileInformation* info) noexcept
{
    BeginCall(kTbLoadBitmapW);
    Source source;
    source.fails = LibraryDeviation::LoadFails;
    source.failsLate = LibraryDeviation::LoadFailsAfterStore;
    source.succeedsEmpty = LibraryDeviation::LoadSucceedsWithoutBitmap;
    source.path = path;
    return Load(source, bitmap, params, info);
}

gfl::Error gflLoadBitmapFromHandle(void* handle, gfl::Bitmap** bitmap, const gfl::LoadParams* params,
                                   gfl::FileInformation* info) noexcept
{
    BeginCall(kTbLoadBitmapFromHandle);
    Source source;
    source.fails = LibraryDeviation::StreamLoadFails;
    source.failsLate = LibraryDeviation::StreamLoadFailsAfterStore;
    source.succeedsEmpty = LibraryDeviation::StreamLoadSucceedsWithoutBitmap;
    source.handle = handle;
    source.throughCallbacks = true;
    return Load(source, bitmap, params, info);
}

void gflGetDefaultLoadParams(gfl::LoadParams* params) noexcept
{
    BeginCall(kTbGetDefaultLoadParams);
    if (!params)
        return;
    *params = DefaultLoadParams();
    testbed::PadWholeRecord(testbed::CurrentCallSettings(), params, sizeof *params);
    testbed::DeviateDefaultLoadParams(params);
}

void gflFreeBitmap(gfl::Bitmap* bitmap) noexcept
{
    BeginCall(kTbFreeBitmap);
    testbed::DeleteBitmap(bitmap);
}

void gflFreeFileInformation(gfl::FileInformation* info) noexcept
{
    BeginCall(kTbFreeFileInformation);
    testbed::ReleaseFileInformation(info);
}

gfl::Error gflChangeColorDepth(gfl::Bitmap* source, gfl::Bitmap** destination, uint32_t mode, uint16_t) noexcept
{
    BeginCall(kTbChangeColorDepth);
    const testbed::Drawn fails = Deviate(LibraryDeviation::ConversionFails);
    const testbed::Drawn dropsPixels = Deviate(LibraryDeviation::PixelsNullAfterConversion);
    if ((testbed::CurrentCallSettings().faults & kTestbedFailConversion) || fails)
        return gfl::kErrorInjected;
    if (!source || destination)
        return gfl::kErrorBadParameters;
    if (mode != gfl::kModeToBgra)
        return gfl::kErrorUnsupportedConversion;
    bool hasPixels = false;
    const gfl::Error converted = testbed::ConvertToBgra(source, &hasPixels);
    if (converted != gfl::kNoError)
        return converted;
    if (dropsPixels && testbed::DropPixels(source))
        hasPixels = false;
    testbed::NoteConverted(*source, hasPixels);
    return gfl::kNoError;
}
