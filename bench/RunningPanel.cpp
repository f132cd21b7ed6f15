#include "RunningPanel.h"
#include "app/resource.h"

RunningPanel::RunningPanel() : m_process(StartPanel())
{
    HWND window = WaitForPanelWindow();
    if (window)
    {
        m_window = window;
        if (!WaitFor([this] { return EnabledBoxes() == 4; }, 10000))
            m_window = nullptr;
    }
    ::Sleep(300);
}

RunningPanel::~RunningPanel()
{
    EndAllPanels();
}

int EnabledDeviceBoxes(HWND panel)
{
    int enabled = 0;
    for (int id : {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER})
        enabled += ::IsWindowEnabled(::GetDlgItem(panel, id)) ? 1 : 0;
    return enabled;
}

double RunningPanel::CpuMs() const
{
    FILETIME created;
    FILETIME ended;
    FILETIME kernel;
    FILETIME user;
    if (!::GetProcessTimes(m_process.Handle(), &created, &ended, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& time)
    { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}
