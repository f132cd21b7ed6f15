#include "Benches.h"
#include "GuiObjects.h"
#include "tests/support/ImportHook.h"
#include "app/resource.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include <gdiplus.h>
#include <psapi.h>
#include <algorithm>

namespace
{
constexpr int kFullPaints = 30;
constexpr double kDragMs = 10000;
constexpr DWORD kMoveEveryMs = 15;
constexpr int kCycles = 1000;

// Calls the panel's code makes, counted on the way to the system.
struct CallCounts
{
    static inline long pngDecodes = 0;
    static inline long bitmaps = 0;
    static inline decltype(&Gdiplus::DllExports::GdipCreateBitmapFromStream) decode = nullptr;
    static inline decltype(&::CreateDIBSection) createBitmap = nullptr;

    static Gdiplus::GpStatus WINAPI Decode(IStream* stream, Gdiplus::GpBitmap** bitmap)
    {
        ++pngDecodes;
        return decode(stream, bitmap);
    }
    static HBITMAP WINAPI CreateBitmap(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset)
    {
        ++bitmaps;
        return createBitmap(dc, info, usage, bits, section, offset);
    }
    static bool Install()
    {
        if (!decode)
            decode = reinterpret_cast<decltype(decode)>(HookImport(
                "gdiplus.dll", "GdipCreateBitmapFromStream", reinterpret_cast<void*>(&Decode)));
        if (!createBitmap)
            createBitmap = reinterpret_cast<decltype(createBitmap)>(HookImport(
                "gdi32.dll", "CreateDIBSection", reinterpret_cast<void*>(&CreateBitmap)));
        return decode && createBitmap;
    }
};

double PrivateKb()
{
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(),
                                reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        return 0;
    return static_cast<double>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) /
           1024.0;
}

double FullPaintMs(HWND window)
{
    const double start = NowMs();
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return NowMs() - start;
}

// The panel's template with nothing of ours: the same windows, each drawn by
// the system. What a full paint costs here before any skin.
Figure UnskinnedTemplatePaint()
{
    Figure figure{"full paint of the same template, unskinned (system-drawn windows)",
                  "ms",
                  {},
                  "in-process; the floor for these windows"};
    HWND dialog = ::CreateDialogParamW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_GUI_KV58_DIALOG), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    if (!dialog)
    {
        figure.note = "the template could not be created";
        return figure;
    }
    ::ShowWindow(dialog, SW_SHOW);
    PumpFor(300);
    for (int run = 0; run < kFullPaints; ++run)
    {
        figure.samples.push_back(FullPaintMs(dialog));
        PumpFor(5);
    }
    ::DestroyWindow(dialog);
    return figure;
}

// Unplugs and plugs the fake device, each change handled by the device
// thread and shown; false when one was not shown in time.
bool CycleDevice(TestPanel& panel, int cycles)
{
    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        FakeUsbAudio::Instance().deviceCount = 0;
        ::SendMessageW(panel.m_hWnd, WM_PNP_NOTIFY, 2, 0);
        if (!panel.Settle())
            return false;
        FakeUsbAudio::Instance().deviceCount = 1;
        ::SendMessageW(panel.m_hWnd, WM_PNP_NOTIFY, 1, 0);
        if (!panel.Settle())
            return false;
        // The fake's call log is not the panel's memory.
        FakeUsbAudio::Instance().TakeCalls();
    }
    return true;
}

// Live GDI and USER objects at three moments, two rows each.
struct GuiObjectFigures
{
    Figure gdi[3];
    Figure user[3];

    GuiObjectFigures()
    {
        const char* when[] = {"after start", "after a 10 s drag", "after 1000 unplug/plug cycles"};
        for (int i = 0; i < 3; ++i)
        {
            gdi[i] = {std::string("live GDI objects ") + when[i], "count", {}, ""};
            user[i] = {std::string("live USER objects ") + when[i], "count", {}, ""};
        }
    }
    void Take(int moment)
    {
        PumpFor(200);
        const LiveGuiObjects live = LiveGuiObjectsNow();
        gdi[moment].samples = {static_cast<double>(live.gdi)};
        user[moment].samples = {static_cast<double>(live.user)};
    }
    void AddTo(FigureTable& table, const char* note)
    {
        for (Figure* figures : {gdi, user})
            for (int i = 0; i < 3; ++i)
            {
                figures[i].note = note;
                table.Add(std::move(figures[i]));
            }
    }
};
} // namespace

void BenchPainting(FigureTable& table)
{
    Figure full{
        "full panel paint (RedrawWindow, all children)", "ms", {}, "in-process, fake driver"};
    Figure fader{"fader repaint during a drag (move + UpdateWindow)", "ms", {}, "in-process"};
    Figure decodes{"PNG decodes from start: after set-up", "count", {}, ""};
    Figure decodesAfterDrag{"PNG decodes from start: after a 10 s drag", "count", {}, ""};
    Figure bitmaps{"bitmaps created per fader repaint in the drag", "count", {}, ""};
    if (!CallCounts::Install())
    {
        decodes.note = decodesAfterDrag.note = bitmaps.note =
            "the program's imports could not be hooked";
        table.Add(std::move(full));
        table.Add(std::move(fader));
        table.Add(std::move(decodes));
        table.Add(std::move(decodesAfterDrag));
        table.Add(std::move(bitmaps));
        return;
    }
    GuiObjectFigures objects;
    const bool countObjects = CountGuiObjects();
    FakeUsbAudio::Instance().Reset();
    CallCounts::pngDecodes = 0;
    TestPanel panel;
    if (!panel.Create())
    {
        full.note = "the panel could not be created";
        table.Add(std::move(full));
        return;
    }
    ::ShowWindow(panel.m_hWnd, SW_SHOW);
    panel.Settle();
    PumpFor(300);
    const long decodesAtSetUp = CallCounts::pngDecodes;
    objects.Take(0);

    for (int run = 0; run < kFullPaints; ++run)
    {
        full.samples.push_back(FullPaintMs(panel.m_hWnd));
        PumpFor(5);
    }

    HWND faderWindow = panel.Item(IDC_FADER_IN_LEFT);
    RECT client{};
    ::GetClientRect(faderWindow, &client);
    const int height = std::max<int>(client.bottom, 2);
    const int x = client.right / 2;
    ::SendMessageW(faderWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, height / 2));
    const long bitmapsBefore = CallCounts::bitmaps;
    const double dragStart = NowMs();
    for (int step = 0; NowMs() - dragStart < kDragMs; ++step)
    {
        // Up and down the whole track, a pixel or two a step.
        const int span = 2 * (height - 1);
        const int phase = (step * 2) % span;
        const int y = phase < height ? phase : span - phase;
        const double start = NowMs();
        ::SendMessageW(faderWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        ::UpdateWindow(faderWindow);
        fader.samples.push_back(NowMs() - start);
        PumpFor(kMoveEveryMs);
    }
    // Taken now: the unplug/plug cycles below make bitmaps of their own.
    const long dragBitmaps = CallCounts::bitmaps - bitmapsBefore;
    ::SendMessageW(faderWindow, WM_LBUTTONUP, 0, MAKELPARAM(x, height / 2));
    PumpFor(100);
    objects.Take(1);
    // One cycle first: what is made once for a reopen is not growth.
    const bool cycled = CycleDevice(panel, 1);
    const double privateBefore = PrivateKb();
    const double cyclesStart = NowMs();
    const bool allCycled = cycled && CycleDevice(panel, kCycles);
    const double cycleMs = (NowMs() - cyclesStart) / kCycles;
    objects.Take(2);
    const double privateAfter = PrivateKb();
    decodes.samples = {static_cast<double>(decodesAtSetUp)};
    decodesAfterDrag.samples = {static_cast<double>(CallCounts::pngDecodes)};
    decodes.note = decodesAfterDrag.note =
        "GdipCreateBitmapFromStream calls, counted at the program's import table";
    bitmaps.samples = {static_cast<double>(dragBitmaps) /
                       static_cast<double>(fader.samples.size())};
    bitmaps.note = "CreateDIBSection calls / repaints; 0 = composed in surfaces kept "
                   "between paints";
    table.Add(std::move(full));
    table.Add(UnskinnedTemplatePaint());
    table.Add(std::move(fader));
    table.Add(std::move(decodes));
    table.Add(std::move(decodesAfterDrag));
    table.Add(std::move(bitmaps));
    objects.AddTo(table, countObjects
                             ? "in-process, fake driver; creations paired with deletions at the "
                               "program's imports; USER: menus, icons and this thread's windows"
                             : "the program's imports could not be hooked");
    // A cycle never shown leaves figures that would not be of 1000 cycles.
    auto cycledOnly = [&](double value)
    { return allCycled ? std::vector{value} : std::vector<double>{}; };
    const std::string unshown = allCycled ? "" : "a cycle was not shown within 10 s; ";
    table.Add({"private bytes over 1000 unplug/plug cycles, in-process", "KB",
               cycledOnly(privateAfter - privateBefore),
               unshown + "fake driver in the bench's own process; growth after one warm-up "
                         "cycle"});
    table.Add({"one unplug/plug cycle in-process, handled to its end", "ms", cycledOnly(cycleMs),
               unshown + "fake driver; both PnP messages sent, each until the device thread "
                         "has handled it and the panel shows it"});
}
