#include "Benches.h"
#include "RunningPanel.h"
#include "SimulatedDevice.h"
#include "app/resource.h"
#include <algorithm>
#include <string>

namespace
{
constexpr int kRuns = 3;
constexpr uint32_t kNotifications = 1000;
constexpr double kGiveUpMs = 15000;

std::wstring TextOf(HWND window)
{
    wchar_t text[64] = L"";
    ::GetWindowTextW(window, text, 64);
    return text;
}
} // namespace

void BenchNotificationStorm(FigureTable& table)
{
    Figure settled{"1000 volume notifications to the final state shown", "ms", {}, ""};
    Figure response{"panel round trip during the storm: worst", "ms", {}, ""};
    SimulatedDevice device;
    device.Reset();
    RunningPanel panel;
    HWND readout = ::GetDlgItem(panel.Window(), IDC_LABEL_IN_LEFT);
    if (!panel.Window() || !readout)
    {
        settled.note = "the panel did not come up";
        table.Add(std::move(settled));
        table.Add(std::move(response));
        return;
    }
    for (int run = 0; run < kRuns; ++run)
    {
        const std::wstring before = TextOf(readout);
        // A new value behind the burst: only the last read can show it.
        device.SetInputVolume(static_cast<int16_t>(run % 2 ? -2560 : -640));
        const double start = NowMs();
        device.Notify(3, kNotifications);
        double worst = 0;
        double done = -1;
        for (double now = NowMs(); now - start < kGiveUpMs; now = NowMs())
        {
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutW(panel.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
            const double answered = NowMs();
            worst = std::max(worst, answered - now);
            if (device.QueuedNotifications(::GetProcessId(panel.Process())) == 0 &&
                TextOf(readout) != before)
            {
                done = answered - start;
                break;
            }
            ::Sleep(1);
        }
        if (done >= 0)
        {
            settled.samples.push_back(done);
            response.samples.push_back(worst);
        }
        ::Sleep(300);
    }
    settled.note = "queued as kv58sim notify 3 1000 does; done when the panel's queue is empty "
                   "and its readout changed";
    response.note = "SendMessageTimeout(WM_NULL) polled every ~1 ms during the storm";
    table.Add(std::move(settled));
    table.Add(std::move(response));
}
