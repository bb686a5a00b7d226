// The built-in excluded extensions: the formats the host already shows
// itself, so the plug-in stays out of its way unless the user says otherwise.
// Listed in the order they are appended; ResetToDefaults sorts its copy. The
// one list the plug-in and its tests both read.
#pragma once

#include <array>

inline constexpr std::array<const wchar_t*, 68> DefaultExcludedExtensions = {
    L".png",  L".apng", L".bga",  L".bmp", L".dib",  L".r14",  L".r18",      L".sys",  L".vga",
    L".clp",  L".cur",  L".ico",  L".iff", L".ilbm", L".lbm",  L".blk",      L".gif",  L".giff",
    L".tga",  L".targa", L".pix", L".bpx", L".ivb",  L".tif",  L".tiff",     L".tim",  L".jpg",
    L".jpeg", L".jfif", L".j",    L".jpe", L".emf",  L".wmf",  L".psp",      L".pspimage",
    L".psd",  L".3fr",  L".arw",  L".bay", L".cr2",  L".crw",  L".dcr",      L".dng",  L".erf",
    L".fff",  L".kdc",  L".mef",  L".mos", L".mrw",  L".nef",  L".nrw",      L".orf",  L".pef",
    L".raf",  L".raw",  L".rw2",  L".sr2", L".srf",  L".x3f",  L".pbm",      L".pgm",  L".pnm",
    L".ppm",  L".pcx",  L".pcc",  L".dcx", L".pdf",  L".ai",
};
