#pragma once
#include "PanelProcess.h"

// LogPixels set while the object lives; the old value (or none) after.
class LogPixelsOverride
{
public:
    explicit LogPixelsOverride(DWORD dpi);
    ~LogPixelsOverride();
    LogPixelsOverride(const LogPixelsOverride&) = delete;
    LogPixelsOverride& operator=(const LogPixelsOverride&) = delete;

private:
    HKEY m_key = nullptr;
    DWORD m_previous = 0;
    bool m_hadValue = false;
};

// Wine takes a process's DPI from the prefix (HKCU\Control Panel\Desktop,
// LogPixels) once, when the process starts. This starts the panel with the
// value set for it alone: the old value is back as soon as the panel's
// window exists, so other programs of the run keep 96 DPI.
ChildProcess StartPanelAtDpi(UINT dpi, const std::wstring& arguments = L"");
