#include "cli/Kv58Ctl.h"
#include "device/DeviceRecords.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/PanelProcess.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SimulatorTool.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// kv58ctl's commands in this process on the fake driver: what it prints, its
// exit code, and what it sent to the device. A few runs of the real program
// on the simulated KV58 stay at the end.
namespace
{
struct CtlRun
{
    int exitCode;
    std::string out;
    std::string err;
};

class Kv58Ctl : public testing::Test
{
protected:
    void SetUp() override
    {
        fake.Reset();
    }

    CtlRun Ctl(const std::string& commandLine)
    {
        std::vector<std::string> args;
        std::istringstream words(commandLine);
        for (std::string word; words >> word;)
            args.push_back(word);
        CtlOutput output;
        const int code = RunKv58Ctl(args, fake.api(), SystemHidApi(), output);
        return {code, output.out, output.err};
    }

    std::vector<std::string> Changes() { return fake.TakeChanges(); }

    void WritePreset(const std::string& name, const std::string& text) const
    {
        std::filesystem::create_directories(m_presets);
        std::ofstream(m_presets / (name + ".ini"), std::ios::binary) << text;
    }

    FakeUsbAudio& fake = FakeUsbAudio::Instance();
    // kv58ctl in this process takes its presets from here.
    const ScratchAppData m_appData{L"kv58ctl-appdata"};
    const std::filesystem::path m_presets = m_appData.Presets();
};

const std::string kUsage = "usage: kv58ctl";

TEST_F(Kv58Ctl, CommandsChangeTheDeviceOrSayWhyNot)
{
    const std::string busy = "because a Windows sound device is currently in use";
    const struct
    {
        const char* arguments;
        std::function<void(FakeUsbAudio&)> setup;
        int exitCode;
        std::string errHas; // empty: stderr is empty
        std::vector<std::string> calls;
    } cases[] = {
        {"rate 96000", {}, 0, "", {"SetSampleRate(96000)"}},
        {"rate 22050", {}, 2, "does not list 22050 Hz", {}},
        {"rate fast", {}, 2, "'fast' is not a number", {}},
        {"rate 44100",
         [](FakeUsbAudio& f) { f.Fail("SetSampleRate", kStatusSoundDeviceInUse); },
         1,
         busy,
         {"SetSampleRate(44100)"}},
        {"mode 2", {}, 0, "", {"SetUsbStreamingMode(2)"}},
        {"mode 32",
         [](FakeUsbAudio& f) { f.asioBufferSize = 64; },
         0,
         "warning: At 48000 Hz sampling rate the selected ASIO buffer size is too small",
         {"SetUsbStreamingMode(32)"}},
        {"mode 3", {}, 2, "1, 2, 4, 8, 16 or 32", {}},
        {"buffer 1024", {}, 0, "", {"SetASIOBufferSize(1024)"}},
        {"buffer 100", {}, 2, "64, 128, 256, 512, 1024, 2048, 4096 or 8192 samples", {}},
        {"buffer 128",
         [](FakeUsbAudio& f) { f.minimumAsioBufferSize = 256; },
         0,
         "warning: At 48000 Hz",
         {"SetASIOBufferSize(128)"}},
        {"buffer 128",
         [](FakeUsbAudio& f) { f.Fail("GetMinimumASIOBufferSize", 0xE0000099); },
         1,
         "TUSBAUDIO_GetMinimumASIOBufferSize failed. Status = 0xE0000099",
         {}},
        {"input analog", {}, 0, "", {"Set(11,0x01,0,0,len=1,data=01"}},
        {"input SPDIF", {}, 0, "", {"Set(11,0x01,0,0,len=1,data=02"}},
        {"input usb", {}, 2, "spdif or analog", {}},
        {"level OUT Both -12.5",
         {},
         0,
         "",
         {"Set(15,0x01,2,1,len=2,data=80f3", "Set(15,0x01,2,2,len=2,data=80f3"}},
        {"level in right -0.00390625", {}, 0, "", {"Set(14,0x01,2,2,len=2,data=ffff"}},
        {"level out left 6", {}, 0, "kept to 0 dB", {"Set(15,0x01,2,1,len=2,data=0000"}},
        {"level out left -200", {}, 2, "out of range", {}},
        {"level out left 1e3", {}, 2, "not a number of decibels", {}},
        {"Mute Out ON", {}, 0, "", {"Set(15,0x01,1,0,len=1,data=01"}},
        {"mute in on",
         [](FakeUsbAudio& f) { f.Fail("Set", 0xE0000041); },
         1,
         "DevSetMute failed",
         {"Set(14,0x01,1,0,len=1,data=01"}},
        {"rate 44100", [](FakeUsbAudio& f) { f.deviceCount = 0; }, 1, "not present", {}},
        {"volume 3", {}, 2, "unknown command 'volume'", {}},
        {"", {}, 2, kUsage, {}},
        {"mute in on now", {}, 2, "mute takes 2 arguments", {}},
        {"status --xml", {}, 2, "status takes only --json", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        fake.Reset();
        if (c.setup)
            c.setup(fake);
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.errHas.empty())
        {
            EXPECT_EQ(run.err, "");
        }
        else
        {
            EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
        }
        if (c.exitCode == 2)
        {
            EXPECT_NE(run.err.find(kUsage), std::string::npos) << "usage follows the reason";
        }
        EXPECT_EQ(Changes(), c.calls);
    }
}

TEST_F(Kv58Ctl, HelpAndVersionGoToStdout)
{
    for (const char* help : {"--help", "-h", "/?", "help", "HELP"})
    {
        const CtlRun run = Ctl(help);
        EXPECT_EQ(run.exitCode, 0) << help;
        EXPECT_EQ(run.out.rfind(kUsage, 0), 0u) << help;
        EXPECT_EQ(run.err, "") << help;
    }
    const CtlRun version = Ctl("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(testing::internal::RE::FullMatch(version.out, "kv58ctl \\d+\\.\\d+\n"))
        << version.out;
}

TEST_F(Kv58Ctl, StatusJsonHasEveryField)
{
    fake.SetVolume(14, 2, -3201);
    fake.SetByte(15, 1, 1);
    fake.SetByte(11, 0, 1);
    const CtlRun run = Ctl("status --JSON");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "{\"device\":true,\"rate\":48000,\"rates\":[44100,48000,88200,96000],"
                       "\"streaming_mode_ms\":4,\"asio_buffer\":512,\"asio_minimum\":128,"
                       "\"input\":\"analog\",\"levels\":{\"input_left\":-10,\"input_right\":-12."
                       "50390625,\"output_left\":-20,\"output_right\":-20},\"mutes\":{\"input\":"
                       "false,\"output\":true}}\n");

    // Levels and mutes the device does not give are unknown, not 0 dB and off.
    fake.Fail("Get(15,2)", 0xE0000001);
    fake.Fail("Get(14,1)", 0xE0000001);
    const CtlRun unread = Ctl("status --json");
    EXPECT_NE(unread.out.find("\"output_left\":null,\"output_right\":null},\"mutes\":{\"input\":"
                              "null,"),
              std::string::npos)
        << unread.out;
    EXPECT_NE(Ctl("status").out.find("output left: -\n"), std::string::npos);
    fake.ClearFailures();

    fake.deviceCount = 0;
    const CtlRun absent = Ctl("status --json");
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.out.rfind("{\"device\":false,\"rate\":null,", 0), 0u) << absent.out;
    EXPECT_NE(absent.err.find("Status = 0xE0000023"), std::string::npos) << absent.err;
    EXPECT_EQ(Ctl("status").out.rfind("device: absent\n", 0), 0u);
}

TEST_F(Kv58Ctl, PresetsSaveListLoadDelete)
{
    fake.SetVolume(15, 1, -3201);
    ASSERT_EQ(Ctl("preset save Mixing").exitCode, 0);
    fake.currentRate = 96000;
    ASSERT_EQ(Ctl("preset save Recording").exitCode, 0);
    EXPECT_EQ(Ctl("preset list").out, "Mixing\nRecording\n");
    std::string text;
    std::getline(std::ifstream(m_presets / L"Mixing.ini", std::ios::binary), text, '\0');
    EXPECT_NE(text.find("rate = 48000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("output_left_db = -12.50390625\r\n"), std::string::npos) << text;

    fake.TakeCalls();
    const CtlRun load = Ctl("preset load Mixing");
    EXPECT_EQ(load.exitCode, 0) << load.err;
    EXPECT_NE(load.out.find("applied: rate 48000 Hz\n"), std::string::npos) << load.out;
    const std::vector<std::string> calls = Changes();
    EXPECT_EQ(calls.front(), "SetSampleRate(48000)");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Set(15,0x01,2,1,len=2,data=7ff3"),
              calls.end());

    EXPECT_EQ(Ctl("preset delete Mixing").exitCode, 0);
    EXPECT_EQ(Ctl("preset list").out, "Recording\n");
}

// What loading a preset tells on stderr, its exit code, and what it sends.
TEST_F(Kv58Ctl, PresetLoadNamesEveryProblem)
{
    const struct
    {
        const char* name;
        std::string text;
        std::function<void(FakeUsbAudio&)> setup;
        int exitCode;
        std::vector<std::string> errHas;
        std::vector<std::string> calls;
    } cases[] = {
        {"Odd",
         "[preset]\nrate = 44100\nstreaming_mode_ms = 2\ninput = usb\ninput_link = on\n"
         "output_mute = on\n",
         [](FakeUsbAudio& f) { f.Fail("SetSampleRate", kStatusSoundDeviceInUse); },
         1,
         {"Odd.ini, line 4, input: \"usb\" is not spdif or analog\n",
          "not applied: rate 44100 Hz: The requested operation cannot be",
          "not applied: input link: only the panel links faders\n"},
         {"SetSampleRate(44100)", "SetUsbStreamingMode(2)", "Set(15,0x01,1,0,len=1,data=01"}},
        {"Unknown",
         "[Preset]\r\nRate = 44100\r\ncolour = red\r\n",
         {},
         0,
         {"note: Unknown.ini: keys this program does not know are ignored: colour (line 3)\n"},
         {"SetSampleRate(44100)"}},
        {"Twice",
         "rate = 44100\nrate = 96000\n",
         {},
         1,
         {"Twice.ini, line 2, rate: given before on line 1, so \"96000\" is ignored\n"},
         {"SetSampleRate(44100)"}},
        {"Empty",
         "[presets]\nrate = 44100\n",
         {},
         1,
         {"\"Empty\" has no setting this program knows.\n"},
         {}},
        // Links are a setting, but only a running panel has them.
        {"Links",
         "output_link = on\n",
         {},
         1,
         {"not applied: output link: only the panel links faders\n"},
         {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        fake.Reset();
        if (c.setup)
            c.setup(fake);
        WritePreset(c.name, c.text);
        const CtlRun load = Ctl(std::string("preset load ") + c.name);
        EXPECT_EQ(load.exitCode, c.exitCode) << load.err;
        for (const std::string& line : c.errHas)
            EXPECT_NE(load.err.find(line), std::string::npos) << line << " in " << load.err;
        EXPECT_EQ(Changes(), c.calls);
    }

    const struct
    {
        const char* arguments;
        const char* reason;
    } usage[] = {
        {"preset load Missing", "there is no preset \"Missing\""},
        {"preset delete Missing", "there is no preset \"Missing\""},
        {"preset save a/b", "cannot contain any of these characters"},
        {"preset save", "preset takes list, or save, load or delete and a name"},
        {"preset rename Odd", "preset takes list"},
    };
    for (const auto& c : usage)
    {
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
}

// The real programs on the simulated KV58.
class Kv58CtlProgram : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(RunSim(L"reset").exitCode, 0u); }
};

TEST_F(Kv58CtlProgram, PrintsItsVersionAndChangesTheDevice)
{
    const ToolResult version = RunTool(L"kv58ctl.exe", L"--version");
    EXPECT_EQ(version.exitCode, 0u) << version.err;
    EXPECT_TRUE(testing::internal::RE::FullMatch(version.out, "kv58ctl \\d+\\.\\d+\n"))
        << version.out;
    const ToolResult help = RunTool(L"kv58ctl.exe", L"/?");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_EQ(help.out.rfind("usage: kv58ctl", 0), 0u) << help.out;
    const ToolResult input = RunTool(L"kv58ctl.exe", L"input Analog");
    EXPECT_EQ(input.exitCode, 0u) << input.err;
    EXPECT_EQ(SimState()["input"], "1");
}

TEST_F(Kv58CtlProgram, PanelSwitchAppliesWithOrWithoutARunningPanel)
{
    // The programs started here take their presets from here.
    const ScratchAppData appData(L"kv58ctl-panel-appdata");
    const std::filesystem::path folder = appData.Presets();
    std::filesystem::create_directories(folder);
    std::ofstream(folder / L"Late night.ini") << "rate = 96000\noutput_mute = on\n";
    std::ofstream(folder / L"Day.ini") << "rate = 44100\noutput_mute = off\n";
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

TEST_F(Kv58CtlProgram, RunningPanelFollowsItsChanges)
{
    constexpr int kSampleRate = 1001;
    constexpr int kOutLeftReadout = 1022;
    EndAllPanels();
    ChildProcess panel = StartPanel();
    const HWND window = WaitForPanelWindow();
    ASSERT_NE(window, nullptr);
    const HWND rate = ::GetDlgItem(window, kSampleRate);
    ASSERT_TRUE(WaitFor([&] { return RemoteWindowText(rate) == L"48000 Hz"; }, 10000));

    EXPECT_EQ(RunTool(L"kv58ctl.exe", L"rate 96000").exitCode, 0u);
    EXPECT_EQ(RunTool(L"kv58ctl.exe", L"level out left -30").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return RemoteWindowText(rate) == L"96000 Hz"; }));
    const HWND readout = ::GetDlgItem(window, kOutLeftReadout);
    EXPECT_TRUE(WaitFor([&] { return RemoteWindowText(readout) == L"-30"; }))
        << testing::PrintToString(RemoteWindowText(readout));
    EndAllPanels();
}
} // namespace
