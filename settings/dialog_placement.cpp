// PlaceDialog and GetWorkArea. The arithmetic runs in 64 bits, so no
// rectangle the system reports can overflow it.
#include "settings/dialog_placement.h"

#include <cstdint>

namespace {

// The work area of the monitor under the mouse pointer (the primary monitor
// when the pointer is on none).
bool CursorMonitorWorkArea(RECT* area) noexcept
{
    POINT cursor{};
    if (!GetCursorPos(&cursor))
        return false;
    HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY);
    if (!monitor)
        return false;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return false;
    *area = info.rcWork;
    return true;
}

// Centres a span of the given length on [anchorStart, anchorEnd) and keeps it
// inside [boundStart, boundEnd). The end bound is applied last, so it wins
// when the span is longer than the bounds.
int64_t Position(int64_t anchorStart, int64_t anchorEnd, int64_t length, int64_t boundStart, int64_t boundEnd) noexcept
{
    int64_t start = anchorStart + (anchorEnd - length - anchorStart) / 2;  // truncates toward zero
    if (start < boundStart)
        start = boundStart;
    if (start + length > boundEnd)
        start = boundEnd - length;
    return start;
}

}  // namespace

bool GetWorkArea(RECT* area, HWND window) noexcept
{
    *area = RECT{};
    if (HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)) {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoW(monitor, &info)) {
            *area = info.rcWork;
            return true;
        }
    }
    return SystemParametersInfoW(SPI_GETWORKAREA, 0, area, 0) != FALSE;
}

void PlaceDialog(HWND window, HWND anchor) noexcept
{
    RECT anchorRect{};
    RECT bounds{};
    if (anchor) {
        if (!GetWindowRect(anchor, &anchorRect) || !GetWorkArea(&bounds, anchor))
            return;
    } else {
        if (!CursorMonitorWorkArea(&anchorRect) && !GetWindowRect(GetDesktopWindow(), &anchorRect))
            return;
        bounds = anchorRect;
    }

    RECT own{};
    if (!GetWindowRect(window, &own))
        return;
    const int64_t width = int64_t{own.right} - own.left;
    const int64_t height = int64_t{own.bottom} - own.top;
    const int64_t x = Position(anchorRect.left, anchorRect.right, width, bounds.left, bounds.right);
    const int64_t y = Position(anchorRect.top, anchorRect.bottom, height, bounds.top, bounds.bottom);
    SetWindowPos(window, nullptr, static_cast<int>(x), static_cast<int>(y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
