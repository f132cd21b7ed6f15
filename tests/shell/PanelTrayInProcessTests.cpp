#include "ShellProbes.h"
#include "app/resource.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include "tests/support/TrayKeeper.h"
#include <gtest/gtest.h>
#include <string>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace
{
struct MenuItem
{
    UINT id;
    std::wstring text;
    bool grayed;
};

// What the tracked tray menu offered; read from inside its modal loop.
struct SeenMenu
{
    HMENU menu = nullptr;
    std::vector<MenuItem> items;
    // The texts of the submenu's items.
    std::vector<std::wstring> submenu;
    int ticks = 0;
};
SeenMenu g_seen;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found)
{
    if (ClassName(window) != L"#32768" || !::IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    // Give up after a while so that a missing menu cannot hang the run.
    if (++g_seen.ticks > 100)
        ::KillTimer(nullptr, timer);
    HWND window = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindMenuWindow, reinterpret_cast<LPARAM>(&window));
    if (!window)
        return;
    ::KillTimer(nullptr, timer);
    g_seen.menu = reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0));
    for (int i = 0; i < ::GetMenuItemCount(g_seen.menu); ++i)
    {
        wchar_t text[64] = L"";
        ::GetMenuStringW(g_seen.menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        const UINT state = ::GetMenuState(g_seen.menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_seen.items.push_back(
            {::GetMenuItemID(g_seen.menu, i), text, (state & (MF_GRAYED | MF_DISABLED)) != 0});
        HMENU sub = ::GetSubMenu(g_seen.menu, i);
        for (int j = 0; sub && j < ::GetMenuItemCount(sub); ++j)
        {
            ::GetMenuStringW(sub, static_cast<UINT>(j), text, 64, MF_BYPOSITION);
            g_seen.submenu.push_back(text);
        }
    }
    ::EndMenu();
}

// Right-presses the panel's icon and returns what the menu offered.
std::vector<MenuItem> TrackedMenu(HWND panel, LPARAM press = WM_RBUTTONDOWN)
{
    g_seen = SeenMenu{};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &ReadAndCloseMenu);
    EXPECT_NE(timer, 0u);
    ::SendMessageW(panel, WM_TRAY_NOTIFY, kTrayIconId, press);
    ::KillTimer(nullptr, timer);
    EXPECT_NE(g_seen.menu, nullptr) << "no menu was tracked";
    EXPECT_FALSE(::IsMenu(g_seen.menu)) << "the menu is destroyed after it was tracked";
    return g_seen.items;
}

// Tells whether the panel's icon still exists when its children go, that is
// after the panel itself has been told that it is being destroyed.
struct DestructionProbe
{
    HWND panel;
    bool iconLeft = true;
    bool seen = false;
};

LRESULT CALLBACK ProbeProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY)
    {
        auto* probe =
            reinterpret_cast<DestructionProbe*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        probe->seen = true;
        probe->iconLeft = TrayIconExists(probe->panel, kTrayIconId);
    }
    return ::DefWindowProcW(window, msg, wParam, lParam);
}

void AttachProbe(DestructionProbe& probe)
{
    WNDCLASSW probeClass{};
    probeClass.lpfnWndProc = &ProbeProc;
    probeClass.hInstance = ::GetModuleHandleW(nullptr);
    probeClass.lpszClassName = L"KV58DestructionProbe";
    ::RegisterClassW(&probeClass);
    HWND child = ::CreateWindowW(L"KV58DestructionProbe", L"", WS_CHILD, 0, 0, 1, 1, probe.panel,
                                 nullptr, probeClass.hInstance, nullptr);
    ASSERT_NE(child, nullptr);
    ::SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&probe));
}

class PanelInProcess : public testing::Test
{
protected:
    static void SetUpTestSuite() { s_trayKeeper = std::make_unique<TrayKeeper>(); }
    static void TearDownTestSuite() { s_trayKeeper.reset(); }
    void SetUp() override
    {
        FakeUsbAudio::Instance().Reset();
        ASSERT_TRUE(panel.Create());
        ASSERT_TRUE(TrayIconExists(panel.m_hWnd, kTrayIconId));
    }

    TestPanel panel;
    static inline std::unique_ptr<TrayKeeper> s_trayKeeper;
};
} // namespace

TEST_F(PanelInProcess, TrayMenuOffersHideOnScreenAndOpenOtherwise)
{
    ASSERT_TRUE(::IsWindowVisible(panel.m_hWnd));
    const std::vector<MenuItem> visible = TrackedMenu(panel.m_hWnd);
    ASSERT_EQ(visible.size(), 4u);
    EXPECT_EQ(visible[0].id, 32774u);
    EXPECT_EQ(visible[0].text, L"&Open");
    EXPECT_EQ(visible[1].id, 32775u);
    EXPECT_EQ(visible[1].text, L"&Hide");
    EXPECT_EQ(visible[2].id, 0xFFFFFFFFu) << "a submenu, above Exit";
    EXPECT_EQ(visible[2].text, L"&Presets");
    EXPECT_EQ(visible[3].id, 32776u);
    EXPECT_EQ(visible[3].text, L"&Exit");
    EXPECT_TRUE(visible[0].grayed);
    EXPECT_FALSE(visible[1].grayed);
    EXPECT_FALSE(visible[2].grayed);
    EXPECT_FALSE(visible[3].grayed);
    ASSERT_GE(g_seen.submenu.size(), 2u) << testing::PrintToString(g_seen.submenu);
    EXPECT_EQ(g_seen.submenu[g_seen.submenu.size() - 2], L"&Save current settings as\u2026");
    EXPECT_EQ(g_seen.submenu.back(), L"&Open presets folder");

    ::ShowWindow(panel.m_hWnd, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(panel.m_hWnd));
    const std::vector<MenuItem> minimised = TrackedMenu(panel.m_hWnd, WM_RBUTTONDBLCLK);
    ASSERT_EQ(minimised.size(), 4u);
    EXPECT_FALSE(minimised[0].grayed);
    EXPECT_TRUE(minimised[1].grayed);
    EXPECT_FALSE(minimised[2].grayed);
    EXPECT_FALSE(minimised[3].grayed);

    ::ShowWindow(panel.m_hWnd, SW_RESTORE);
    ::ShowWindow(panel.m_hWnd, SW_HIDE);
    ASSERT_FALSE(::IsWindowVisible(panel.m_hWnd));
    // As before a user's click: the X focus has left the hidden window, which
    // would otherwise close the menu when it arrives.
    PumpUntil([&] { return ::GetForegroundWindow() != panel.m_hWnd; }, 2000);
    const std::vector<MenuItem> hidden = TrackedMenu(panel.m_hWnd);
    ASSERT_EQ(hidden.size(), 4u);
    EXPECT_FALSE(hidden[0].grayed);
    EXPECT_TRUE(hidden[1].grayed);
    EXPECT_FALSE(hidden[2].grayed);
    EXPECT_FALSE(hidden[3].grayed);
}

TEST_F(PanelInProcess, SystemMenuEndsWithASeparatorAndTheAboutItem)
{
    HMENU menu = ::GetSystemMenu(panel.m_hWnd, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), 16u);
    wchar_t text[64] = L"";
    ::GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"Halvix HV10 (&A)...");
}

// However the panel ends, its icon is gone before its window: the shell is
// not left with an icon that nobody answers.
TEST_F(PanelInProcess, IconIsRemovedWhenThePanelEndsByCloseEscapeOrEnter)
{
    DestructionProbe probe{panel.m_hWnd};
    AttachProbe(probe);
    ::SendMessageW(panel.m_hWnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return probe.seen; }));
    EXPECT_FALSE(probe.iconLeft) << "WM_CLOSE";

    for (WORD command : {IDCANCEL, IDOK})
    {
        TestPanel other;
        ASSERT_TRUE(other.Create());
        ASSERT_TRUE(TrayIconExists(other.m_hWnd, kTrayIconId));
        DestructionProbe otherProbe{other.m_hWnd};
        AttachProbe(otherProbe);
        ::SendMessageW(other.m_hWnd, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        ASSERT_TRUE(PumpUntil([&] { return otherProbe.seen; })) << command;
        EXPECT_FALSE(otherProbe.iconLeft) << command;
    }
}

namespace
{
// What the panel asked of the shell; the seam takes a plain function.
std::vector<std::pair<DWORD, NOTIFYICONDATAW>> g_shellCalls;
BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAW record)
{
    g_shellCalls.emplace_back(message, *record);
    return TRUE;
}
} // namespace

TEST_F(PanelInProcess, IconComesBackWhenTheShellStartsAnew)
{
    g_shellCalls.clear();
    panel.RouteShellCalls(&RecordShellCall);
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    for (int restart = 1; restart <= 2; ++restart)
    {
        ::SendMessageW(panel.m_hWnd, taskbarCreated, 0, 0);
        ASSERT_EQ(g_shellCalls.size(), static_cast<size_t>(restart));
        const auto& [message, record] = g_shellCalls.back();
        EXPECT_EQ(message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(record.hWnd, panel.m_hWnd);
        EXPECT_EQ(std::wstring(record.szTip).rfind(L"Halvix HV10  Control Panel\n", 0), 0u);
        EXPECT_EQ(std::memcmp(&record, &g_shellCalls.front().second, sizeof record), 0)
            << "restart " << restart;
    }
    EXPECT_TRUE(::IsWindowVisible(panel.m_hWnd)) << "the window's state does not change";
    panel.RouteShellCalls(&::Shell_NotifyIconW);
}
