#pragma once
#include <windows.h>

// An icon of the test program's own in the shell's tray while the object
// lives. Under Wine without a window manager, the tray's window hides when
// its last icon goes, and that stalls every panel that removes its icon for
// two seconds; with this icon there, the tray never empties.
class TrayKeeper
{
public:
    TrayKeeper();
    ~TrayKeeper();
    TrayKeeper(const TrayKeeper&) = delete;
    TrayKeeper& operator=(const TrayKeeper&) = delete;

private:
    HWND m_window = nullptr;
};
