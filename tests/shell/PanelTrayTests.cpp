#include "RunningPanel.h"
#include "tests/support/TrayKeeper.h"
#include <memory>

namespace
{
class PanelTray : public RunningPanel
{
protected:
    static void SetUpTestSuite() { s_trayKeeper = std::make_unique<TrayKeeper>(); }
    static void TearDownTestSuite() { s_trayKeeper.reset(); }
    static inline std::unique_ptr<TrayKeeper> s_trayKeeper;

    // Opens the tray menu with a mouse message over the icon and waits for
    // it. The last menu is gone first: keys posted to a menu on its way out
    // are lost.
    HWND OpenMenu(HWND panel, UINT mouseMessage) const
    {
        HWND menu = nullptr;
        if (WaitFor([&] { return FindPopupMenu(m_process.Id()) == nullptr; }))
        {
            PostTrayMouse(panel, mouseMessage);
            WaitFor([&] { return (menu = FindPopupMenu(m_process.Id())) != nullptr; });
        }
        return menu;
    }

    // A tray message that must change nothing; it is handled once the call returns.
    static void ExpectIgnored(HWND panel, UINT iconId, UINT mouseMessage)
    {
        const bool wasVisible = ::IsWindowVisible(panel);
        DWORD_PTR result = 1;
        EXPECT_NE(::SendMessageTimeoutW(panel, WM_TRAY_NOTIFY, iconId, mouseMessage,
                                        SMTO_ABORTIFHUNG, 3000, &result),
                  0)
            << "the panel is stuck in something it opened";
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(::IsWindowVisible(panel) != FALSE, wasVisible);
        DWORD processId = 0;
        ::GetWindowThreadProcessId(panel, &processId);
        EXPECT_EQ(FindPopupMenu(processId), nullptr) << "a menu was opened";
    }
};
} // namespace

TEST_F(PanelTray, HiddenStartShowsOnlyTheIconUntilTheTrayOpensIt)
{
    for (bool byMenu : {false, true})
    {
        m_process = StartPanel(L"-hide");
        HWND panel = nullptr;
        // From the first moment the window exists, before it has its title.
        ASSERT_TRUE(
            WaitFor([&] { return (panel = FindDialogOf(m_process.Id())) != nullptr; }, 10000));
        const ULONGLONG end = ::GetTickCount64() + 2000;
        while (::GetTickCount64() < end)
        {
            ASSERT_FALSE(::IsWindowVisible(panel)) << "the hidden start showed its window";
            ::Sleep(1);
        }
        ASSERT_EQ(WaitForPanelWindow(), panel);
        EXPECT_TRUE(TrayIconExists(panel, kTrayIconId));

        if (byMenu)
            PostCommand(panel, kOpen);
        else
            PostTrayMouse(panel, WM_LBUTTONDOWN);
        EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); })) << "opened by menu: " << byMenu;

        // From then on the panel hides and shows freely.
        PostCommand(panel, kHide);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));
        PostTrayMouse(panel, WM_LBUTTONDOWN);
        EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
        ::PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));
        StartSecondCopy();
        EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); })) << "shown by a second start";
        EndAllPanels();
    }
}

TEST_F(PanelTray, HideChosenOnAHiddenStartLetsASecondStartShowThePanel)
{
    HWND panel = Start(L"-hide");
    ASSERT_NE(panel, nullptr);
    DWORD_PTR result = 0;
    ASSERT_NE(::SendMessageTimeoutW(panel, WM_COMMAND, kHide, 0, SMTO_ABORTIFHUNG, 3000, &result),
              0);
    ::Sleep(300);
    EXPECT_FALSE(::IsWindowVisible(panel));
    StartSecondCopy();
    EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
}

TEST_F(PanelTray, PressOrDoubleClickOnTheIconOpensAHiddenOrMinimisedPanel)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    for (UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})
    {
        ::PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));
        PostTrayMouse(panel, press);
        EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); })) << "hidden, " << press;

        ::ShowWindow(panel, SW_MINIMIZE);
        ASSERT_TRUE(WaitFor([&] { return ::IsIconic(panel) != FALSE; }));
        PostTrayMouse(panel, press);
        EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); })) << "minimised, " << press;
    }
    // "&Open" restores a minimised panel too, to where it was. The X server
    // reports a restored window's place a little after it shows again.
    const RECT before = SettledWindowRect(panel);
    ::ShowWindow(panel, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return ::IsIconic(panel) != FALSE; }));
    PostCommand(panel, kOpen);
    EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
    const RECT after = SettledWindowRect(panel);
    EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST_F(PanelTray, PressOnTheIconRaisesAVisiblePanel)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    HWND other = ::CreateWindowW(L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == other; }));
    PostTrayMouse(panel, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == panel; }));
    ::DestroyWindow(other);
}

TEST_F(PanelTray, ReleasesMovesAndOtherIconsAreIgnored)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    for (bool visible : {true, false})
    {
        if (!visible)
        {
            ::PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
            ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));
        }
        for (UINT message : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MOUSEMOVE, WM_MBUTTONDOWN})
            ExpectIgnored(panel, kTrayIconId, message);
        for (UINT foreignId : {0u, 1u, kTrayIconId + 1})
            for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN})
                ExpectIgnored(panel, foreignId, message);
    }
}

TEST_F(PanelTray, MenuChoicesReachThePanelAndExitEndsIt)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);

    HWND menu = OpenMenu(panel, WM_RBUTTONDOWN);
    ASSERT_NE(menu, nullptr);
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(m_process.Id()) == nullptr; }));
    EXPECT_TRUE(IsOnScreen(panel)) << "Escape closes the menu and nothing else";

    ASSERT_NE(menu = OpenMenu(panel, WM_RBUTTONDOWN), nullptr);
    ::PostMessageW(menu, WM_CHAR, L'h', 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); })) << "&Hide";

    ASSERT_NE(menu = OpenMenu(panel, WM_RBUTTONDBLCLK), nullptr);
    ::PostMessageW(menu, WM_CHAR, L'o', 0);
    EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); })) << "&Open";

    ASSERT_NE(menu = OpenMenu(panel, WM_RBUTTONDOWN), nullptr);
    ::PostMessageW(menu, WM_CHAR, L'e', 0);
    EXPECT_TRUE(m_process.WaitExit(10000)) << "&Exit";
    EXPECT_TRUE(PanelWindows().empty());
}
