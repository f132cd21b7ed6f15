#include "ShellProbes.h"
#include "app/resource.h"
#include "tests/support/ImportHook.h"
#include "tests/support/TestPanel.h"
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

// What the panel tells the shell and Windows about itself, recorded in-process.
namespace
{
std::vector<std::pair<DWORD, NOTIFYICONDATAW>> g_shellCalls;
BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAW record)
{
    g_shellCalls.emplace_back(message, *record);
    return TRUE;
}

// The command lines the panel registered for its restart; null: none.
std::vector<std::optional<std::wstring>> g_restarts;
HRESULT WINAPI RecordRestart(PCWSTR commandLine, DWORD flags)
{
    EXPECT_EQ(flags, static_cast<DWORD>(RESTART_NO_CRASH | RESTART_NO_HANG));
    g_restarts.push_back(commandLine ? std::optional<std::wstring>(commandLine) : std::nullopt);
    return S_OK;
}

std::vector<std::wstring> TipsShown()
{
    std::vector<std::wstring> tips;
    for (const auto& [message, record] : g_shellCalls)
        if (message == NIM_MODIFY)
            tips.push_back(record.szTip);
    return tips;
}

constexpr wchar_t kTitleLine[] = L"Halvix HV10  Control Panel\n";
} // namespace

TEST(PanelPresence, NoDeviceIsSaidOnThePanelAndInTheTipUntilOneArrives)
{
    FakeUsbAudio& fake = FakeUsbAudio::Instance();
    fake.Reset();
    fake.deviceCount = 0;
    g_shellCalls.clear();
    TestPanel panel;
    panel.RouteShellCalls(&RecordShellCall);
    ASSERT_TRUE(panel.Create());
    ASSERT_TRUE(panel.Settle());
    HWND line = panel.Item(IDC_NO_DEVICE);
    EXPECT_TRUE(::IsWindowVisible(line));
    EXPECT_EQ(panel.Text(IDC_NO_DEVICE), L"No KV58 connected");
    // A static text, which screen readers read and Tab passes by.
    EXPECT_EQ(ClassName(line), L"Static");
    EXPECT_FALSE(::GetWindowLongW(line, GWL_STYLE) & WS_TABSTOP);
    EXPECT_EQ(TipsShown(),
              std::vector<std::wstring>{kTitleLine + std::wstring(L"No KV58 connected")});

    // A state read again that says the same brings no call to the shell.
    panel.Refresh();
    ASSERT_TRUE(panel.Settle());
    EXPECT_EQ(TipsShown().size(), 1u);

    fake.deviceCount = 1;
    panel.DeviceChanged();
    ASSERT_TRUE(panel.Settle());
    EXPECT_FALSE(::IsWindowVisible(line));
    fake.currentRate = 96000;
    fake.Notify(1);
    ASSERT_TRUE(panel.Settle());

    EXPECT_EQ(TipsShown(), (std::vector<std::wstring>{
                               kTitleLine + std::wstring(L"No KV58 connected"),
                               kTitleLine + std::wstring(L"48000 Hz, Standard (4 ms), 512 samples"),
                               kTitleLine + std::wstring(L"96000 Hz, Standard (4 ms), 512 samples"),
                           }));
    for (const auto& [message, record] : g_shellCalls)
    {
        if (message == NIM_MODIFY)
        {
            EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_TIP)) << "the tip alone changes";
        }
    }
}

TEST(PanelPresence, NothingIsSaidOfTheDeviceBeforeTheFirstOpenAnswers)
{
    FakeUsbAudio& fake = FakeUsbAudio::Instance();
    fake.Reset();
    fake.Stall("GetDeviceCount", 60000);
    g_shellCalls.clear();
    TestPanel panel;
    panel.RouteShellCalls(&RecordShellCall);
    ASSERT_TRUE(panel.Create());
    EXPECT_FALSE(::IsWindowVisible(panel.Item(IDC_NO_DEVICE)));
    EXPECT_TRUE(TipsShown().empty());
    fake.ClearStalls();
    ASSERT_TRUE(panel.Settle());
    EXPECT_EQ(TipsShown(),
              std::vector<std::wstring>{kTitleLine +
                                        std::wstring(L"48000 Hz, Standard (4 ms), 512 samples")});
}

TEST(PanelPresence, RestartIsRegisteredHiddenExactlyWhileThePanelIsHidden)
{
    void* original = HookImport("kernel32.dll", "RegisterApplicationRestart",
                                reinterpret_cast<void*>(&RecordRestart));
    ASSERT_NE(original, nullptr);
    const std::optional<std::wstring> hidden = L"-hide";
    const std::optional<std::wstring> shown;
    const struct
    {
        bool showAllowed;
        std::vector<std::optional<std::wstring>> registered;
    } starts[] = {
        // Open twice, Hide, then the caption's close: each change is
        // registered once, a request that changes nothing registers nothing.
        {false, {hidden, shown, hidden}},
        {true, {shown, hidden}},
    };
    for (const auto& start : starts)
    {
        FakeUsbAudio::Instance().Reset();
        g_restarts.clear();
        TestPanel panel(FakeUsbAudio::Instance().api(), SystemHidApi(), start.showAllowed);
        panel.StayOutOfTheTray();
        ASSERT_TRUE(panel.Create());
        ASSERT_TRUE(panel.Settle());
        if (!start.showAllowed)
        {
            ::SendMessageW(panel.m_hWnd, WM_COMMAND, ID_TRAY_OPEN, 0);
            ::SendMessageW(panel.m_hWnd, WM_COMMAND, ID_TRAY_OPEN, 0);
        }
        ::SendMessageW(panel.m_hWnd, WM_COMMAND, ID_TRAY_HIDE, 0);
        ::SendMessageW(panel.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(g_restarts, start.registered) << "shown at start: " << start.showAllowed;
    }
    HookImport("kernel32.dll", "RegisterApplicationRestart", original);
}
