// Small helpers over the configuration dialog's controls: reading a
// control's or a list item's whole text, the list box's selection, and
// enabling or disabling a control without stranding the keyboard focus on a
// disabled window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The control's whole text. False when the text could not be read; an empty
// control gives true with an empty text.
bool GetControlText(HWND control, std::wstring& text);
// The text of one list-box item. False for an index the list box refuses or
// a read that fails; an empty item gives true with an empty text.
bool GetListItemText(HWND listBox, int index, std::wstring& text);
// The count selected indices, ascending; empty when the list box reports a
// different number than it was asked for.
std::vector<int> SelectedIndices(HWND listBox, LRESULT count);

// Enables the dialog's control if it exists.
void EnableControl(HWND dialog, int controlId) noexcept;
// Disables the dialog's control if it exists; when it has the keyboard focus
// the focus first moves on to the next tab stop, so it never rests on a
// disabled control.
void DisableControl(HWND dialog, int controlId) noexcept;
