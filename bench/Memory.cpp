#include "Benches.h"
#include "RunningPanel.h"
#include "SimulatedDevice.h"
#include "tests/support/ProcessCounts.h"
#include <psapi.h>
#include <algorithm>

namespace
{
constexpr int kCycles = 1000;
constexpr double kGiveUpMs = 5000;

// Each figure negative when the system does not answer it.
struct Usage
{
    double privateKb;
    double gdiObjects;
    double userObjects;
    double handles;
};

double GuiObjects(HANDLE process, DWORD kind)
{
    ::SetLastError(0);
    const DWORD count = ::GetGuiResources(process, kind);
    return count == 0 && ::GetLastError() != 0 ? -1 : static_cast<double>(count);
}

Usage UsageOf(const RunningPanel& panel)
{
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    double privateKb = -1;
    if (::GetProcessMemoryInfo(panel.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                               sizeof memory))
    {
        // The commit charge: the same figure where PrivateUsage is left empty.
        const SIZE_T committed = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
        privateKb = static_cast<double>(committed) / 1024.0;
    }
    return {privateKb, GuiObjects(panel.Process(), GR_GDIOBJECTS),
            GuiObjects(panel.Process(), GR_USEROBJECTS),
            static_cast<double>(HandleCount(::GetProcessId(panel.Process())))};
}

bool WaitForBoxes(const RunningPanel& panel, int enabled)
{
    const double start = NowMs();
    while (panel.EnabledBoxes() != enabled)
    {
        if (NowMs() - start > kGiveUpMs)
            return false;
        ::Sleep(1);
    }
    return true;
}
} // namespace

void BenchMemory(FigureTable& table)
{
    SimulatedDevice device;
    device.Reset();
    RunningPanel panel;
    if (!panel.Window())
    {
        table.Add({"memory", "", {}, "the panel did not come up"});
        return;
    }
    const Usage before = UsageOf(panel);
    int cycles = 0;
    const double start = NowMs();
    // Growth on the first cycle alone is made once, not per cycle.
    double afterFirstKb = -1;
    for (; cycles < kCycles; ++cycles)
    {
        if (cycles == 1)
            afterFirstKb = UsageOf(panel).privateKb;
        device.Attach(false);
        if (!WaitForBoxes(panel, 0))
            break;
        device.Attach(true);
        if (!WaitForBoxes(panel, 4))
            break;
    }
    const double cycleMs = (NowMs() - start) / std::max(cycles, 1);
    ::Sleep(500);
    const Usage after = UsageOf(panel);
    const std::string cycled = "after " + std::to_string(cycles) + " unplug/plug cycles";
    const auto add =
        [&](const std::string& what, const char* unit, double first, double last, const char* how)
    {
        auto samples = [](double value)
        { return value < 0 ? std::vector<double>{} : std::vector{value}; };
        const std::string note =
            first < 0 || last < 0 ? std::string(how) + ": no answer here" : how;
        table.Add({what + " after start", unit, samples(first), note});
        table.Add({what + " " + cycled, unit, samples(last), note});
    };
    add("private bytes", "KB", before.privateKb, after.privateKb,
        "GetProcessMemoryInfo PrivateUsage, else PagefileUsage");
    if (afterFirstKb >= 0)
        table.Add({"private bytes after the first unplug/plug cycle",
                   "KB",
                   {afterFirstKb},
                   "GetProcessMemoryInfo PrivateUsage, else PagefileUsage"});
    add("GDI objects", "count", before.gdiObjects, after.gdiObjects, "GetGuiResources");
    add("USER objects", "count", before.userObjects, after.userObjects, "GetGuiResources");
    add("kernel handles", "count", before.handles, after.handles, "system handle table");
    table.Add({"one unplug/plug cycle, to the boxes shown",
               "ms",
               {cycleMs},
               "mean over the cycles; state changed in place, as kv58sim does"});
}
