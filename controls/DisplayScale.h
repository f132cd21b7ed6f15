#pragma once
#include <windows.h>

// Display scaling. The panel is designed at 96 DPI; at any other resolution
// every pixel value is the 96-DPI one times dpi / 96. The calls that tell a
// window's DPI exist only on newer Windows: where one is missing these fall
// back to the system's resolution and plain scaling.

constexpr UINT kBaseDpi = 96;

// A 96-DPI value at dpi, rounded half away from zero.
int ScaleToDpi(int value96, UINT dpi);
SIZE ScaleToDpi(SIZE size96, UINT dpi);

// The resolution the window is shown at.
UINT WindowDpi(HWND window);

// A system metric (an icon size, say) at dpi.
int SystemMetricForDpi(int index, UINT dpi);

// AdjustWindowRectEx for a window shown at dpi.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi);

// Asks the dialog manager to leave a dialog and its controls alone when the
// DPI changes: the dialog lays itself out.
void KeepDialogLayoutOnDpiChange(HWND dialog);
