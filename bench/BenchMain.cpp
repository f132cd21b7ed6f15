// Figures for the panel on the simulated device, printed as one table.
#include "Benches.h"
#include "tests/support/PanelProcess.h"
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    EndAllPanels();

    // Names on the command line pick benches (scripts/bench storm memory).
    const struct
    {
        const char* name;
        void (*run)(FigureTable&);
    } benches[] = {{"startup", &BenchStartUp},   {"profile", &BenchStartUpProfile},
                   {"painting", &BenchPainting}, {"roundtrips", &BenchRoundTrips},
                   {"drag", &BenchDrag},         {"storm", &BenchNotificationStorm},
                   {"idle", &BenchIdle},         {"memory", &BenchMemory},
                   {"stalled", &BenchStalled}};
    FigureTable table;
    for (const auto& bench : benches)
        if (argc < 2 || std::find_if(argv + 1, argv + argc,
                                     [&](const char* arg)
                                     { return std::strcmp(arg, bench.name) == 0; }) != argv + argc)
            bench.run(table);
    table.Print();

    Gdiplus::GdiplusShutdown(token);
    return 0;
}
