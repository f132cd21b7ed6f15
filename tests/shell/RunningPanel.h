#pragma once
#include "ShellProbes.h"
#include "app/TrayIcon.h"
#include "tests/support/PanelProcess.h"
#include <gtest/gtest.h>
#include <string>

// End-to-end tests: the real panel in its own process, reached only as the
// shell, the window manager or the user would reach it.
class RunningPanel : public testing::Test
{
protected:
    void SetUp() override
    {
        EndAllPanels();
        // The simulated device, back to one KV58 attached.
        ASSERT_TRUE(RunSimulator(L"reset"));
    }
    void TearDown() override { EndAllPanels(); }

    // Starts the panel and waits until its window is titled (its
    // initialisation is then done) and, unless it starts hidden, shown.
    HWND Start(const std::wstring& arguments = L"")
    {
        m_process = StartPanel(arguments);
        HWND panel = WaitForPanelWindow();
        EXPECT_NE(panel, nullptr);
        if (panel && arguments.empty())
        {
            EXPECT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
        }
        return panel;
    }

    // A second start of the program, run to its end.
    static void StartSecondCopy()
    {
        ChildProcess second = StartPanel();
        ASSERT_TRUE(second.WaitExit(10000)) << "a second start ends by itself";
    }

    static bool IsOnScreen(HWND panel) { return ::IsWindowVisible(panel) && !::IsIconic(panel); }

    // The window's rectangle once it has stopped moving for a while.
    static RECT SettledWindowRect(HWND window)
    {
        RECT last{}, now{};
        ::GetWindowRect(window, &last);
        for (int tries = 0; tries < 20; ++tries, last = now)
        {
            ::Sleep(150);
            ::GetWindowRect(window, &now);
            if (::EqualRect(&last, &now))
                break;
        }
        return now;
    }

    // A mouse event over the panel's icon, as the shell reports it.
    static void PostTrayMouse(HWND panel, UINT mouseMessage, UINT iconId = kTrayIconId)
    {
        ::PostMessageW(panel, WM_TRAY_NOTIFY, iconId, mouseMessage);
    }

    static void PostCommand(HWND panel, UINT id) { ::PostMessageW(panel, WM_COMMAND, id, 0); }

    ChildProcess m_process{L"", L""};
};

// Tray menu commands.
constexpr UINT kOpen = 32774;
constexpr UINT kHide = 32775;
