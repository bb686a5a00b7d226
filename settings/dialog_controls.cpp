// Text reads, selection and enable/disable helpers for the configuration
// dialog's controls.
#include "settings/dialog_controls.h"

#include <vector>

namespace {

// Short texts get twice the room they report, so a text that grows between
// the length query and the read still arrives whole.
constexpr size_t kGenerousBufferLimit = 4096;

}  // namespace

bool GetControlText(HWND control, std::wstring& text)
{
    text.clear();
    const int length = GetWindowTextLengthW(control);
    if (length <= 0)
        return true;
    size_t capacity = static_cast<size_t>(length) + 1;
    if (capacity < kGenerousBufferLimit)
        capacity *= 2;
    std::vector<wchar_t> buffer(capacity, L'\0');
    if (GetWindowTextW(control, buffer.data(), static_cast<int>(capacity)) == 0)
        return false;
    text.assign(buffer.data());  // up to the terminator
    return true;
}

bool GetListItemText(HWND listBox, int index, std::wstring& text)
{
    text.clear();
    const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == 0)
        return true;
    if (length < 0)
        return false;
    // LB_GETTEXT takes no buffer size: the room is the length just reported,
    // which holds because only the dialog's own thread changes its list box.
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT read =
        SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (read <= 0)
        return false;
    text.assign(buffer.data());
    return true;
}

std::vector<int> SelectedIndices(HWND listBox, LRESULT count)
{
    std::vector<int> indices(static_cast<size_t>(count));
    const LRESULT fetched = SendMessageW(listBox, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                         reinterpret_cast<LPARAM>(indices.data()));
    if (fetched != count)
        indices.clear();
    return indices;
}

void EnableControl(HWND dialog, int controlId) noexcept
{
    if (HWND control = GetDlgItem(dialog, controlId))
        EnableWindow(control, TRUE);
}

void DisableControl(HWND dialog, int controlId) noexcept
{
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return;
    if (GetFocus() == control)
        SendMessageW(dialog, WM_NEXTDLGCTL, 0, 0);
    EnableWindow(control, FALSE);
}
