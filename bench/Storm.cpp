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
constexpr uint32_t kSlowNotifications = 20000;
constexpr double kGiveUpMs = 180000;
// Longer than any freeze of a panel that reads a whole burst in one go; a
// frozen panel is waited for, not taken as hung.
constexpr UINT kRoundTripLimitMs = 60000;

std::wstring TextOf(HWND window)
{
    wchar_t text[64] = L"";
    ::GetWindowTextW(window, text, 64);
    return text;
}

// Queues count volume notifications behind a new volume and adds the time to
// the state shown and the worst round trip meanwhile to the figures.
void Storm(const RunningPanel& panel, HWND readout, SimulatedDevice& device, int run,
           uint32_t count, Figure& settled, Figure& response)
{
    const std::wstring before = TextOf(readout);
    // A new value behind the burst: only the last read can show it.
    device.SetInputVolume(static_cast<int16_t>(run % 2 ? -2560 : -640));
    const double start = NowMs();
    device.Notify(3, count);
    double worst = 0;
    for (double now = NowMs(); now - start < kGiveUpMs; now = NowMs())
    {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(panel.Window(), WM_NULL, 0, 0, SMTO_NORMAL, kRoundTripLimitMs,
                              &ignored);
        const double answered = NowMs();
        worst = std::max(worst, answered - now);
        if (device.QueuedNotifications(::GetProcessId(panel.Process())) == 0 &&
            TextOf(readout) != before)
        {
            settled.samples.push_back(answered - start);
            response.samples.push_back(worst);
            return;
        }
        ::Sleep(1);
    }
    // Never settled: the round trips seen are still worth the table.
    response.samples.push_back(worst);
    settled.note = "did not settle within the time; ";
}
} // namespace

void BenchNotificationStorm(FigureTable& table)
{
    Figure settled{"1000 volume notifications to the final state shown", "ms", {}, ""};
    Figure response{"panel round trip during the storm: worst", "ms", {}, ""};
    Figure slowSettled{
        "20000 notifications from a slow driver (1 ms a read) to the state shown", "ms", {}, ""};
    Figure slowResponse{"panel round trip during the slow driver's storm: worst", "ms", {}, ""};
    SimulatedDevice device;
    device.Reset();
    RunningPanel panel;
    HWND readout = ::GetDlgItem(panel.Window(), IDC_LABEL_IN_LEFT);
    if (!panel.Window() || !readout)
    {
        settled.note = "the panel did not come up";
        for (Figure* figure : {&settled, &response, &slowSettled, &slowResponse})
            table.Add(std::move(*figure));
        return;
    }
    for (int run = 0; run < kRuns; ++run)
    {
        Storm(panel, readout, device, run, kNotifications, settled, response);
        ::Sleep(300);
    }
    device.SetNotificationReadMs(1);
    // The next value in turn, so that the readout changes once more.
    Storm(panel, readout, device, kRuns, kSlowNotifications, slowSettled, slowResponse);
    device.SetNotificationReadMs(0);
    settled.note += "queued as kv58sim notify 3 1000 does; done when the panel's queue is empty "
                    "and its readout changed";
    response.note = "SendMessageTimeout(WM_NULL) polled every ~1 ms during the storm";
    slowSettled.note += "the simulator sleeping 1 ms in each read, otherwise as above";
    slowResponse.note = "SendMessageTimeout(WM_NULL) from this process, polled every ~1 ms";
    for (Figure* figure : {&settled, &response, &slowSettled, &slowResponse})
        table.Add(std::move(*figure));
}
