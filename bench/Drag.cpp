#include "Benches.h"
#include "FaderDrag.h"
#include "RunningPanel.h"
#include "SimulatedDevice.h"
#include "app/resource.h"
#include <algorithm>

namespace
{
constexpr int kRuns = 3;
constexpr double kDragMs = 5000;
constexpr DWORD kMoveEveryMs = 8;

// Volume requests of the input's first channel, as the simulator logged them.
std::vector<double> VolumeRequestTimes(const std::vector<TimedCall>& calls)
{
    std::vector<double> times;
    for (const TimedCall& call : calls)
    {
        if (call.text.rfind("Set(14,0x01,2,", 0) == 0)
            times.push_back(call.ms);
    }
    return times;
}
} // namespace

void BenchDrag(FigureTable& table)
{
    Figure rate{"fader drag: volume requests per second", "1/s", {}, ""};
    Figure gap{"fader drag: worst gap between two requests", "ms", {}, ""};
    SimulatedDevice device;
    device.Reset();
    RunningPanel panel;
    HWND fader = ::GetDlgItem(panel.Window(), IDC_FADER_IN_LEFT);
    if (!panel.Window() || !fader)
    {
        rate.note = "the panel did not come up";
        table.Add(std::move(rate));
        table.Add(std::move(gap));
        return;
    }
    for (int run = 0; run < kRuns; ++run)
    {
        device.ClearLog();
        const DragSpan drag = DragFader(fader, kDragMs, [] { ::Sleep(kMoveEveryMs); });
        const double start = drag.startMs;
        const double end = drag.endMs;
        ::Sleep(300);
        std::vector<double> times = VolumeRequestTimes(device.Log());
        times.erase(std::remove_if(times.begin(), times.end(),
                                   [&](double t) { return t < start || t > end; }),
                    times.end());
        if (times.size() < 2)
            continue;
        rate.samples.push_back(static_cast<double>(times.size()) * 1000.0 / (end - start));
        double worst = 0;
        for (size_t i = 1; i < times.size(); ++i)
            worst = std::max(worst, times[i] - times[i - 1]);
        gap.samples.push_back(worst);
    }
    rate.note = "5 s, WM_MOUSEMOVE posted every 8 ms to the real panel's fader 1018";
    gap.note = "from the simulator's timed call log";
    table.Add(std::move(rate));
    table.Add(std::move(gap));
}
