#pragma once
#include <windows.h>
#include <string>

// The running panel's window: the top-level window with the title that has
// no owner. Its message boxes carry the same title but are owned by it, and
// would neither end nor take a preset.
HWND FindRunningPanel(const std::wstring& title);
