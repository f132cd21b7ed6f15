#pragma once
#include "tests/support/PanelProcess.h"

// Of the four boxes a panel's window enables only while it has the device open.
int EnabledDeviceBoxes(HWND panel);

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
    int EnabledBoxes() const { return EnabledDeviceBoxes(m_window); }
    // Milliseconds of CPU the process has used, user and kernel.
    double CpuMs() const;

private:
    ChildProcess m_process;
    HWND m_window = nullptr;
};
