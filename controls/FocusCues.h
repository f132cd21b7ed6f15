#pragma once
#include <windows.h>

// Whether the control has the focus and its window shows focus cues, which
// stay hidden until the keyboard is used (WM_QUERYUISTATE of the top window).
bool FocusCuesShown(HWND control);
// The keyboard was used in the control: its window shows focus cues from now on.
void ShowFocusCues(HWND control);
