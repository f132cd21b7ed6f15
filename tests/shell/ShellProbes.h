#pragma once
#include "tests/support/XInput.h"
#include <windows.h>
#include <string>
#include <vector>

// What tests of the application shell observe from outside the panel.

// Whether the notification area holds the icon: an update that changes
// nothing succeeds only for an icon that exists.
bool TrayIconExists(HWND owner, UINT id);
// The tooltip texts that the notification area keeps for its icons.
std::vector<std::wstring> TrayTooltips();
// The window that shows the icon whose tooltip begins with the title line in
// the tray's own window (with no tray on the X server), or null when no such
// icon shows.
HWND TrayIconWindow(const std::wstring& title);
// The visible pop-up menu window (class "#32768") of a process, or null.
HWND FindPopupMenu(DWORD processId);
// The first dialog window of a process, titled or not yet, visible or not.
HWND FindDialogOf(DWORD processId);
// A visible dialog that the window owns (the panel's open About box or a
// message box; not a tooltip or a menu), or null.
HWND FindOwnedPopup(HWND owner);
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The window of a thread that has the keyboard focus.
HWND FocusOf(HWND window);

// Runs the device simulator's tool with the arguments; true on exit status 0.
bool RunSimulator(const std::wstring& arguments);
