// Where the configuration dialog opens: centred over its owner and kept
// inside the work area of the owner's monitor, or, without an owner,
// centred on the work area of the monitor under the mouse pointer.
#pragma once

#include <windows.h>

// Moves the window (never resizing it, never activating it or changing its
// z-order). Leaves it where it is when a rectangle it needs cannot be read.
void PlaceDialog(HWND window, HWND anchor) noexcept;

// The work area of the monitor nearest the window, else the primary
// monitor's; false (with an empty rectangle) when neither can be read.
bool GetWorkArea(RECT* area, HWND window) noexcept;
