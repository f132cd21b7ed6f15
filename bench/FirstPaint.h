#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Milliseconds from the program's start to the last change of its window's
// client-area pixels on the screen before they settled (unchanged for
// 400 ms); negative when they never settled. The window is then closed.
double TimeToFirstPaint(const std::wstring& program, const std::function<HWND()>& find,
                        const std::wstring& arguments = L"");

// The panel's window, visible or not; null while there is none.
HWND FirstPanelWindow();
