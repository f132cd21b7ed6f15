#pragma once
#include "tests/support/PanelProcess.h"

// GUI_KV58.exe on the simulated device, up and showing the device.
class RunningPanel
{
public:
    RunningPanel();
    ~RunningPanel();
    RunningPanel(const RunningPanel&) = delete;
    RunningPanel& operator=(const RunningPanel&) = delete;

    // Null when the panel did not come up with the device.
    HWND Window() const { return m_window; }
    HANDLE Process() const { return m_process.Handle(); }
    // Of the four boxes enabled only while the panel has the device open.
    int EnabledBoxes() const;
    // Milliseconds of CPU the process has used, user and kernel.
    double CpuMs() const;

private:
    ChildProcess m_process;
    HWND m_window = nullptr;
};
