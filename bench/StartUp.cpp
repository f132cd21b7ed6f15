#include "Benches.h"
#include "FirstPaint.h"
#include "SimulatedDevice.h"
#include "tests/support/DpiOverride.h"
#include "tests/support/PanelProcess.h"
#include "tests/support/TrayKeeper.h"
#include <functional>
#include <vector>

namespace
{
constexpr int kRuns = 15;

// Each start waits this long after the last program ended, so that what
// the system does after an exit (the tray taking an icon away, the server
// freeing the process) falls on no one's start.
constexpr DWORD kQuietMs = 300;

double QuietStart(const std::wstring& program, const std::function<HWND()>& find,
                  const std::wstring& arguments = L"")
{
    ::Sleep(kQuietMs);
    return TimeToFirstPaint(program, find, arguments);
}

HWND FindBaseline()
{
    return ::FindWindowW(nullptr, L"KV58 baseline");
}

// The panel, the plain dialog and the panel's template unskinned, started in
// turn; "suffix" tells the rows of one scale from another's.
void StartUpAtScale(FigureTable& table, const std::string& suffix)
{
    const std::wstring panel = BinaryPath(L"GUI_KV58.exe");
    const std::wstring baseline = BinaryPath(L"kv58baseline.exe");
    // The first start of each loads what the later ones find cached.
    TimeToFirstPaint(baseline, FindBaseline);
    TimeToFirstPaint(panel, FirstPanelWindow);
    EndAllPanels();
    Figure panelFigure{"start-up to first complete paint: panel" + suffix, "ms", {}, ""};
    Figure baselineFigure{"start-up to first complete paint: plain dialog" + suffix, "ms", {}, ""};
    Figure ratio{"start-up ratio panel / plain dialog" + suffix, "x", {}, "per pair of runs"};
    Figure templateFigure{
        "start-up to first complete paint: the panel's template, unskinned" + suffix, "ms", {}, ""};
    Figure templateRatio{"start-up ratio unskinned template / plain dialog" + suffix,
                         "x",
                         {},
                         "per pair of runs; the floor for the panel's windows"};
    Figure overTemplate{"start-up ratio panel / unskinned template" + suffix,
                        "x",
                        {},
                        "per run of the three; the panel's own share above its windows"};
    for (int run = 0; run < kRuns; ++run)
    {
        const double plain = QuietStart(baseline, FindBaseline);
        const double skinned = QuietStart(panel, FirstPanelWindow);
        EndAllPanels();
        const double unskinned = QuietStart(baseline, FindBaseline, L"-template");
        if (plain > 0)
            baselineFigure.samples.push_back(plain);
        if (skinned > 0)
            panelFigure.samples.push_back(skinned);
        if (unskinned > 0)
            templateFigure.samples.push_back(unskinned);
        if (plain > 0 && skinned > 0)
            ratio.samples.push_back(skinned / plain);
        if (plain > 0 && unskinned > 0)
            templateRatio.samples.push_back(unskinned / plain);
        if (skinned > 0 && unskinned > 0)
            overTemplate.samples.push_back(skinned / unskinned);
    }
    const std::string how = "process start to the last pixel change of the client area "
                            "(screen polled every 2 ms, settled after 400 ms)";
    panelFigure.note = how;
    baselineFigure.note = how;
    templateFigure.note = how;
    table.Add(std::move(panelFigure));
    table.Add(std::move(baselineFigure));
    table.Add(std::move(ratio));
    table.Add(std::move(templateFigure));
    table.Add(std::move(templateRatio));
    table.Add(std::move(overTemplate));
}
} // namespace

void BenchStartUp(FigureTable& table)
{
    SimulatedDevice device;
    device.Reset();
    // The notification area is always there on Windows. Under Wine without a
    // window manager its window shows with the first icon and hides two
    // seconds after the last: each panel would pay at its start and its end
    // for what Windows never does.
    const TrayKeeper tray;
    StartUpAtScale(table, "");
    // Wine reads the resolution when a program starts: set for these starts only.
    const LogPixelsOverride scale(192);
    StartUpAtScale(table, ", 192 DPI");
}
