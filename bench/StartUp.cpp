#include "Benches.h"
#include "SimulatedDevice.h"
#include "framework/Gdi.h"
#include "tests/support/DpiOverride.h"
#include "tests/support/PanelProcess.h"
#include <functional>
#include <vector>

namespace
{
constexpr int kRuns = 5;
// A window counts as painted when its pixels stayed the same this long.
constexpr double kSettledMs = 400;
constexpr double kGiveUpMs = 20000;

// A fingerprint of what the screen shows in the window's client area.
unsigned long long ClientPixels(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0)
        return 0;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    DWORD* bits = nullptr;
    HBITMAP bitmap = CreateTopDownSection(width, height, &bits);
    unsigned long long hash = 1469598103934665603ull;
    if (bitmap)
    {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        ::GdiFlush();
        const auto* pixel = reinterpret_cast<const unsigned char*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height * 4; ++i)
            hash = (hash ^ pixel[i]) * 1099511628211ull;
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return hash;
}

// Milliseconds from the program's start to the last change of its window's
// pixels before they settled; negative when it never settled.
double TimeToFirstPaint(const std::wstring& program, const std::function<HWND()>& find,
                        const std::wstring& arguments = L"")
{
    const double start = NowMs();
    ChildProcess process(program, arguments);
    if (!process.Started())
        return -1;
    HWND window = nullptr;
    unsigned long long last = 0;
    double changed = 0;
    for (double now = NowMs(); now - start < kGiveUpMs; now = NowMs())
    {
        if (!window)
            window = find();
        if (window && ::IsWindowVisible(window))
        {
            const unsigned long long pixels = ClientPixels(window);
            if (changed == 0 || pixels != last)
            {
                last = pixels;
                changed = now;
            }
            else if (now - changed >= kSettledMs)
            {
                // Closed as a user would: a killed window leaves Wine waiting on it.
                ::PostMessageW(window, WM_CLOSE, 0, 0);
                process.WaitExit(5000);
                return changed - start;
            }
        }
        ::Sleep(2);
    }
    return -1;
}

HWND FindPanel()
{
    const std::vector<HWND> windows = PanelWindows();
    return windows.empty() ? nullptr : windows.front();
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
    TimeToFirstPaint(panel, FindPanel);
    EndAllPanels();
    Figure panelFigure{"start-up to first complete paint: panel" + suffix, "ms", {}, ""};
    Figure baselineFigure{"start-up to first complete paint: plain dialog" + suffix, "ms", {}, ""};
    Figure ratio{"start-up ratio panel / plain dialog" + suffix, "x", {}, "per pair of runs"};
    Figure templateFigure{
        "start-up to first complete paint: the panel's template, unskinned" + suffix, "ms", {}, ""};
    Figure templateRatio{"start-up ratio unskinned template / plain dialog" + suffix, "x", {},
                         "per pair of runs; the floor for the panel's windows"};
    for (int run = 0; run < kRuns; ++run)
    {
        const double plain = TimeToFirstPaint(baseline, FindBaseline);
        const double skinned = TimeToFirstPaint(panel, FindPanel);
        EndAllPanels();
        const double unskinned = TimeToFirstPaint(baseline, FindBaseline, L"-template");
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
}
} // namespace

void BenchStartUp(FigureTable& table)
{
    SimulatedDevice device;
    device.Reset();
    StartUpAtScale(table, "");
    // Wine reads the resolution when a program starts: set for these starts only.
    const LogPixelsOverride scale(192);
    StartUpAtScale(table, ", 192 DPI");
}
