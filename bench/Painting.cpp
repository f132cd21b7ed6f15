#include "Benches.h"
#include "ImportHook.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include <gdiplus.h>
#include <algorithm>

namespace
{
constexpr int kFullPaints = 30;
constexpr double kDragMs = 10000;
constexpr DWORD kMoveEveryMs = 15;

// Calls the panel's code makes, counted on the way to the system.
struct CallCounts
{
    static inline long pngDecodes = 0;
    static inline long bitmaps = 0;
    static inline decltype(&Gdiplus::DllExports::GdipCreateBitmapFromStream) decode = nullptr;
    static inline decltype(&::CreateCompatibleBitmap) createBitmap = nullptr;

    static Gdiplus::GpStatus WINAPI Decode(IStream* stream, Gdiplus::GpBitmap** bitmap)
    {
        ++pngDecodes;
        return decode(stream, bitmap);
    }
    static HBITMAP WINAPI CreateBitmap(HDC dc, int width, int height)
    {
        ++bitmaps;
        return createBitmap(dc, width, height);
    }
    static bool Install()
    {
        if (!decode)
            decode = reinterpret_cast<decltype(decode)>(HookImport(
                "gdiplus.dll", "GdipCreateBitmapFromStream", reinterpret_cast<void*>(&Decode)));
        if (!createBitmap)
            createBitmap = reinterpret_cast<decltype(createBitmap)>(HookImport(
                "gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<void*>(&CreateBitmap)));
        return decode && createBitmap;
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
    PumpFor(300);
    const long decodesAtSetUp = CallCounts::pngDecodes;

    for (int run = 0; run < kFullPaints; ++run)
    {
        const double start = NowMs();
        ::RedrawWindow(panel.m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        full.samples.push_back(NowMs() - start);
        PumpFor(5);
    }

    HWND faderWindow = panel.m_fader1.m_hWnd;
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
    ::SendMessageW(faderWindow, WM_LBUTTONUP, 0, MAKELPARAM(x, height / 2));
    PumpFor(100);
    decodes.samples = {static_cast<double>(decodesAtSetUp)};
    decodesAfterDrag.samples = {static_cast<double>(CallCounts::pngDecodes)};
    decodes.note = decodesAfterDrag.note =
        "GdipCreateBitmapFromStream calls, counted at the program's import table";
    bitmaps.samples = {static_cast<double>(CallCounts::bitmaps - bitmapsBefore) /
                       static_cast<double>(fader.samples.size())};
    bitmaps.note = "CreateCompatibleBitmap calls / repaints; 1 = the paint's own buffer, no "
                   "surface rebuilt";
    table.Add(std::move(full));
    table.Add(std::move(fader));
    table.Add(std::move(decodes));
    table.Add(std::move(decodesAfterDrag));
    table.Add(std::move(bitmaps));
}
