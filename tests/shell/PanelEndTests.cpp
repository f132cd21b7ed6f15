#include "RunningPanel.h"
#include "app/resource.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/TrayKeeper.h"
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

// The panel ends when asked, however it is asked, also while one of its
// boxes is open or the device hangs, and nothing the box would have led to
// is done.
namespace
{
enum class Way
{
    TrayExit,
    ExitAll,
    ClosePanel,
    EndSession
};
enum class Open
{
    Nothing,
    ErrorBox,
    BufferWarning,
    PresetReport,
    AboutBox,
    PresetReplace,
    HangingCall
};

const char* const kWayNames[] = {"tray Exit", "-exitall", "ClosePanel.exe", "session end"};
// What is open when the panel is asked to end. The buffer warning sets the
// buffer once answered; a preset's report has a second box to follow; the
// replace question stands over the preset-name dialog.
const char* const kOpenNames[] = {
    "nothing",       "an error box",       "a buffer warning",        "a preset's report",
    "the About box", "a replace question", "a driver call that hangs"};

class PanelEnd : public RunningPanel
{
protected:
    static void SetUpTestSuite() { s_trayKeeper = std::make_unique<TrayKeeper>(); }
    static void TearDownTestSuite() { s_trayKeeper.reset(); }
    void SetUp() override
    {
        RunningPanel::SetUp();
        std::ofstream(m_folder / L"studio.ini") << "rate = 44100\n";
        // A value that cannot be read and a key nobody knows: two boxes.
        std::ofstream(m_folder / L"broken.ini")
            << "rate = 48000\ninput_left_db = loud\ncolour = red\n";
    }

    static HWND WaitForOwned(HWND owner)
    {
        HWND owned = nullptr;
        WaitFor([&] { return (owned = FindOwnedPopup(owner)) != nullptr; }, 10000);
        return owned;
    }

    // Opens what the panel is to end with; false when it did not come.
    static bool Bring(HWND panel, Open open)
    {
        switch (open)
        {
        case Open::Nothing:
            return true;
        case Open::ErrorBox:
            return RunSimulator(L"busy sound") && ChooseItem(panel, IDC_SAMPLE_RATE, 96000) &&
                   WaitForOwned(panel) != nullptr;
        case Open::BufferWarning:
            return RunSimulator(L"min-buffer 256") && ChooseItem(panel, IDC_ASIO_BUFFER, 64) &&
                   WaitForOwned(panel) != nullptr;
        case Open::PresetReport:
        {
            ChildProcess handOver = StartPanel(L"-preset broken");
            return handOver.WaitExit(10000) && WaitForOwned(panel) != nullptr;
        }
        case Open::AboutBox:
            ::PostMessageW(panel, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            return WaitForOwned(panel) != nullptr;
        case Open::PresetReplace:
        {
            PostCommand(panel, ID_TRAY_PRESET_SAVE);
            HWND dialog = WaitForOwned(panel);
            if (!dialog)
                return false;
            ::SendMessageW(::GetDlgItem(dialog, IDC_PRESET_NAME), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>(L"studio"));
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return WaitForOwned(dialog) != nullptr;
        }
        case Open::HangingCall:
            // A changed level makes the panel read the mixer, which now hangs.
            return RunSimulator(L"log clear") && RunSimulator(L"stall 600000") &&
                   RunSimulator(L"volume in 1 -2560") &&
                   WaitFor(
                       []
                       {
                           for (const std::string& call : SimLog())
                               if (call.rfind("Get(", 0) == 0)
                                   return true;
                           return false;
                       },
                       10000);
        }
        return false;
    }

    // Asks the panel to end; the milliseconds from the request to the
    // process's end, or nothing when it did not end within 10 s.
    std::optional<ULONGLONG> End(HWND panel, Way way)
    {
        ULONGLONG start = ::GetTickCount64();
        std::optional<ChildProcess> closer;
        switch (way)
        {
        case Way::TrayExit:
            PostCommand(panel, ID_TRAY_EXIT);
            break;
        case Way::ExitAll:
        {
            ChildProcess exitAll = StartPanel(L"-exitall");
            EXPECT_TRUE(exitAll.WaitExit(10000));
            // It posted the command as it ended.
            start = ::GetTickCount64();
            break;
        }
        case Way::ClosePanel:
            closer.emplace(BinaryPath(L"ClosePanel.exe"),
                           L"\"" + BinaryPath(L"GUI_KV58.exe") + L"\"");
            break;
        case Way::EndSession:
        {
            DWORD_PTR answer = FALSE;
            EXPECT_TRUE(::SendMessageTimeoutW(panel, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP,
                                              SMTO_ABORTIFHUNG, 5000, &answer));
            EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
            start = ::GetTickCount64();
            ::SendMessageTimeoutW(panel, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                                  5000, &answer);
            break;
        }
        }
        if (!m_process.WaitExit(10000))
            return std::nullopt;
        return ::GetTickCount64() - start;
    }

    const ScratchAppData m_appData{L"kv58-panel-end"};
    const std::filesystem::path m_folder = m_appData.Presets();
    static inline std::unique_ptr<TrayKeeper> s_trayKeeper;
};
} // namespace

TEST_F(PanelEnd, EveryWayEndsThePanelWithinASecondOfAHealthyEndWhateverIsOpen)
{
    const struct
    {
        Way way;
        std::vector<Open> opens;
    } ways[] = {
        // Each way ends a healthy panel first: the others are timed against it.
        {Way::ExitAll,
         {Open::Nothing, Open::ErrorBox, Open::BufferWarning, Open::PresetReport, Open::AboutBox,
          Open::PresetReplace}},
        {Way::TrayExit, {Open::Nothing, Open::ErrorBox}},
        {Way::ClosePanel, {Open::Nothing, Open::ErrorBox}},
        {Way::EndSession, {Open::Nothing, Open::ErrorBox, Open::HangingCall}},
    };
    for (const auto& [way, opens] : ways)
    {
        ULONGLONG healthy = 0;
        for (Open open : opens)
        {
            const std::string row = std::string(kWayNames[static_cast<int>(way)]) + " with " +
                                    kOpenNames[static_cast<int>(open)];
            ASSERT_TRUE(RunSimulator(L"reset"));
            const std::string preset = FileText(m_folder / L"studio.ini");
            HWND panel = Start();
            ASSERT_NE(panel, nullptr) << row;
            ASSERT_TRUE(Bring(panel, open)) << row;
            const std::optional<ULONGLONG> took = End(panel, way);
            ASSERT_TRUE(took) << row << ": the panel did not end";
            std::printf("[ ended ] %s: %llu ms\n", row.c_str(), *took);
            if (open == Open::Nothing)
                healthy = *took;
            EXPECT_LE(*took, healthy + 1000) << row;
            EXPECT_FALSE(TrayIconExists(panel, kTrayIconId)) << row;
            // Nothing the box would have led to was done.
            const std::map<std::string, std::string> device = SimState();
            EXPECT_EQ(device.at("rate"), "48000") << row;
            EXPECT_EQ(device.at("buffer"), "512") << row;
            EXPECT_EQ(FileText(m_folder / L"studio.ini"), preset) << row;
        }
    }
}

TEST_F(PanelEnd, ACancelledSessionEndLeavesThePanelAsItWas)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    DWORD_PTR answer = FALSE;
    ASSERT_TRUE(
        ::SendMessageTimeoutW(panel, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    ASSERT_TRUE(
        ::SendMessageTimeoutW(panel, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    ::Sleep(500);
    EXPECT_TRUE(m_process.IsRunning());
    EXPECT_TRUE(IsOnScreen(panel));
    EXPECT_TRUE(TrayIconExists(panel, kTrayIconId));
}
