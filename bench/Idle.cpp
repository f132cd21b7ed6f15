#include "Benches.h"
#include "RunningPanel.h"
#include "SimulatedDevice.h"

namespace
{
constexpr int kWindows = 5;
constexpr DWORD kWindowMs = 2000;

// CPU milliseconds the panel used in each of several windows of time.
std::vector<double> CpuPerWindow(const RunningPanel& panel)
{
    std::vector<double> used;
    for (int i = 0; i < kWindows; ++i)
    {
        const double before = panel.CpuMs();
        ::Sleep(kWindowMs);
        used.push_back(panel.CpuMs() - before);
    }
    return used;
}
} // namespace

void BenchIdle(FigureTable& table)
{
    SimulatedDevice device;
    device.Reset();
    RunningPanel panel;
    if (!panel.Window())
    {
        table.Add({"idle CPU", "ms / 2 s", {}, "the panel did not come up"});
        return;
    }
    ::Sleep(1000);
    const std::string note = "GetProcessTimes over 5 windows of 2 s";
    table.Add({"idle CPU, panel visible", "ms / 2 s", CpuPerWindow(panel), note});
    ::ShowWindow(panel.Window(), SW_MINIMIZE);
    ::Sleep(500);
    table.Add({"idle CPU, panel minimised", "ms / 2 s", CpuPerWindow(panel), note});
    ::ShowWindow(panel.Window(), SW_HIDE);
    ::Sleep(500);
    table.Add({"idle CPU, panel hidden", "ms / 2 s", CpuPerWindow(panel), note});
    table.Add({"idle thread wake-ups",
               "count",
               {},
               "not measured: CPU time only, no context-switch counter"});
}
