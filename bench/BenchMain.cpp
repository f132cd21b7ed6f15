// Figures for the panel on the simulated device, printed as one table.
#include "Benches.h"
#include "tests/support/PanelProcess.h"
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <cstdio>
#include <cstring>

// "kv58bench startup" takes only the start-up figures (say, at another DPI).
int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    EndAllPanels();

    FigureTable table;
    BenchStartUp(table);
    if (argc < 2 || std::strcmp(argv[1], "startup") != 0)
    {
        BenchPainting(table);
        BenchRoundTrips(table);
        BenchDrag(table);
        BenchNotificationStorm(table);
        BenchIdle(table);
        BenchMemory(table);
    }
    table.Print();

    Gdiplus::GdiplusShutdown(token);
    return 0;
}
