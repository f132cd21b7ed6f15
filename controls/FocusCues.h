#pragma once
#include <windows.h>
#include <gdiplus.h>

// Whether the control, focused or not as it knows from its focus messages,
// shows focus cues, which stay hidden until the keyboard is used
// (WM_QUERYUISTATE of the top window). Asking the system for the focus
// instead would cost a paint a trip to the window server.
bool FocusCuesShown(HWND control, bool focused);
// The keyboard was used in the control: its window shows focus cues from now on.
void ShowFocusCues(HWND control);
// A thin light outline round a control of width x height at dpi: clear on
// the dark skin, and neutral, so that it does not read as the warm "on" look.
void DrawFocusOutline(Gdiplus::Graphics& graphics, int width, int height, UINT dpi);
