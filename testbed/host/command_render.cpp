// render [--stream] FILE OUT.png: identifies the file (the host loads only
// what identification accepted), has the plug-in decode it, checks the DIB
// section it hands over and writes its pixels as a PNG.
#include <cstring>

#include "win32/unique_handle.h"
#include "testbed/host/console_output.h"
#include "testbed/host/driver_commands.h"
#include "testbed/host/file_identification.h"
#include "testbed/host/png_output.h"

namespace {

// The section's pixels as RGBA rows, top row first. False unless the bitmap
// is the 32-bit top-down DIB section the plug-in promises. The header that
// GetObjectW reports does not carry the row order on every platform (Wine
// reports a positive height for a top-down section), so the order is
// checked against GDI itself: read back top row first, the pixels must equal
// the section's memory as it lies.
bool ReadSection(HBITMAP bitmap, int& width, int& height, std::vector<uint8_t>& rgba, std::wstring& error)
{
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits) {
        error = L"the returned bitmap is not a DIB section";
        return false;
    }
    width = section.dsBm.bmWidth;
    height = section.dsBm.bmHeight;
    if (section.dsBmih.biBitCount != 32 || section.dsBmih.biCompression != BI_RGB || width <= 0 || height <= 0 ||
        section.dsBm.bmWidthBytes != width * 4) {
        error = L"the returned DIB section is not 32-bit (" + std::to_wstring(width) + L" x " +
                std::to_wstring(height) + L", " + std::to_wstring(section.dsBmih.biBitCount) + L" bits)";
        return false;
    }
    const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    std::vector<uint8_t> topRowFirst(size);
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = width;
    request.bmiHeader.biHeight = -height;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    GdiFlush();
    UniqueWindowDc screen(nullptr);
    if (!screen || GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height), topRowFirst.data(), &request,
                             DIB_RGB_COLORS) != height) {
        error = L"the returned DIB section cannot be read";
        return false;
    }
    if (std::memcmp(topRowFirst.data(), section.dsBm.bmBits, size) != 0) {
        error = L"the returned DIB section is bottom-up";
        return false;
    }
    rgba.resize(size);
    for (size_t i = 0; i < size; i += 4) {
        // Blue, green, red, straight alpha in; red, green, blue, alpha out.
        rgba[i] = topRowFirst[i + 2];
        rgba[i + 1] = topRowFirst[i + 1];
        rgba[i + 2] = topRowFirst[i];
        rgba[i + 3] = topRowFirst[i + 3];
    }
    return true;
}

}  // namespace

ExitCode RunRender(const dvp::PluginExports& plugin, const std::vector<std::wstring>& arguments)
{
    const bool useStream = !arguments.empty() && arguments.front() == L"--stream";
    const size_t first = useStream ? 1 : 0;
    if (arguments.size() != first + 2) {
        PrintError(L"usage: dopus [--config DIR] render [--stream] FILE OUT.png");
        return ExitCode::Usage;
    }
    const std::wstring& path = arguments[first];
    const std::wstring& output = arguments[first + 1];

    std::wstring error;
    const bool bound = useStream ? RequireExport(plugin.IdentifyFileStreamW, L"DVP_IdentifyFileStreamW", error) &&
                                       RequireExport(plugin.LoadBitmapStreamW, L"DVP_LoadBitmapStreamW", error)
                                 : RequireExport(plugin.IdentifyFileW, L"DVP_IdentifyFileW", error) &&
                                       RequireExport(plugin.LoadBitmapW, L"DVP_LoadBitmapW", error);
    if (!bound) {
        PrintError(error);
        return ExitCode::NoPlugin;
    }

    ComOwner<IStream> stream;
    if (useStream) {
        stream = OpenReadStream(path);
        if (!stream) {
            PrintError(L"cannot open " + path);
            return ExitCode::Failed;
        }
    }
    IdentifiedFile file;
    Identify(plugin, path, stream.get(), file);
    if (!file.accepted) {
        PrintError(path + L" refused by the plug-in");
        return ExitCode::Failed;
    }

    UniqueKernelHandle abortEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SIZE wantedSize{};
    HBITMAP bitmap = nullptr;
    if (useStream) {
        // Identification read from the stream; loading starts where the host
        // puts it, so the host rewinds it first.
        stream.get()->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        bitmap = plugin.LoadBitmapStreamW(nullptr, stream.get(), path.c_str(), &file.record, &wantedSize,
                                          abortEvent.get());
    } else {
        bitmap = plugin.LoadBitmapW(nullptr, path.c_str(), &file.record, &wantedSize, abortEvent.get());
    }
    if (!bitmap) {
        PrintError(L"the plug-in could not decode " + path);
        return ExitCode::Failed;
    }
    // The bitmap is the host's from here on.
    UniqueBitmap owned(bitmap);

    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    if (!ReadSection(bitmap, width, height, rgba, error)) {
        PrintError(error);
        return ExitCode::Failed;
    }
    if (!WritePng(output, width, height, rgba)) {
        PrintError(L"could not write " + output);
        return ExitCode::Failed;
    }
    const bool transparent = (file.record.flags & dvp::kFileInfoHasTransparency) != 0;
    PrintLine(L"rendered " + output + L": " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
              L", transparency: " + (transparent ? L"yes" : L"no"));
    return ExitCode::Ok;
}
