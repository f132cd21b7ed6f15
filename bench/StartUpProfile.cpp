// Where the panel's own start-up time goes: the dialog's creation with its
// initialisation, and its first paint, in-process on the fake driver, with
// the time spent inside chosen calls taken at the program's import table.
#include "Benches.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include <gdiplus.h>
#include <map>
#include <string>

namespace
{
constexpr int kRuns = 5;

// Time and calls inside one imported function; Id tells them apart.
template <int Id, typename Result, typename... Args> struct Timed
{
    static inline Result(WINAPI* original)(Args...) = nullptr;
    static inline double ms = 0;
    static inline long calls = 0;

    static Result WINAPI Call(Args... args)
    {
        const double start = NowMs();
        const Result result = original(args...);
        ms += NowMs() - start;
        ++calls;
        return result;
    }
    static bool Install(const char* module, const char* function)
    {
        if (!original)
            original = reinterpret_cast<decltype(original)>(
                HookImport(module, function, reinterpret_cast<void*>(&Call)));
        return original != nullptr;
    }
    static void Clear() { ms = 0, calls = 0; }
};

using Tray = Timed<1, BOOL, DWORD, PNOTIFYICONDATAW>;
using Decode = Timed<2, Gdiplus::GpStatus, IStream*, Gdiplus::GpBitmap**>;
using Clone = Timed<3, Gdiplus::GpStatus, Gdiplus::GpImage*, Gdiplus::GpImage**>;
using DrawRect =
    Timed<4, Gdiplus::GpStatus, Gdiplus::GpGraphics*, Gdiplus::GpImage*, INT, INT, INT, INT>;
using DrawScaled = Timed<5, Gdiplus::GpStatus, Gdiplus::GpGraphics*, Gdiplus::GpImage*,
                         Gdiplus::REAL, Gdiplus::REAL, Gdiplus::REAL, Gdiplus::REAL, Gdiplus::REAL,
                         Gdiplus::REAL, Gdiplus::REAL, Gdiplus::REAL, Gdiplus::GpUnit,
                         const Gdiplus::GpImageAttributes*, Gdiplus::DrawImageAbort, VOID*>;
using Graphics = Timed<6, Gdiplus::GpStatus, HDC, Gdiplus::GpGraphics**>;
using Blit = Timed<7, BOOL, HDC, int, int, int, int, HDC, int, int, DWORD>;

struct Part
{
    const char* name;
    const char* call;
    double (*ms)();
    long (*calls)();
    void (*clear)();
};

template <typename T> constexpr Part PartOf(const char* name, const char* call)
{
    return {name, call, [] { return T::ms; }, [] { return T::calls; }, &T::Clear};
}

const Part kParts[] = {
    PartOf<Tray>("tray icon", "Shell_NotifyIconW"),
    PartOf<Decode>("PNG decodes", "GdipCreateBitmapFromStream"),
    PartOf<Clone>("image copies", "GdipCloneImage"),
    PartOf<Graphics>("GDI+ drawing contexts", "GdipCreateFromHDC"),
    PartOf<DrawRect>("image drawing", "GdipDrawImageRectI"),
    PartOf<DrawScaled>("image drawing with colour matrix", "GdipDrawImageRectRect"),
    PartOf<Blit>("copies", "BitBlt"),
};

// Repaint time of each kind of child window, summed over the visible ones.
struct ChildPaints
{
    std::map<std::wstring, std::pair<double, int>> byClass;
    HWND dialog;

    static BOOL CALLBACK Visit(HWND child, LPARAM self)
    {
        auto* paints = reinterpret_cast<ChildPaints*>(self);
        if (::GetParent(child) != paints->dialog || !::IsWindowVisible(child))
            return TRUE;
        wchar_t name[64] = L"";
        ::GetClassNameW(child, name, 64);
        const double start = NowMs();
        ::RedrawWindow(child, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        auto& [ms, count] = paints->byClass[name];
        ms += NowMs() - start;
        ++count;
        return TRUE;
    }
};

bool Install()
{
    bool all = Tray::Install("shell32.dll", "Shell_NotifyIconW");
    all &= Decode::Install("gdiplus.dll", "GdipCreateBitmapFromStream");
    all &= Clone::Install("gdiplus.dll", "GdipCloneImage");
    all &= DrawRect::Install("gdiplus.dll", "GdipDrawImageRectI");
    all &= DrawScaled::Install("gdiplus.dll", "GdipDrawImageRectRect");
    all &= Graphics::Install("gdiplus.dll", "GdipCreateFromHDC");
    all &= Blit::Install("gdi32.dll", "BitBlt");
    return all;
}
} // namespace

void BenchStartUpProfile(FigureTable& table)
{
    Figure creation{"profile: panel created and initialised (in-process)", "ms", {}, ""};
    Figure stateShown{
        "profile: panel created, the device read and shown (in-process)", "ms", {}, ""};
    Figure firstPaint{"profile: its first paint, all children", "ms", {}, ""};
    Figure repaint{"profile: a full repaint", "ms", {}, ""};
    std::vector<Figure> parts;
    std::vector<Figure> repaintParts;
    std::vector<long> repaintCalls;
    std::vector<Figure> childFigures;
    for (const Part& part : kParts)
    {
        const std::string what = std::string(part.name) + " (" + part.call + ")";
        parts.push_back({"profile: start, " + what, "ms", {}, ""});
        repaintParts.push_back({"profile: full repaint, " + what, "ms", {}, ""});
    }
    if (!Install())
    {
        creation.note = "the program's imports could not be hooked";
        table.Add(std::move(creation));
        return;
    }
    std::vector<long> calls(std::size(kParts), 0);
    for (int run = 0; run < kRuns; ++run)
    {
        FakeUsbAudio::Instance().Reset();
        for (const Part& part : kParts)
            part.clear();
        TestPanel panel;
        const double start = NowMs();
        if (!panel.Create())
            break;
        creation.samples.push_back(NowMs() - start);
        // The open and first reading run on the device thread meanwhile.
        if (!panel.Settle())
            break;
        stateShown.samples.push_back(NowMs() - start);
        const double shown = NowMs();
        ::ShowWindow(panel.m_hWnd, SW_SHOW);
        ::RedrawWindow(panel.m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        firstPaint.samples.push_back(NowMs() - shown);
        for (size_t i = 0; i < std::size(kParts); ++i)
        {
            parts[i].samples.push_back(kParts[i].ms());
            calls[i] = kParts[i].calls();
        }
        PumpFor(50);
        if (run + 1 < kRuns)
            continue;
        // The same parts in the full repaints that follow.
        for (const Part& part : kParts)
            part.clear();
        const double repaintsStart = NowMs();
        for (int repaint = 0; repaint < kRuns; ++repaint)
            ::RedrawWindow(panel.m_hWnd, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        repaint.samples.push_back((NowMs() - repaintsStart) / kRuns);
        for (size_t i = 0; i < std::size(kParts); ++i)
            repaintParts[i].samples.push_back(kParts[i].ms() / kRuns);
        // And the same repaint window by window: the dialog alone, then each child.
        const double dialogStart = NowMs();
        ::RedrawWindow(panel.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        childFigures.push_back({"profile: repaint of the dialog alone",
                                "ms",
                                {NowMs() - dialogStart},
                                "RedrawWindow without its children"});
        ChildPaints children{{}, panel.m_hWnd};
        ::EnumChildWindows(panel.m_hWnd, &ChildPaints::Visit, reinterpret_cast<LPARAM>(&children));
        for (const auto& [name, paint] : children.byClass)
            childFigures.push_back({"profile: repaint of the " + std::to_string(paint.second) +
                                        " visible " + std::string(name.begin(), name.end()) +
                                        " children",
                                    "ms",
                                    {paint.first},
                                    "each RedrawWindow(RDW_UPDATENOW) on its own, summed"});
        repaintCalls.assign(std::size(kParts), 0);
        for (size_t i = 0; i < std::size(kParts); ++i)
            repaintCalls[i] = kParts[i].calls() / kRuns;
    }
    creation.note = "TestPanel::Create on the fake driver: dialog, normaliser, tray, skins; "
                    "the open is only asked; the first run also starts the image codecs";
    stateShown.note = "TestPanel::Create, then Settle: the device thread has opened and read "
                      "the device and the panel shows it";
    firstPaint.note = "ShowWindow, then RedrawWindow(all children, RDW_UPDATENOW)";
    table.Add(std::move(creation));
    table.Add(std::move(stateShown));
    table.Add(std::move(firstPaint));
    for (size_t i = 0; i < parts.size(); ++i)
    {
        parts[i].note = "time inside the call during creation and first paint; " +
                        std::to_string(calls[i]) + " calls in the last run";
        table.Add(std::move(parts[i]));
    }
    repaint.note = "RedrawWindow(all children, RDW_UPDATENOW), mean of 5, after the last start";
    table.Add(std::move(repaint));
    for (size_t i = 0; i < repaintParts.size() && i < repaintCalls.size(); ++i)
    {
        repaintParts[i].note = "time inside the call per full repaint; " +
                               std::to_string(repaintCalls[i]) + " calls per repaint";
        table.Add(std::move(repaintParts[i]));
    }
    for (Figure& figure : childFigures)
        table.Add(std::move(figure));
}
