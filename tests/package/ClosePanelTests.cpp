#include "tests/support/PanelProcess.h"
#include <gtest/gtest.h>
#include <string>

// ClosePanel.exe, which the installer runs before it removes the panel.
namespace
{
class ClosePanel : public testing::Test
{
protected:
    void SetUp() override { EndAllPanels(); }
    void TearDown() override { EndAllPanels(); }

    static ChildProcess Run(const std::wstring& arguments)
    {
        return ChildProcess(BinaryPath(L"ClosePanel.exe"), arguments);
    }
};
} // namespace

TEST_F(ClosePanel, ReturnsOnlyOnceThePanelRunningFromTheFileHasEnded)
{
    ChildProcess panel = StartPanel(L"-hide");
    ASSERT_NE(WaitForPanelWindow(), nullptr);

    ChildProcess closer = Run(L"\"" + BinaryPath(L"GUI_KV58.exe") + L"\"");
    ASSERT_TRUE(closer.Started());
    ASSERT_TRUE(closer.WaitExit(20000));
    EXPECT_TRUE(panel.WaitExit(0)) << "returned while the panel still ran";
}

TEST_F(ClosePanel, LeavesAPanelOfAnotherFileAloneAndEndsAtOnce)
{
    ChildProcess panel = StartPanel(L"-hide");
    ASSERT_NE(WaitForPanelWindow(), nullptr);

    for (const wchar_t* arguments : {L"\"C:\\Elsewhere\\GUI_KV58.exe\"", L"", L"a b"})
    {
        ChildProcess closer = Run(arguments);
        ASSERT_TRUE(closer.Started());
        EXPECT_TRUE(closer.WaitExit(5000)) << testing::PrintToString(arguments);
    }
    EXPECT_TRUE(panel.IsRunning());
}
