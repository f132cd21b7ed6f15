#include "tests/support/PanelProcess.h"
#include "tests/support/TrayKeeper.h"
#include <gtest/gtest.h>
#include <memory>

namespace
{
class SingleInstance : public testing::Test
{
protected:
    static void SetUpTestSuite() { s_trayKeeper = std::make_unique<TrayKeeper>(); }
    static void TearDownTestSuite() { s_trayKeeper.reset(); }
    void SetUp() override { EndAllPanels(); }
    void TearDown() override { EndAllPanels(); }

    // Starts a panel and waits for its visible window.
    HWND StartVisiblePanel(ChildProcess& process)
    {
        process = StartPanel();
        HWND panel = WaitForPanelWindow();
        EXPECT_NE(panel, nullptr);
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }));
        return panel;
    }

    // Starts a program with the switches and expects it to end by itself.
    static void RunToEnd(const std::wstring& arguments, DWORD timeoutMs = 10000)
    {
        ChildProcess other = StartPanel(arguments);
        ASSERT_TRUE(other.Started());
        EXPECT_TRUE(other.WaitExit(timeoutMs)) << "did not end: " << testing::PrintToString(arguments);
    }

    static inline std::unique_ptr<TrayKeeper> s_trayKeeper;
};

// A panel that stays hidden for a while after its window exists.
void ExpectHiddenThroughout(HWND panel, DWORD ms)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (::GetTickCount64() < end)
    {
        ASSERT_FALSE(::IsWindowVisible(panel));
        ::Sleep(5);
    }
}
} // namespace

TEST_F(SingleInstance, SecondStartRaisesTheRunningPanelAndOpensNoOtherWindow)
{
    ChildProcess first(L"", L"");
    HWND panel = StartVisiblePanel(first);
    ::ShowWindow(panel, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return ::IsIconic(panel) != FALSE; }));
    RunToEnd(L"");
    EXPECT_TRUE(WaitFor([&] { return !::IsIconic(panel) && ::IsWindowVisible(panel); }));
    EXPECT_EQ(PanelWindows().size(), 1u);
    EXPECT_TRUE(first.IsRunning());
}

TEST_F(SingleInstance, SecondStartShowsAPanelHiddenWithTheCloseButton)
{
    ChildProcess first(L"", L"");
    HWND panel = StartVisiblePanel(first);
    ::PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));
    EXPECT_TRUE(first.IsRunning()) << "closing only hides the panel";
    RunToEnd(L"");
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }));
    EXPECT_EQ(PanelWindows().size(), 1u);
}

TEST_F(SingleInstance, ExitAllEndsARunningPanelWithoutWaitingForIt)
{
    ChildProcess first(L"", L"");
    StartVisiblePanel(first);
    RunToEnd(L"-exitall");
    EXPECT_TRUE(first.WaitExit(10000));
    EXPECT_TRUE(PanelWindows().empty());
}

TEST_F(SingleInstance, ExitAllEndsAPanelThatLivesHidden)
{
    ChildProcess first = StartPanel(L"-hide");
    ASSERT_NE(WaitForPanelWindow(), nullptr);
    RunToEnd(L"-EXITALL");
    EXPECT_TRUE(first.WaitExit(10000));
}

TEST_F(SingleInstance, ExitAllWithoutPanelLeavesNoMutexBehind)
{
    RunToEnd(L"-exitall");
    EXPECT_TRUE(PanelWindows().empty());
    ChildProcess panel(L"", L"");
    StartVisiblePanel(panel);
    EXPECT_TRUE(panel.IsRunning());
}

TEST_F(SingleInstance, ExitAllTakesPrecedenceOverHide)
{
    RunToEnd(L"-exitall -hide");
    EXPECT_TRUE(PanelWindows().empty()) << "no panel was started";
    ChildProcess first(L"", L"");
    StartVisiblePanel(first);
    RunToEnd(L"-hide -exitall");
    EXPECT_TRUE(first.WaitExit(10000));
}

TEST_F(SingleInstance, HiddenStartNeverShowsTheWindow)
{
    for (const wchar_t* hide : {L"-hide", L"-HIDE", L"x -HiDe y"})
    {
        ChildProcess panelProcess = StartPanel(hide);
        HWND panel = nullptr;
        // From the first moment the window exists.
        ASSERT_TRUE(WaitFor([&] { return (panel = ::FindWindowW(L"#32770", kPanelTitle)) != nullptr; },
                            10000));
        ExpectHiddenThroughout(panel, 1500);
        // A second start does not show a panel whose hidden start was never opened.
        RunToEnd(L"");
        ExpectHiddenThroughout(panel, 500);
        EndAllPanels();
    }
}

TEST_F(SingleInstance, LookalikesOfTheHideSwitchStartAVisiblePanel)
{
    for (const wchar_t* notHide : {L"/hide", L"--hide", L"-hide=1", L"\"-hide\""})
    {
        ChildProcess panelProcess = StartPanel(notHide);
        HWND panel = WaitForPanelWindow();
        ASSERT_NE(panel, nullptr) << testing::PrintToString(std::wstring(notHide));
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }))
            << testing::PrintToString(std::wstring(notHide));
        EndAllPanels();
    }
}

TEST_F(SingleInstance, TwoStartsAtOnceLeaveOnePanel)
{
    ChildProcess a = StartPanel();
    ChildProcess b = StartPanel();
    ASSERT_NE(WaitForPanelWindow(), nullptr);
    // One of the two ends by itself; the other keeps the only window.
    EXPECT_TRUE(WaitFor([&] { return !a.IsRunning() || !b.IsRunning(); }, 10000));
    ::Sleep(500);
    EXPECT_EQ(PanelWindows().size(), 1u);
    EXPECT_NE(a.IsRunning(), b.IsRunning());
}
