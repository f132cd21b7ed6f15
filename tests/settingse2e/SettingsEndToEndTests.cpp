#include "tests/support/PanelProcess.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/TrayKeeper.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <string>

// The real panel on the simulated KV58, driven through its combo boxes as
// the user's choices reach it, and the simulated device read back.
namespace
{
constexpr int kInputSource = 1000;
constexpr int kSampleRate = 1001;
constexpr int kStreamingMode = 1011;
constexpr int kAsioBuffer = 1013;

const std::wstring kSoundText =
    L"The requested operation cannot be performed because a Windows sound device is currently in "
    L"use. Please close any active application and try again.";
const std::wstring kBufferWarning =
    L" Hz sampling rate the selected ASIO buffer size is too small for the current USB streaming "
    L"mode. To avoid audio distortions, you should select a larger ASIO buffer size.";

class SettingsEndToEnd : public testing::Test
{
protected:
    static void SetUpTestSuite() { s_trayKeeper = std::make_unique<TrayKeeper>(); }
    static void TearDownTestSuite() { s_trayKeeper.reset(); }
    void SetUp() override
    {
        EndAllPanels();
        ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
    }
    void TearDown() override { EndAllPanels(); }

    static inline std::unique_ptr<TrayKeeper> s_trayKeeper;

    // Starts the panel and waits until it shows the device.
    void Start(const wchar_t* rateShown = L"48000 Hz")
    {
        m_process = StartPanel();
        m_panel = WaitForPanelWindow();
        ASSERT_NE(m_panel, nullptr);
        ASSERT_TRUE(WaitFor([&] { return Shown(kSampleRate) == rateShown; }, 10000))
            << "shown: " << testing::PrintToString(Shown(kSampleRate));
    }

    HWND Box(int id) const { return ::GetDlgItem(m_panel, id); }
    // What the combo box shows in its edit field.
    std::wstring Shown(int id) const { return RemoteWindowText(Box(id)); }

    void Choose(int id, DWORD_PTR value)
    {
        ASSERT_TRUE(ChooseItem(m_panel, id, value)) << "no item for " << value;
    }

    // The message box the panel shows, or null when none came in time.
    HWND WaitForMessageBox() const
    {
        struct Search
        {
            HWND owner;
            HWND found;
        } search{m_panel, nullptr};
        WaitFor(
            [&]
            {
                ::EnumWindows(
                    [](HWND window, LPARAM param) -> BOOL
                    {
                        auto* s = reinterpret_cast<Search*>(param);
                        wchar_t name[16] = L"";
                        ::GetClassNameW(window, name, 16);
                        if (std::wstring(name) == L"#32770" &&
                            ::GetWindow(window, GW_OWNER) == s->owner && ::IsWindowVisible(window))
                        {
                            s->found = window;
                            return FALSE;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            },
            10000);
        return search.found;
    }

    static void PressOk(HWND messageBox)
    {
        ::PostMessageW(::GetDlgItem(messageBox, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(messageBox); })) << "OK closes the box";
    }

    static bool SimIs(const char* key, const std::string& value)
    {
        return WaitFor([&] { return SimState()[key] == value; });
    }

    static bool LogHas(const std::string& line)
    {
        const auto log = SimLog();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    ChildProcess m_process{L"", L""};
    HWND m_panel = nullptr;
};
} // namespace

TEST_F(SettingsEndToEnd, ChoosingARateChangesTheDeviceAndTheBoxShowsIt)
{
    ASSERT_EQ(RunSim(L"rate 44100").exitCode, 0u);
    Start(L"44100 Hz");
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    Choose(kSampleRate, 48000);
    EXPECT_TRUE(SimIs("rate", "48000"));
    EXPECT_TRUE(WaitFor([&] { return Shown(kSampleRate) == L"48000 Hz"; }));
    EXPECT_TRUE(LogHas("SetSampleRate(48000)"));
}

TEST_F(SettingsEndToEnd, ARefusedRateIsExplainedInAMessageBoxThenTheBoxFallsBack)
{
    Start();
    ASSERT_EQ(RunSim(L"busy sound").exitCode, 0u);
    Choose(kSampleRate, 96000);
    HWND messageBox = WaitForMessageBox();
    ASSERT_NE(messageBox, nullptr);
    EXPECT_EQ(RemoteWindowText(::GetDlgItem(messageBox, 0xFFFF)), kSoundText);
    EXPECT_EQ(RemoteWindowText(messageBox), L"Halvix HV10 ");
    EXPECT_EQ(Shown(kSampleRate), L"96000 Hz") << "the user's pick stands until the box closes";
    PressOk(messageBox);
    EXPECT_TRUE(WaitFor([&] { return Shown(kSampleRate) == L"48000 Hz"; }));
    EXPECT_EQ(SimState()["rate"], "48000");
}

TEST_F(SettingsEndToEnd, ARateChangedOutsideThePanelIsFollowed)
{
    Start();
    ASSERT_EQ(RunSim(L"rate 96000").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return Shown(kSampleRate) == L"96000 Hz"; }));
    ASSERT_EQ(RunSim(L"rate 44100").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return Shown(kSampleRate) == L"44100 Hz"; }));
}

TEST_F(SettingsEndToEnd, ABufferBelowTheMinimumIsWarnedAboutThenSetAnyway)
{
    Start();
    ASSERT_EQ(RunSim(L"min-buffer 256").exitCode, 0u);
    Choose(kAsioBuffer, 64);
    HWND messageBox = WaitForMessageBox();
    ASSERT_NE(messageBox, nullptr);
    EXPECT_EQ(RemoteWindowText(::GetDlgItem(messageBox, 0xFFFF)), L"At 48000" + kBufferWarning);
    EXPECT_EQ(RemoteWindowText(messageBox), L"VOSTRAND KV58 Audio Control Panel");
    EXPECT_EQ(SimState()["buffer"], "512") << "the warning comes before the change";
    PressOk(messageBox);
    EXPECT_TRUE(SimIs("buffer", "64"));
    EXPECT_TRUE(WaitFor([&] { return Shown(kAsioBuffer) == L"    64 samples"; }));
}

TEST_F(SettingsEndToEnd, AModeThatNeedsALargerBufferIsSetThenWarnedAbout)
{
    Start();
    ASSERT_EQ(RunSim(L"min-buffer 1024").exitCode, 0u);
    Choose(kStreamingMode, 16);
    HWND messageBox = WaitForMessageBox();
    ASSERT_NE(messageBox, nullptr);
    EXPECT_EQ(SimState()["mode"], "16");
    EXPECT_EQ(Shown(kStreamingMode), L"Safe (16 ms)");
    EXPECT_EQ(RemoteWindowText(::GetDlgItem(messageBox, 0xFFFF)), L"At 48000" + kBufferWarning);
    PressOk(messageBox);
    EXPECT_EQ(SimState()["buffer"], "512");
}

TEST_F(SettingsEndToEnd, TheInputSourceSwitchesBothWays)
{
    Start();
    EXPECT_EQ(Shown(kInputSource), L"SPDIF IN");
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    Choose(kInputSource, 1);
    EXPECT_TRUE(SimIs("input", "1"));
    EXPECT_TRUE(WaitFor([&] { return Shown(kInputSource) == L"Analog In"; }));
    EXPECT_TRUE(LogHas("Set(11,0x01,0,0,len=1,data=01,timeout=500)"));
    Choose(kInputSource, 2);
    EXPECT_TRUE(SimIs("input", "2"));
    EXPECT_TRUE(WaitFor([&] { return Shown(kInputSource) == L"SPDIF IN"; }));
    EXPECT_TRUE(LogHas("Set(11,0x01,0,0,len=1,data=02,timeout=500)"));
}
