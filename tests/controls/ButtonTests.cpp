#include "ControlsTestIds.h"
#include "SkinHost.h"
#include "tests/support/Pump.h"
#include <gtest/gtest.h>

namespace
{
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
// Under the hover matrices: 1.15 (standard) or 1.05 (alternate) x colour + 0.05.
constexpr COLORREF kRedHovered = RGB(255, 13, 13);
constexpr COLORREF kBlueHovered = RGB(13, 13, 255);
// Under the grey matrix pure red becomes 0.3 grey.
constexpr COLORREF kRedGreyed = RGB(77, 77, 77);

LPARAM Point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// Dispatches as the panel's modal loop does: controls see messages first.
void PumpThroughControls(DWORD ms)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (::GetTickCount64() < end)
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            CWnd* target = CWnd::FromHandle(msg.hwnd);
            if (target && target->PreTranslateMessage(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

// Shown, and the looks its paint left for later built too.
void ShowEveryLook(const SkinHost& host)
{
    host.Show();
    ASSERT_TRUE(PumpUntil([&] { return host.button.m_statesBuilt != FALSE; }, 1000));
}

class ButtonTest : public testing::Test
{
protected:
    // A mute-like toggle: 41 x 40 images on a 34 x 32 button.
    void SetUp() override
    {
        ASSERT_TRUE(host.Create());
        button.SetStandardImage(IDP_TEST_CROP, 34, 32);
        button.SetAlternateImage(IDP_TEST_BLUE, 34, 32);
        button.m_toggleMode = TRUE;
        ShowEveryLook(host);
        origin = PlaceInParent(button.m_hWnd);
    }

    COLORREF Shown(int x, int y) const { return PixelGrab::OfWindow(button.m_hWnd).At(x, y); }
    COLORREF BackgroundUnder(int x, int y) const
    {
        return SkinHost::BackgroundAt(origin.x + x, origin.y + y);
    }
    void Press(int x, int y) const
    {
        button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
        ::UpdateWindow(button.m_hWnd);
    }
    void Release(int x, int y) const
    {
        button.SendMessage(WM_LBUTTONUP, 0, Point(x, y));
        ::UpdateWindow(button.m_hWnd);
    }

    SkinHost host;
    CGdipButton& button = host.button;
    POINT origin{};
};
} // namespace

TEST_F(ButtonTest, BuildsEveryLookOnceOverTheBackgroundUnderIt)
{
    ASSERT_TRUE(button.m_statesBuilt);
    RECT client{};
    ::GetClientRect(button.m_hWnd, &client);
    EXPECT_EQ(client.right, 34);
    EXPECT_EQ(client.bottom, 32);
    EXPECT_EQ(PixelOf(button.m_surfBackground, 0, 0), BackgroundUnder(0, 0));
    EXPECT_EQ(PixelOf(button.m_surfBackground, 33, 31), BackgroundUnder(33, 31));

    // Off and on: the whole image scaled into the button, green edge included.
    EXPECT_TRUE(Near(PixelOf(button.m_surfStandard, 5, 5), kRed));
    EXPECT_GT(GetGValue(PixelOf(button.m_surfStandard, 33, 16)), 100);
    EXPECT_TRUE(Near(PixelOf(button.m_surfAlternate, 16, 16), kBlue));
    // Pressed: one pixel right and down.
    EXPECT_EQ(PixelOf(button.m_surfStandardPressed, 0, 0), BackgroundUnder(0, 0));
    EXPECT_TRUE(Near(PixelOf(button.m_surfStandardPressed, 1, 1), kRed));
    EXPECT_EQ(PixelOf(button.m_surfAlternatePressed, 0, 0), BackgroundUnder(0, 0));
    // Hover and grey: the 41 x 40 image unscaled, cropped to its top-left 34 x 32.
    for (POINT p : {POINT{0, 0}, POINT{33, 0}, POINT{0, 31}, POINT{33, 31}})
    {
        EXPECT_TRUE(Near(PixelOf(button.m_surfStandardHover, p.x, p.y), kRedHovered))
            << p.x << "," << p.y;
        EXPECT_TRUE(Near(PixelOf(button.m_surfDisabled, p.x, p.y), kRedGreyed))
            << p.x << "," << p.y;
    }
    EXPECT_TRUE(Near(PixelOf(button.m_surfAlternateHover, 33, 31), kBlueHovered));

    EXPECT_EQ(button.m_surfCurrent, &button.m_surfStandard);
    EXPECT_TRUE(Near(Shown(16, 16), kRed));
}

TEST(ButtonLooks, MatricesChangeColourAndKeepAlpha)
{
    SkinHost host;
    ASSERT_TRUE(host.Create());
    CGdipButton& button = host.button;
    // Columns: black, white, red, half-transparent red.
    button.SetStandardImage(IDP_TEST_LEVELS, 34, 32);
    ShowEveryLook(host);
    const POINT origin = PlaceInParent(button.m_hWnd);
    const int y = 10;

    EXPECT_TRUE(Near(PixelOf(button.m_surfStandardHover, 5, y), RGB(13, 13, 13), 2));
    EXPECT_TRUE(Near(PixelOf(button.m_surfStandardHover, 15, y), RGB(255, 255, 255), 0));
    EXPECT_TRUE(Near(PixelOf(button.m_surfStandardHover, 23, y), kRedHovered, 2));
    EXPECT_TRUE(Near(PixelOf(button.m_surfDisabled, 5, y), RGB(0, 0, 0), 1));
    EXPECT_TRUE(Near(PixelOf(button.m_surfDisabled, 15, y), RGB(255, 255, 255), 1));
    EXPECT_TRUE(Near(PixelOf(button.m_surfDisabled, 23, y), kRedGreyed, 2));
    // Half-transparent red greyed stays half transparent over the background.
    const COLORREF under = SkinHost::BackgroundAt(origin.x + 30, origin.y + y);
    const COLORREF blended =
        RGB((77 + GetRValue(under)) / 2, (77 + GetGValue(under)) / 2, (77 + GetBValue(under)) / 2);
    EXPECT_TRUE(Near(PixelOf(button.m_surfDisabled, 30, y), blended, 3));
}

TEST_F(ButtonTest, ReleaseInsideTogglesBeforeTheClickIsReported)
{
    Press(5, 5);
    Release(5, 5);
    EXPECT_TRUE(button.m_toggled);
    EXPECT_EQ(host.clicks, (std::vector<BOOL>{TRUE}));
    EXPECT_TRUE(Near(Shown(16, 16), kBlue));

    Press(33, 31);
    Release(33, 31);
    EXPECT_FALSE(button.m_toggled);
    EXPECT_EQ(host.clicks, (std::vector<BOOL>{TRUE, FALSE}));
    EXPECT_TRUE(Near(Shown(16, 16), kRed));
}

TEST_F(ButtonTest, AnswersCheckBoxMessagesWithItsToggle)
{
    button.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_TRUE(button.m_toggled);
    EXPECT_TRUE(host.clicks.empty()) << "setting the state is not a click";
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(button.SendMessage(BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(host.clicks, (std::vector<BOOL>{FALSE}));
}

TEST_F(ButtonTest, ReleaseOutsideNeitherTogglesNorClicks)
{
    for (POINT outside : {POINT{34, 5}, POINT{5, 32}, POINT{-3, 5}, POINT{5, -3}})
    {
        Press(5, 5);
        Release(outside.x, outside.y);
        EXPECT_FALSE(button.m_toggled) << outside.x << "," << outside.y;
    }
    EXPECT_TRUE(host.clicks.empty());
}

TEST_F(ButtonTest, DoubleClickCountsAsTwoClicks)
{
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ::PostMessageW(button.m_hWnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Point(5, 5));
    PumpThroughControls(100);
    EXPECT_EQ(host.clicks, (std::vector<BOOL>{TRUE, FALSE}));
    EXPECT_FALSE(button.m_toggled);
}

TEST_F(ButtonTest, SpaceBarTogglesAndClicks)
{
    ::SetFocus(button.m_hWnd);
    for (int press = 0; press < 2; ++press)
    {
        button.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
        button.SendMessage(WM_KEYUP, VK_SPACE, 0);
    }
    EXPECT_EQ(host.clicks, (std::vector<BOOL>{TRUE, FALSE}));
    EXPECT_FALSE(button.m_toggled);
    // A release without the press is no click.
    button.SendMessage(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(host.clicks.size(), 2u);
}

TEST_F(ButtonTest, HeldDownShowsTheAlternatePressedLookInBothStates)
{
    for (BOOL toggled : {FALSE, TRUE})
    {
        button.m_toggled = toggled;
        Press(5, 5);
        EXPECT_EQ(button.m_surfCurrent, &button.m_surfAlternatePressed) << toggled;
        EXPECT_TRUE(Near(Shown(5, 5), kBlue)) << toggled;
        EXPECT_EQ(Shown(0, 0), BackgroundUnder(0, 0)) << toggled;
        Release(50, 50);
    }
}

TEST_F(ButtonTest, HoverShowsTheHoverLookOfTheCurrentSet)
{
    button.SendMessage(WM_MOUSEHOVER, 0, Point(5, 5));
    ::UpdateWindow(button.m_hWnd);
    EXPECT_TRUE(button.m_hovering);
    EXPECT_TRUE(Near(Shown(33, 31), kRedHovered));

    button.m_toggled = TRUE;
    button.Invalidate();
    ::UpdateWindow(button.m_hWnd);
    EXPECT_EQ(button.m_surfCurrent, &button.m_surfAlternateHover);

    button.SendMessage(WM_MOUSELEAVE);
    ::UpdateWindow(button.m_hWnd);
    EXPECT_FALSE(button.m_hovering);
    EXPECT_FALSE(button.m_mouseTracked);
    EXPECT_TRUE(Near(Shown(16, 16), kBlue));
}

TEST_F(ButtonTest, DisabledLookWinsOverEveryState)
{
    button.m_disabled = TRUE;
    button.m_hovering = TRUE;
    button.m_toggled = TRUE;
    button.Invalidate();
    ::UpdateWindow(button.m_hWnd);
    EXPECT_EQ(button.m_surfCurrent, &button.m_surfDisabled);
    EXPECT_TRUE(Near(Shown(16, 16), kRedGreyed));
    Press(5, 5);
    EXPECT_EQ(button.m_surfCurrent, &button.m_surfDisabled);
    Release(50, 50);
}

TEST_F(ButtonTest, ButtonWithoutImagesDrawsNothing)
{
    CGdipButton& bare = host.bareButton;
    EXPECT_FALSE(bare.m_statesBuilt);
    EXPECT_TRUE(bare.m_surfStandard.IsEmpty());
    EXPECT_TRUE(bare.m_surfAlternate.IsEmpty());
    ASSERT_NE(bare.m_surfCurrent, nullptr);
    EXPECT_TRUE(bare.m_surfCurrent->IsEmpty());
    const POINT place = PlaceInParent(bare.m_hWnd);
    const PixelGrab shown = PixelGrab::OfWindow(bare.m_hWnd);
    EXPECT_EQ(shown.At(0, 0), SkinHost::BackgroundAt(place.x, place.y));
    EXPECT_EQ(shown.At(10, 10), SkinHost::BackgroundAt(place.x + 10, place.y + 10));
}

TEST(ButtonLooks, ImageThatFailedToLoadLeavesTheBareBackground)
{
    SkinHost host;
    ASSERT_TRUE(host.Create());
    CGdipButton& button = host.button;
    button.SetStandardImage(IDP_TEST_BROKEN, 34, 32);
    ShowEveryLook(host);
    const POINT origin = PlaceInParent(button.m_hWnd);
    const COLORREF under = SkinHost::BackgroundAt(origin.x + 10, origin.y + 10);
    ASSERT_TRUE(button.m_statesBuilt);
    for (const CSurface* look : {&button.m_surfStandard, &button.m_surfStandardPressed,
                                 &button.m_surfStandardHover, &button.m_surfDisabled})
        EXPECT_EQ(PixelOf(*look, 10, 10), under);
}
