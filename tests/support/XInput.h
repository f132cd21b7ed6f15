#pragma once
#include <windows.h>
#include <string>

// Real input through the X server (xdotool), as the user's mouse and
// keyboard give it. Without a window manager Wine's windows lie at their
// screen coordinates on the X root window, so screen points are X points.

// One xdotool script run by the host's shell in the background. Wine gives
// no handle to wait on for a host program, so the script ends by touching
// a marker file that the object looks for.
class XdotoolRun
{
public:
    // The script is a shell command line without double quotes; false from
    // Started() when xdotool is missing.
    explicit XdotoolRun(const std::string& script);
    ~XdotoolRun();
    XdotoolRun(const XdotoolRun&) = delete;
    XdotoolRun& operator=(const XdotoolRun&) = delete;

    bool Started() const { return m_started; }
    bool Finished() const;
    // True when the script ended within the time.
    bool Wait(DWORD timeoutMs) const;

private:
    std::wstring m_marker;
    bool m_started = false;
};

// Runs an xdotool script to its end; false when xdotool is missing or the
// script did not end in time.
bool RunXdotool(const std::string& script, DWORD timeoutMs = 15000);

// Presses keys through the X server into the top-level window whose title
// matches the pattern, as a user would; false when xdotool is missing. The
// keys arrive a little later: wait for their effect.
bool PressKeysIn(const std::string& titlePattern, const std::string& keys);
// A real left click at a point of the screen; arrives a little later.
bool ClickAt(POINT screen);
