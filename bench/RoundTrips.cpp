#include "Benches.h"
#include "SimulatedDevice.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"

namespace
{
constexpr int kRuns = 20;
}

void BenchRoundTrips(FigureTable& table)
{
    Figure time{"a refresh on the simulator: time", "ms", {}, ""};
    Figure calls{"a refresh on the simulator: driver calls", "count", {}, ""};
    SimulatedDevice device;
    device.Reset();
    UsbAudioLibrary library;
    if (!library.IsComplete())
    {
        time.note = "the simulator's library did not load";
        table.Add(std::move(time));
        table.Add(std::move(calls));
        return;
    }
    TestPanel panel(library.api(), SystemHidApi());
    if (panel.Create() && panel.Settle())
    {
        for (int run = 0; run < kRuns; ++run)
        {
            device.ClearLog();
            const double start = NowMs();
            // The call only asks the device thread: done when the panel shows the result.
            panel.Refresh();
            if (!panel.Settle())
            {
                time.note = "a refresh was not shown within 10 s; ";
                break;
            }
            time.samples.push_back(NowMs() - start);
            calls.samples.push_back(static_cast<double>(device.Log().size()));
            PumpFor(20);
        }
    }
    time.note += "in-process, the simulator's library loaded as the panel loads it; "
                 "the refresh asked until the panel shows its result";
    calls.note = "lines of the simulator's call log";
    table.Add(std::move(time));
    table.Add(std::move(calls));
}
