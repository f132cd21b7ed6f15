#include "app/resource.h"
#include "tests/support/DpiOverride.h"
#include "tests/support/ProcessCounts.h"
#include "tests/support/Pump.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/TestPanel.h"
#include "tests/support/XInput.h"
#include <gtest/gtest.h>
#include <psapi.h>
#include <memory>
#include <string>
#include <vector>

// The panel at other display scales: laid out, skinned and worked with the
// mouse at Wine's DPI of the prefix, and moved between scales in-process.
namespace
{
int Scaled(int value96, int dpi)
{
    return (value96 * dpi + 48) / 96;
}

// Controls and their rectangles in the panel's client area at 96 DPI.
struct Placed
{
    int id;
    RECT rect; // left, top, width, height
};
constexpr Placed kLayout96[] = {
    {IDC_FADER_IN_LEFT, {70, 75, 27, 147}},   {IDC_FADER_IN_RIGHT, {116, 75, 27, 147}},
    {IDC_FADER_OUT_LEFT, {175, 75, 27, 147}}, {IDC_FADER_OUT_RIGHT, {221, 75, 27, 147}},
    {IDC_MUTE_INPUT, {23, 214, 34, 32}},      {IDC_MUTE_OUTPUT, {250, 214, 34, 32}},
    {IDC_LINK_INPUT, {95, 208, 15, 38}},      {IDC_LINK_OUTPUT, {200, 208, 15, 38}},
    {IDC_LABEL_IN_LEFT, {65, 234, 25, 15}},   {IDC_LABEL_OUT_RIGHT, {217, 234, 25, 15}},
};

RECT RectInPanel(HWND panel, int id)
{
    RECT rect{};
    ::GetWindowRect(::GetDlgItem(panel, id), &rect);
    ::MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Every control of the table at its 96-DPI rectangle times dpi / 96.
void ExpectLayoutAt(HWND panel, int dpi)
{
    RECT client{};
    ::GetClientRect(panel, &client);
    EXPECT_EQ(client.right, Scaled(450, dpi)) << dpi;
    EXPECT_EQ(client.bottom, Scaled(276, dpi)) << dpi;
    for (const Placed& placed : kLayout96)
    {
        const RECT actual = RectInPanel(panel, placed.id);
        const RECT& r = placed.rect;
        EXPECT_EQ(actual.left, Scaled(r.left, dpi)) << placed.id << " at " << dpi;
        EXPECT_EQ(actual.top, Scaled(r.top, dpi)) << placed.id << " at " << dpi;
        EXPECT_EQ(actual.right - actual.left, Scaled(r.right, dpi)) << placed.id << " at " << dpi;
        EXPECT_EQ(actual.bottom - actual.top, Scaled(r.bottom, dpi)) << placed.id << " at " << dpi;
    }
}

std::string Point(int x, int y)
{
    return std::to_string(x) + " " + std::to_string(y);
}

// The sample-rate field's height and its font's.
std::pair<int, int> SampleRateField(HWND panel)
{
    HWND box = ::GetDlgItem(panel, IDC_SAMPLE_RATE);
    HDC dc = ::GetDC(box);
    HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(box, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, previous);
    ::ReleaseDC(box, dc);
    return {static_cast<int>(::SendMessageW(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)),
            static_cast<int>(metrics.tmHeight)};
}

// The widths of the window's small and big icons.
std::pair<int, int> IconWidths(HWND window)
{
    const auto width = [&](WPARAM which)
    {
        ICONINFO info{};
        BITMAP bitmap{};
        const auto icon = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, which, 0));
        if (!icon || !::GetIconInfo(icon, &info))
            return 0;
        ::GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        return static_cast<int>(bitmap.bmWidth);
    };
    return {width(ICON_SMALL), width(ICON_BIG)};
}

bool SimIs(const char* key, int value)
{
    return WaitFor([&] { return SimState()[key] == std::to_string(value); });
}
} // namespace

TEST(PanelAtScale, IsLaidOutAtTheDpiOfItsScreen)
{
    const std::pair<int, SIZE> sizes[] = {{120, {563, 345}}, {144, {675, 414}}, {192, {900, 552}}};
    for (const auto& [dpi, size] : sizes)
    {
        EndAllPanels();
        ChildProcess process = StartPanelAtDpi(static_cast<UINT>(dpi));
        HWND panel = WaitForPanelWindow();
        ASSERT_NE(panel, nullptr) << dpi;
        // Shown once its initialisation is over; titled before its controls are skinned.
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; })) << dpi;
        RECT client{};
        ::GetClientRect(panel, &client);
        EXPECT_EQ(client.right, size.cx) << dpi;
        EXPECT_EQ(client.bottom, size.cy) << dpi;
        ExpectLayoutAt(panel, dpi);
    }
    EndAllPanels();
}

// At 150 % the mouse still means what it points at: the top of a fader is
// its loudest volume, a drag moves by the pixels the mouse moved, and a key
// still steps by 1 dB.
TEST(PanelAtScale, ClickDragAndKeysAt144Dpi)
{
    EndAllPanels();
    ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
    ChildProcess process = StartPanelAtDpi(144);
    HWND panel = WaitForPanelWindow();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return SimState()["in.volume1"] == "-2560"; }));
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(::GetDlgItem(panel, IDC_ASIO_BUFFER)); }));

    // The device may be shown before the window is: the clicks wait for it.
    const HWND faderWindow = ::GetDlgItem(panel, IDC_FADER_IN_LEFT);
    RECT fader{};
    ::GetWindowRect(faderWindow, &fader);
    const int x = (fader.left + fader.right) / 2;
    ASSERT_TRUE(WaitFor([&] { return ::WindowFromPoint({x, fader.top + 1}) == faderWindow; }));
    ASSERT_TRUE(RunXdotool("xdotool mousemove --sync " + Point(x, fader.top + 1) + " click 1"));
    EXPECT_TRUE(SimIs("in.volume1", 0)) << "the top of the fader";

    // The thumb (26 pixels) travels 221 - 26 = 195 pixels over the input
    // range [-22528, 0]; 65 pixels down from the top is position
    // trunc(-22528 + 22528 * 65 / 195) = -15018, volume -7510.
    const int top = fader.top + 13;
    ASSERT_TRUE(RunXdotool("xdotool mousemove --sync " + Point(x, top) +
                           " mousedown 1 mousemove --sync " + Point(x, top + 30) +
                           " mousemove --sync " + Point(x, top + 65) + " mouseup 1"));
    EXPECT_TRUE(SimIs("in.volume1", -7510)) << "the drag, 65 pixels down";

    ASSERT_TRUE(RunXdotool("xdotool key Down"));
    EXPECT_TRUE(SimIs("in.volume1", -7510 - 256)) << "one key step, 1 dB";
    EndAllPanels();
}

namespace
{
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    // The commit charge where the system leaves PrivateUsage empty.
    return memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
}

// The controls Tab visits, in order, from the first fader.
std::vector<int> TabWalk(HWND panel)
{
    std::vector<int> ids;
    HWND first = ::GetDlgItem(panel, IDC_FADER_IN_LEFT);
    HWND control = first;
    do
    {
        ids.push_back(::GetDlgCtrlID(control));
        control = ::GetNextDlgTabItem(panel, control, FALSE);
    } while (control && control != first && ids.size() < 20);
    return ids;
}

// The message Windows sends when the panel moves to a screen of another
// scale, suggesting a place on that screen: the panel takes it.
void MoveToDpi(TestPanel& panel, int dpi)
{
    RECT window{};
    ::GetWindowRect(panel.m_hWnd, &window);
    RECT client{};
    ::GetClientRect(panel.m_hWnd, &client);
    const POINT place{dpi, dpi / 2};
    RECT suggested{place.x, place.y,
                   place.x + (window.right - window.left) - client.right + Scaled(450, dpi),
                   place.y + (window.bottom - window.top) - client.bottom + Scaled(276, dpi)};
    panel.SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    PumpFor(50);
    ::GetWindowRect(panel.m_hWnd, &window);
    EXPECT_TRUE(::EqualRect(&window, &suggested)) << "not at the suggested place at " << dpi;
}
} // namespace

TEST(PanelAtScale, MovesBetweenScalesWithoutLeaking)
{
    FakeUsbAudio::Instance().Reset();
    TestPanel panel;
    ASSERT_TRUE(panel.Create());
    PumpFor(100);
    ExpectLayoutAt(panel.m_hWnd, 96);
    EXPECT_EQ(IconWidths(panel.m_hWnd), std::make_pair(16, 32));

    const std::weak_ptr<const CGdiPlusBitmap> art96 =
        panel.ControlOf<CGdipButton>(IDC_MUTE_INPUT).m_imgStandard;
    const auto [field96, text96] = SampleRateField(panel.m_hWnd);
    MoveToDpi(panel, 144);
    EXPECT_TRUE(art96.expired()) << "the old scale's art is freed";
    ExpectLayoutAt(panel.m_hWnd, 144);
    EXPECT_EQ(IconWidths(panel.m_hWnd), std::make_pair(24, 48)) << "the icons drawn for 144 DPI";
    // The always-open box's field keeps its margins in scale, not only its text.
    const auto [field144, text144] = SampleRateField(panel.m_hWnd);
    EXPECT_EQ(field144 - text144, Scaled(field96 - text96, 144));
    RECT thumb{};
    panel.Ask(IDC_FADER_IN_LEFT, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    EXPECT_EQ(thumb.bottom - thumb.top, 26);
    const CGdipButton& mute = panel.ControlOf<CGdipButton>(IDC_MUTE_INPUT);
    EXPECT_EQ(mute.m_imgStandard, panel.ControlOf<CGdipButton>(IDC_MUTE_OUTPUT).m_imgStandard)
        << "one decoded image for both buttons";
    EXPECT_TRUE(mute.m_statesBuilt) << "looks built again at the new size";
    EXPECT_EQ(TabWalk(panel.m_hWnd),
              (std::vector<int>{IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT, IDC_LINK_INPUT,
                                IDC_MUTE_INPUT, IDC_FADER_OUT_LEFT, IDC_FADER_OUT_RIGHT,
                                IDC_LINK_OUTPUT, IDC_MUTE_OUTPUT, IDC_INPUT_SOURCE,
                                IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER}))
        << "Tab still follows reading order";

    // The system keeps a few objects for each resolution it has drawn at
    // (measured: 3 to 6 at its first visit, none after): every one is seen
    // once before counting.
    for (int dpi : {120, 96})
        MoveToDpi(panel, dpi);
    const int before = GdiObjectCount();
    ASSERT_GT(before, 0) << "GDI objects cannot be counted here";
    const SIZE_T privateBefore = PrivateBytes();
    for (int trip = 0; trip < 10; ++trip)
    {
        MoveToDpi(panel, 120);
        MoveToDpi(panel, 96);
    }
    ExpectLayoutAt(panel.m_hWnd, 96);
    EXPECT_EQ(SampleRateField(panel.m_hWnd).first, field96);
    EXPECT_EQ(GdiObjectCount(), before) << "GDI objects after ten round trips";

    // No monitor has these: the layout stays.
    for (int dpi : {0, 5000})
        panel.SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
    ExpectLayoutAt(panel.m_hWnd, 96);
    // Each trip decodes and frees about 3 MB of art; the heap may keep a little.
    EXPECT_LT(PrivateBytes(), privateBefore + 1024 * 1024) << "private bytes after ten round trips";
}

// Which art serves a DPI, and the size its images are brought to: never
// smaller art scaled up, except above the largest set.
TEST(SkinArt, PicksTheSmallestArtAtOrAboveTheDpiAndBringsItToSize)
{
    struct Case
    {
        UINT dpi;
        UINT artDpi;
        SIZE mute;
    };
    const Case cases[] = {
        {72, 96, {31, 30}},   {96, 96, {41, 40}},   {110, 120, {47, 46}},   {120, 120, {51, 50}},
        {144, 144, {62, 60}}, {150, 168, {64, 63}}, {240, 240, {103, 100}}, {288, 240, {123, 120}},
    };
    for (const Case& c : cases)
    {
        CSkinArt art(c.dpi);
        EXPECT_EQ(art.ArtDpi(), c.artDpi) << c.dpi;
        const auto mute = art.Image(SkinImage::MuteOn);
        ASSERT_TRUE(mute && mute->m_image) << c.dpi;
        EXPECT_EQ(static_cast<LONG>(mute->m_image->GetWidth()), c.mute.cx) << c.dpi;
        EXPECT_EQ(static_cast<LONG>(mute->m_image->GetHeight()), c.mute.cy) << c.dpi;
        EXPECT_EQ(art.Image(SkinImage::MuteOn), mute) << "decoded once";
        EXPECT_EQ(art.Background().GetSize().cx, Scaled(450, static_cast<int>(c.dpi))) << c.dpi;
    }
}
