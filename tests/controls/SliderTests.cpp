#include "ControlsTestIds.h"
#include "SkinHost.h"
#include "tests/support/Pump.h"
#include <gtest/gtest.h>

namespace
{
// The input faders' range: -88 to 0 dB in 1/256 dB, mirrored.
constexpr int kLow = -22528;
constexpr int kHigh = 0;

class SliderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.Create());
        ASSERT_TRUE(slider.SetTrackImage(IDP_TEST_TRACK));
        ASSERT_TRUE(slider.SetThumbImage(IDP_TEST_THUMB));
        slider.m_vertical = TRUE;
        slider.m_lineStep = 256;
        slider.m_pageStep = 1280;
        slider.m_rangeMin = kLow;
        slider.m_rangeMax = kHigh;
        host.Show();
    }

    void Press(int y, WPARAM flags = MK_LBUTTON) const
    {
        slider.SendMessage(WM_LBUTTONDOWN, flags, MAKELPARAM(10, static_cast<WORD>(y)));
    }
    void Move(int y) const
    {
        slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, static_cast<WORD>(y)));
    }
    void Release(int y) const
    {
        slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(10, static_cast<WORD>(y)));
    }
    void Key(UINT key) const { slider.SendMessage(WM_KEYDOWN, key, 1); }
    // The reports that have reached the parent, as (message, position).
    std::vector<std::pair<UINT, LPARAM>> Reports()
    {
        PumpFor(10);
        std::vector<std::pair<UINT, LPARAM>> reports;
        for (const SkinHost::Report& report : host.sliderReports)
        {
            EXPECT_EQ(report.id, static_cast<WPARAM>(IDC_TEST_FADER));
            reports.emplace_back(report.message, report.position);
        }
        return reports;
    }
    size_t Count(UINT message)
    {
        size_t count = 0;
        for (const auto& report : Reports())
            count += report.first == message;
        return count;
    }
    COLORREF Shown(int x, int y) const { return PixelGrab::OfWindow(slider.m_hWnd).At(x, y); }

    SkinHost host;
    CPngSlider& slider = host.slider;
};

using Reported = std::vector<std::pair<UINT, LPARAM>>;
} // namespace

TEST_F(SliderTest, MapsPositionsToThumbCentresAndBack)
{
    RECT client{};
    ::GetClientRect(slider.m_hWnd, &client);
    EXPECT_EQ(client.right, 27);
    EXPECT_EQ(client.bottom, 147);
    EXPECT_EQ(slider.PosToPixel(kLow), 8);
    EXPECT_EQ(slider.PosToPixel(kHigh), 138);
    EXPECT_EQ(slider.PosToPixel(-11264), 73);
    EXPECT_EQ(slider.PixelToPos(8), kLow);
    EXPECT_EQ(slider.PixelToPos(138), kHigh);
    EXPECT_EQ(slider.PixelToPos(73), -11264);
    // Truncation toward zero, after the sum.
    EXPECT_EQ(slider.PixelToPos(132), -1039);

    slider.SetPos(5);
    EXPECT_EQ(slider.m_pos, kHigh);
    slider.SetPos(-30000);
    EXPECT_EQ(slider.m_pos, kLow);
    EXPECT_TRUE(Reports().empty()) << "SetPos posts nothing";

    // Read as a trackbar is.
    slider.SetPos(-11264);
    EXPECT_EQ(slider.SendMessage(TBM_GETPOS), -11264);
    EXPECT_EQ(slider.SendMessage(TBM_GETRANGEMIN), kLow);
    EXPECT_EQ(slider.SendMessage(TBM_GETRANGEMAX), kHigh);
    RECT thumb{};
    slider.SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    EXPECT_EQ((thumb.top + thumb.bottom) / 2, 73);
}

TEST_F(SliderTest, RangeOfOnePositionHasItsThumbAtTheTop)
{
    slider.m_rangeMin = slider.m_rangeMax = -5;
    slider.SetPos(-5);
    EXPECT_EQ(slider.PosToPixel(-5), 8);
    EXPECT_EQ(slider.PixelToPos(8), -5);
    EXPECT_EQ(slider.PixelToPos(139), -5);
    Press(100);
    Move(20);
    Release(20);
    ::UpdateWindow(slider.m_hWnd);
    EXPECT_EQ(slider.m_pos, -5);
    EXPECT_EQ(Reports(), (Reported{{WM_PNGSLIDER_CHANGED, -5}, {WM_PNGSLIDER_CHANGE_END, -5}}));
}

TEST_F(SliderTest, PressOnTheThumbSnapsToItsPixelAndDragsWithTheGrabOffset)
{
    slider.SetPos(-1000);
    ASSERT_EQ(slider.PosToPixel(-1000), 132);
    Press(135);
    EXPECT_EQ(slider.m_grabOffset, 3);
    EXPECT_EQ(slider.m_pos, -1039);
    EXPECT_TRUE(slider.m_dragging);
    EXPECT_EQ(::GetCapture(), slider.m_hWnd);
    EXPECT_EQ(::GetFocus(), slider.m_hWnd);

    Move(76);
    EXPECT_EQ(slider.m_pos, -11264);
    // Past either end the thumb stops; the bottom clamp pixel lies beyond m_rangeMax's.
    Move(-50);
    EXPECT_EQ(slider.m_pos, kLow);
    Move(500);
    EXPECT_EQ(slider.m_pos, kHigh);
    Release(500);
    EXPECT_FALSE(slider.m_dragging);
    EXPECT_EQ(::GetCapture(), nullptr);
    const Reported reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2], std::make_pair(WM_PNGSLIDER_CHANGED, LPARAM{kHigh}));
    EXPECT_EQ(reports.back(), std::make_pair(WM_PNGSLIDER_CHANGE_END, LPARAM{kHigh}));
}

TEST_F(SliderTest, PressOffTheThumbMovesItsCentreToTheCursor)
{
    slider.SetPos(kLow);
    Press(100);
    EXPECT_EQ(slider.m_grabOffset, 0);
    EXPECT_EQ(slider.m_pos, -6585);
    Release(100);
}

TEST_F(SliderTest, CtrlClickRequestsAResetWithoutMoving)
{
    slider.SetPos(-1000);
    Press(100, MK_LBUTTON | MK_CONTROL);
    EXPECT_TRUE(slider.m_resetRequest);
    EXPECT_EQ(slider.m_pos, -1000);
    EXPECT_TRUE(slider.m_dragging);
    // Moves while held drag as usual.
    Move(100);
    EXPECT_EQ(slider.m_pos, -6585);
    Release(100);

    // With Shift too it is an ordinary click.
    slider.m_resetRequest = FALSE;
    slider.SetPos(kLow);
    Press(100, MK_LBUTTON | MK_CONTROL | MK_SHIFT);
    EXPECT_FALSE(slider.m_resetRequest);
    EXPECT_EQ(slider.m_pos, -6585);
    Release(100);
}

TEST_F(SliderTest, KeysStepAndReportEveryStep)
{
    slider.SetPos(-11264);
    const std::vector<std::pair<UINT, int>> steps = {
        {VK_UP, -11520},    {VK_DOWN, -11264}, {VK_RIGHT, -11520}, {VK_LEFT, -11264},
        {VK_PRIOR, -12544}, {VK_NEXT, -11264}, {VK_HOME, kLow},    {VK_UP, kLow},
        {VK_END, kHigh},    {VK_DOWN, kHigh}};
    Reported expected;
    for (const auto& [key, position] : steps)
    {
        Key(key);
        EXPECT_EQ(slider.m_pos, position) << key;
        expected.emplace_back(WM_PNGSLIDER_CHANGED, position);
    }
    // Other keys are the fader's too, and do nothing.
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    EXPECT_EQ(slider.m_pos, kHigh);
    EXPECT_EQ(Reports(), expected);
}

TEST_F(SliderTest, WheelStepsOnceWhateverTheDelta)
{
    slider.SetPos(-11264);
    for (const auto& [delta, position] : std::vector<std::pair<short, int>>{
             {120, -11520}, {360, -11776}, {-120, -11520}, {0, -11264}})
    {
        slider.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
        EXPECT_EQ(slider.m_pos, position) << delta;
    }
    EXPECT_EQ(Count(WM_PNGSLIDER_CHANGED), 4u);
}

TEST_F(SliderTest, ChangeEndsASecondAfterTheLastStep)
{
    slider.SetPos(-11264);
    // No messages are taken between the steps, so the first step's timer
    // cannot fire however long the pause really takes; its wait is either
    // restarted by the second step or long over.
    Key(VK_UP);
    ::Sleep(600);
    slider.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    const ULONGLONG secondStep = ::GetTickCount64();
    EXPECT_TRUE(PumpUntil(
        [&]
        {
            return !host.sliderReports.empty() &&
                   host.sliderReports.back().message == WM_PNGSLIDER_CHANGE_END;
        },
        5000));
    // A timer fires no sooner than asked, give or take the clock's tick.
    EXPECT_GE(::GetTickCount64() - secondStep, 980u) << "the second step restarted the wait";
    PumpFor(1300);
    EXPECT_EQ(Reports(), (Reported{{WM_PNGSLIDER_CHANGED, -11520},
                                   {WM_PNGSLIDER_CHANGED, -11776},
                                   {WM_PNGSLIDER_CHANGE_END, -11776}}));
}

TEST_F(SliderTest, HeldPressReportsEveryTickAndReleaseEndsTheChange)
{
    slider.SetPos(-11264);
    Press(73);
    PumpFor(250);
    EXPECT_GE(Count(WM_PNGSLIDER_CHANGED), 3u);
    EXPECT_EQ(Count(WM_PNGSLIDER_CHANGE_END), 0u);
    Release(73);
    Reported reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2].first, WM_PNGSLIDER_CHANGED);
    EXPECT_EQ(reports.back(), std::make_pair(WM_PNGSLIDER_CHANGE_END, LPARAM{-11264}));
    const size_t afterRelease = reports.size();
    PumpFor(150);
    EXPECT_EQ(Reports().size(), afterRelease) << "the drag timer stopped";
}

TEST_F(SliderTest, LosingTheMouseMidDragEndsTheChange)
{
    slider.SetPos(-11264);
    Press(73);
    ASSERT_EQ(::GetCapture(), slider.m_hWnd);
    ::SetCapture(host.m_hWnd);
    Reported reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2].first, WM_PNGSLIDER_CHANGED);
    EXPECT_EQ(reports.back().first, WM_PNGSLIDER_CHANGE_END);
    EXPECT_FALSE(slider.m_dragging);
    EXPECT_EQ(::GetCapture(), host.m_hWnd) << "the new owner keeps the mouse";
    const size_t afterLoss = reports.size();
    PumpFor(150);
    EXPECT_EQ(Reports().size(), afterLoss) << "the drag timer stopped";
    ::ReleaseCapture();
}

TEST_F(SliderTest, ReleaseWithoutPressStillReports)
{
    slider.SetPos(-1000);
    Release(20);
    EXPECT_EQ(slider.m_pos, -1000);
    EXPECT_EQ(Reports(),
              (Reported{{WM_PNGSLIDER_CHANGED, -1000}, {WM_PNGSLIDER_CHANGE_END, -1000}}));
}

TEST_F(SliderTest, WantsEveryKeyButTab)
{
    EXPECT_EQ(slider.SendMessage(WM_GETDLGCODE), DLGC_WANTALLKEYS);
    BYTE keys[256]{};
    ASSERT_TRUE(::GetKeyboardState(keys));
    BYTE withTab[256];
    std::copy(std::begin(keys), std::end(keys), withTab);
    withTab[VK_TAB] = 0x80;
    ::SetKeyboardState(withTab);
    const LRESULT code = slider.SendMessage(WM_GETDLGCODE);
    ::SetKeyboardState(keys);
    EXPECT_EQ(code & DLGC_WANTALLKEYS, 0);
}

TEST_F(SliderTest, ThumbBrightensUnderTheMouseAndWithTheFocus)
{
    slider.SetPos(-11264);
    ::SetFocus(host.bareButton.m_hWnd);
    ::UpdateWindow(slider.m_hWnd);
    const int top = 73 - 8;
    const COLORREF thumb = RGB(100, 100, 100);
    // 1.15 x 100 + 0.1 x 255.
    const COLORREF bright = RGB(140, 140, 140);
    // The track image, 40 grey at alpha 200, over the background under the fader.
    const POINT origin = PlaceInParent(slider.m_hWnd);
    const COLORREF under = SkinHost::BackgroundAt(origin.x + 2, origin.y + 140);
    auto blend = [](int image, int background) { return (image * 200 + background * 55) / 255; };
    EXPECT_TRUE(Near(Shown(2, 140), RGB(blend(40, GetRValue(under)), blend(40, GetGValue(under)),
                                        blend(40, GetBValue(under)))));
    EXPECT_TRUE(Near(Shown(5, top + 4), thumb));
    EXPECT_FALSE(Near(Shown(5, top + 20), thumb, 5)) << "scaled to 17 pixels high";

    slider.SendMessage(WM_MOUSEHOVER);
    ::UpdateWindow(slider.m_hWnd);
    EXPECT_TRUE(Near(Shown(5, top + 4), bright));
    EXPECT_TRUE(Near(Shown(5, top + 20), bright)) << "unscaled, 24 pixels high";

    slider.SendMessage(WM_MOUSELEAVE);
    ::UpdateWindow(slider.m_hWnd);
    EXPECT_TRUE(Near(Shown(5, top + 4), thumb));

    // The keyboard's focus: the host shows focus cues.
    host.SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
    ::SetFocus(slider.m_hWnd);
    ::UpdateWindow(slider.m_hWnd);
    EXPECT_TRUE(Near(Shown(5, top + 4), bright));
    slider.SendMessage(WM_MOUSEHOVER);
    slider.SendMessage(WM_MOUSELEAVE);
    ::UpdateWindow(slider.m_hWnd);
    EXPECT_TRUE(Near(Shown(5, top + 4), bright)) << "a focused fader stays bright";
}
