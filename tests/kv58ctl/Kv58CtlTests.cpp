#include "tests/support/PanelProcess.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SimulatorTool.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <optional>
#include <fstream>
#include <map>
#include <string>
#include <vector>

// kv58ctl on the simulated KV58: what it prints, its exit code, and what the
// device holds afterwards.
namespace
{
ToolResult Ctl(const std::wstring& arguments)
{
    return RunTool(L"kv58ctl.exe", arguments);
}

class Kv58Ctl : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(RunSim(L"reset").exitCode, 0u); }
};

struct Case
{
    const char* name;
    std::vector<std::wstring> setup; // kv58sim commands first
    std::wstring arguments;
    DWORD exitCode;
    std::string errHas; // in stderr; empty: stderr is empty
    std::map<std::string, std::string> state;
};

TEST_F(Kv58Ctl, CommandsChangeTheDeviceOrSayWhyNot)
{
    const std::string usage = "usage: kv58ctl";
    const std::string busy = "because a Windows sound device is currently in use";
    const Case cases[] = {
        {"rate", {}, L"rate 96000", 0, "", {{"rate", "96000"}}},
        {"rate not listed", {}, L"rate 22050", 2, "does not list 22050 Hz", {{"rate", "48000"}}},
        {"rate not a number", {}, L"rate fast", 2, "'fast' is not a number", {}},
        {"rate while busy", {L"busy sound"}, L"rate 44100", 1, busy, {{"rate", "48000"}}},
        {"mode", {}, L"mode 2", 0, "", {{"mode", "2"}}},
        {"mode warns of a small buffer",
         {L"buffer 64"},
         L"mode 32",
         0,
         "warning: At 48000 Hz sampling rate the selected ASIO buffer size is too small",
         {{"mode", "32"}}},
        {"mode not offered", {}, L"mode 3", 2, "1, 2, 4, 8, 16 or 32", {{"mode", "4"}}},
        {"buffer", {}, L"buffer 1024", 0, "", {{"buffer", "1024"}}},
        {"buffer below the minimum",
         {L"min-buffer 256"},
         L"buffer 128",
         0,
         "warning: At 48000 Hz",
         {{"buffer", "128"}}},
        {"buffer without a minimum",
         {L"fail GetMinimumASIOBufferSize 0xE0000099"},
         L"buffer 128",
         1,
         "TUSBAUDIO_GetMinimumASIOBufferSize failed. Status = 0xE0000099",
         {{"buffer", "512"}}},
        {"input", {}, L"input analog", 0, "", {{"input", "1"}}},
        {"input unknown", {}, L"input usb", 2, "spdif or analog", {{"input", "2"}}},
        {"level both",
         {},
         L"level out both -12.5",
         0,
         "",
         {{"out.volume1", "-3200"}, {"out.volume2", "-3200"}}},
        {"level one side",
         {},
         L"level in right -0.00390625",
         0,
         "",
         {{"in.volume1", "-2560"}, {"in.volume2", "-1"}}},
        {"level clamped", {}, L"level in left 6", 0, "kept to 0 dB", {{"in.volume1", "0"}}},
        {"level out of range",
         {},
         L"level out left -200",
         2,
         "out of range",
         {{"out.volume1", "-5120"}}},
        {"level not a number", {}, L"level out left 1e3", 2, "not a number of decibels", {}},
        {"mute", {}, L"mute out on", 0, "", {{"out.mute", "1"}, {"in.mute", "0"}}},
        {"mute refused",
         {L"fail Set 0xE0000041"},
         L"mute in on",
         1,
         "DevSetMute failed",
         {{"in.mute", "0"}}},
        {"no device", {L"devices 0"}, L"rate 44100", 1, "The device is not present", {}},
        {"unknown command", {}, L"volume 3", 2, "unknown command 'volume'", {}},
        {"no command", {}, L"", 2, usage, {}},
        {"too many arguments", {}, L"mute in on now", 2, "mute takes 2 arguments", {}},
        {"status unknown option", {}, L"status --xml", 2, "status takes only --json", {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
        for (const std::wstring& command : c.setup)
            ASSERT_EQ(RunSim(command).exitCode, 0u);
        const ToolResult result = Ctl(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.errHas.empty())
        {
            EXPECT_EQ(result.err, "");
        }
        else
        {
            EXPECT_NE(result.err.find(c.errHas), std::string::npos) << result.err;
        }
        if (c.exitCode == 2)
        {
            EXPECT_NE(result.err.find(usage), std::string::npos) << "usage follows the reason";
        }
        const std::map<std::string, std::string> state = SimState();
        for (const auto& [key, value] : c.state)
            EXPECT_EQ(state.at(key), value) << key;
    }
}

TEST_F(Kv58Ctl, StatusJsonHasEveryField)
{
    ASSERT_EQ(RunSim(L"volume in 2 -3201").exitCode, 0u);
    ASSERT_EQ(RunSim(L"mute out 1").exitCode, 0u);
    ASSERT_EQ(RunSim(L"input 1").exitCode, 0u);
    const ToolResult result = Ctl(L"status --json");
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const std::vector<std::string> fields = {
        "\"device\":true",
        "\"rate\":48000",
        "\"rates\":[44100,48000,88200,96000]",
        "\"streaming_mode_ms\":4",
        "\"asio_buffer\":512",
        "\"asio_minimum\":128",
        "\"input\":\"analog\"",
        "\"levels\":{\"input_left\":-10,\"input_right\":-12.50390625,\"output_left\":-20,"
        "\"output_right\":-20}",
        "\"mutes\":{\"input\":false,\"output\":true}",
    };
    for (const std::string& field : fields)
        EXPECT_NE(result.out.find(field), std::string::npos) << field << " in " << result.out;
    EXPECT_EQ(result.out.front(), '{');
    EXPECT_EQ(result.out.substr(result.out.size() - 3), "}}\n");
}

TEST_F(Kv58Ctl, StatusWithoutADeviceSaysSo)
{
    ASSERT_EQ(RunSim(L"devices 0").exitCode, 0u);
    const ToolResult json = Ctl(L"status --json");
    EXPECT_EQ(json.exitCode, 1u);
    EXPECT_EQ(json.out.rfind("{\"device\":false,\"rate\":null,", 0), 0u) << json.out;
    EXPECT_NE(json.err.find("Status = 0xE0000023"), std::string::npos) << json.err;
    const ToolResult text = Ctl(L"status");
    EXPECT_EQ(text.exitCode, 1u);
    EXPECT_EQ(text.out.rfind("device: absent\n", 0), 0u) << text.out;
}

// Presets in a folder of the test's own: kv58ctl inherits APPDATA.
class Kv58CtlPresets : public Kv58Ctl
{
protected:
    void SetUp() override
    {
        Kv58Ctl::SetUp();
        m_appData.emplace(L"kv58ctl-appdata");
        ::SetEnvironmentVariableW(L"APPDATA", m_appData->Path().c_str());
    }
    void TearDown() override { m_appData.reset(); }

    std::filesystem::path Folder() const
    {
        return m_appData->Path() / L"Vostrand" / L"KV58 Control Panel" / L"Presets";
    }

    std::optional<ScratchFolder> m_appData;
};

TEST_F(Kv58CtlPresets, SaveListLoadDelete)
{
    ASSERT_EQ(RunSim(L"volume out 1 -3201").exitCode, 0u);
    ASSERT_EQ(Ctl(L"preset save Mixing").exitCode, 0u);
    ASSERT_EQ(RunSim(L"rate 96000").exitCode, 0u);
    ASSERT_EQ(RunSim(L"mute in 1").exitCode, 0u);
    ASSERT_EQ(Ctl(L"preset save Recording").exitCode, 0u);
    EXPECT_EQ(Ctl(L"preset list").out, "Mixing\nRecording\n");
    std::string text;
    std::getline(std::ifstream(Folder() / L"Mixing.ini"), text, '\0');
    EXPECT_NE(text.find("rate = 48000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("output_left_db = -12.50390625\n"), std::string::npos) << text;

    const ToolResult load = Ctl(L"preset load Mixing");
    EXPECT_EQ(load.exitCode, 0u) << load.err;
    EXPECT_NE(load.out.find("applied: rate 48000 Hz\n"), std::string::npos) << load.out;
    std::map<std::string, std::string> state = SimState();
    EXPECT_EQ(state["rate"], "48000");
    EXPECT_EQ(state["in.mute"], "0");
    EXPECT_EQ(state["out.volume1"], "-3201");

    EXPECT_EQ(Ctl(L"preset delete Mixing").exitCode, 0u);
    EXPECT_EQ(Ctl(L"preset list").out, "Recording\n");
}

TEST_F(Kv58CtlPresets, ProblemsAreNamedAndTheRestApplied)
{
    std::filesystem::create_directories(Folder());
    std::ofstream(Folder() / L"Odd.ini") << "[preset]\nrate = 44100\nstreaming_mode_ms = 2\n"
                                            "input = usb\ninput_link = on\nmood = calm\n"
                                            "output_mute = on\n";
    ASSERT_EQ(RunSim(L"busy sound").exitCode, 0u);
    const ToolResult load = Ctl(L"preset load Odd");
    EXPECT_EQ(load.exitCode, 1u);
    for (const char* line : {"Odd.ini, line 4, input: \"usb\" is not spdif or analog\n",
                             "not applied: rate 44100 Hz: The requested operation cannot be",
                             "not applied: streaming mode 2 ms: The requested operation",
                             "not applied: input link: only the panel links faders\n"})
        EXPECT_NE(load.err.find(line), std::string::npos) << line << " in " << load.err;
    EXPECT_EQ(load.out, "applied: output mute on\n");
    EXPECT_EQ(SimState()["out.mute"], "1");

    const struct
    {
        const wchar_t* arguments;
        const char* reason;
    } usage[] = {
        {L"preset load Missing", "there is no preset \"Missing\""},
        {L"preset delete Missing", "there is no preset \"Missing\""},
        {L"preset save a/b", "cannot contain any of these characters"},
        {L"preset save", "preset takes list, or save, load or delete and a name"},
        {L"preset rename Odd", "preset takes list"},
    };
    for (const auto& c : usage)
    {
        const ToolResult result = Ctl(c.arguments);
        EXPECT_EQ(result.exitCode, 2u) << testing::PrintToString(c.arguments);
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
}

TEST_F(Kv58CtlPresets, PanelSwitchAppliesWithOrWithoutARunningPanel)
{
    std::filesystem::create_directories(Folder());
    std::ofstream(Folder() / L"Late night.ini") << "rate = 96000\noutput_mute = on\n";
    std::ofstream(Folder() / L"Day.ini") << "rate = 44100\noutput_mute = off\n";
    EndAllPanels();

    // No panel: applied without a window, and the process ends.
    ChildProcess alone = StartPanel(L"-preset \"Late night\"");
    ASSERT_TRUE(alone.WaitExit(15000));
    EXPECT_TRUE(PanelWindows().empty()) << "no window opened";
    EXPECT_EQ(SimState()["rate"], "96000");
    EXPECT_EQ(SimState()["out.mute"], "1");

    // A running panel takes the request; the second process ends at once.
    ChildProcess panel = StartPanel();
    ASSERT_NE(WaitForPanelWindow(), nullptr);
    ChildProcess handing = StartPanel(L"-preset Day");
    ASSERT_TRUE(handing.WaitExit(15000));
    EXPECT_TRUE(WaitFor([] { return SimState()["rate"] == "44100"; }, 10000));
    EXPECT_EQ(SimState()["out.mute"], "0");
    EXPECT_TRUE(panel.IsRunning());
    EXPECT_EQ(PanelWindows().size(), 1u);
    EndAllPanels();
}

TEST_F(Kv58Ctl, RunningPanelFollowsItsChanges)
{
    constexpr int kSampleRate = 1001;
    constexpr int kOutLeftReadout = 1022;
    EndAllPanels();
    ChildProcess panel = StartPanel();
    const HWND window = WaitForPanelWindow();
    ASSERT_NE(window, nullptr);
    const HWND rate = ::GetDlgItem(window, kSampleRate);
    ASSERT_TRUE(WaitFor([&] { return RemoteWindowText(rate) == L"48000 Hz"; }, 10000));

    EXPECT_EQ(Ctl(L"rate 96000").exitCode, 0u);
    EXPECT_EQ(Ctl(L"level out left -30").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return RemoteWindowText(rate) == L"96000 Hz"; }));
    const HWND readout = ::GetDlgItem(window, kOutLeftReadout);
    EXPECT_TRUE(WaitFor([&] { return RemoteWindowText(readout) == L"-30"; }))
        << testing::PrintToString(RemoteWindowText(readout));
    EndAllPanels();
}
} // namespace
