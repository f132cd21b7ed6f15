#include "device/DeviceRecords.h"
#include "device/UsbAudioApi.h"
#include "tests/support/SimulatorTool.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>

namespace
{
constexpr UINT kPnpMessage = WM_APP + 3;
constexpr UsbAudioStatus kNoNotification = 0xE0000010;

// The simulated driver loaded into this process, as the panel loads it.
class Simulator : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsComplete())
            << "tusbaudioapi.dll beside the test, with every function";
        ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
    }
    void TearDown() override
    {
        if (m_device)
            api().CloseDevice(m_device);
        if (m_window)
            ::DestroyWindow(m_window);
    }

    const UsbAudioApi& api() const { return m_library.api(); }

    UsbAudioDeviceHandle Open()
    {
        EXPECT_EQ(api().EnumerateDevices(), 0u);
        EXPECT_EQ(api().OpenDeviceByIndex(0, &m_device), 0u);
        EXPECT_NE(m_device, nullptr);
        return m_device;
    }

    // A window of this thread registered for arrival and removal messages.
    void RegisterForPnp()
    {
        m_window =
            ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_EQ(api().RegisterPnpNotification(nullptr, nullptr, m_window, kPnpMessage, 0), 0u);
    }

    // The wParam of the next PnP message, or -1 when none came in time.
    int NextPnp(DWORD timeoutMs = 3000)
    {
        const ULONGLONG end = ::GetTickCount64() + timeoutMs;
        MSG msg;
        do
        {
            if (::PeekMessageW(&msg, m_window, kPnpMessage, kPnpMessage, PM_REMOVE))
                return static_cast<int>(msg.wParam);
            ::Sleep(5);
        } while (::GetTickCount64() < end);
        return -1;
    }

    int16_t ReadVolume(uint8_t unit, uint8_t channel)
    {
        int16_t volume = 0;
        EXPECT_EQ(api().AudioControlRequestGet(m_device, unit, 0x81, 2, channel, &volume, 2,
                                               nullptr, 500),
                  0u);
        return volume;
    }

    UsbAudioLibrary m_library;
    UsbAudioDeviceHandle m_device = nullptr;
    HWND m_window = nullptr;
};

struct AutoEvent
{
    HANDLE handle = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~AutoEvent() { ::CloseHandle(handle); }
    bool Signalled(DWORD ms = 3000) const
    {
        return ::WaitForSingleObject(handle, ms) == WAIT_OBJECT_0;
    }
};
} // namespace

TEST_F(Simulator, StartsAsTheDefaultKv58)
{
    const auto state = SimState();
    const std::map<std::string, std::string> expected = {
        {"attached", "1"},
        {"devices", "1"},
        {"rate", "48000"},
        {"rates", "44100,48000,88200,96000"},
        {"mode", "4"},
        {"buffer", "512"},
        {"min-buffer", "auto"},
        {"input", "2"},
        {"in.volume1", "-2560"},
        {"in.volume2", "-2560"},
        {"in.mute", "0"},
        {"out.volume1", "-5120"},
        {"out.volume2", "-5120"},
        {"out.mute", "0"},
        {"busy", "none"},
        {"stall", "0"},
        {"open-handles", "0"},
    };
    EXPECT_EQ(state, expected);

    UsbAudioDeviceHandle device = Open();
    EXPECT_EQ(api().GetDeviceCount(), 1u);
    DeviceProperties properties{};
    ASSERT_EQ(api().GetDeviceProperties(device, &properties), 0u);
    EXPECT_EQ(properties.usbVendorId, 0x152Au);
    EXPECT_EQ(properties.usbProductId, 0x8758u);

    unsigned int rates[16] = {};
    unsigned int count = 0;
    ASSERT_EQ(api().GetSupportedSampleRates(device, 16, rates, &count), 0u);
    EXPECT_EQ(std::vector<unsigned int>(rates, rates + count),
              (std::vector<unsigned int>{44100, 48000, 88200, 96000}));

    ChannelRecord output[7] = {};
    ASSERT_EQ(api().GetChannelProperties(device, 0, 7, output, &count), 0u);
    ASSERT_EQ(count, 2u);
    for (unsigned int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(output[i].featureUnitId, 15);
        EXPECT_EQ(output[i].channelNumber, i + 1);
        EXPECT_EQ(output[i].volumeMin, -22528);
        EXPECT_EQ(output[i].volumeMax, 0);
        EXPECT_EQ(output[i].volumeResolution, 128);
        EXPECT_EQ(output[i].controlFlags & 1, 1u);
    }
    ChannelRecord input[7] = {};
    ASSERT_EQ(api().GetChannelProperties(device, 1, 7, input, &count), 0u);
    EXPECT_EQ(input[1].featureUnitId, 14);

    uint8_t selector = 0;
    ASSERT_EQ(api().AudioControlRequestGet(device, 11, 0x81, 0, 0, &selector, 1, nullptr, 500), 0u);
    EXPECT_EQ(selector, 2);
    EXPECT_EQ(ReadVolume(14, 2), -2560);
    EXPECT_EQ(ReadVolume(15, 1), -5120);
    uint8_t mute = 1;
    ASSERT_EQ(api().AudioControlRequestGet(device, 15, 0x81, 1, 0, &mute, 1, nullptr, 500), 0u);
    EXPECT_EQ(mute, 0);
    EXPECT_EQ(SimState()["open-handles"], "1");
}

TEST_F(Simulator, LogsEveryCallInTheFakesFormat)
{
    UsbAudioDeviceHandle device = Open();
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    uint8_t value = 0;
    api().AudioControlRequestGet(device, 11, 0x81, 0, 0, &value, 1, nullptr, 500);
    int16_t volume = -22528;
    api().AudioControlRequestSet(device, 14, 0x01, 2, 1, &volume, 2, nullptr, 500);
    api().SetSampleRate(device, 96000);
    api().SetUsbStreamingMode(8);
    api().SetASIOBufferSize(64);
    unsigned int type = 0;
    unsigned int length = 0;
    unsigned char data[64];
    api().ReadDeviceNotification(device, &type, data, 64, &length);
    api().CloseDevice(device);
    m_device = nullptr;
    EXPECT_EQ(SimLog(), (std::vector<std::string>{
                            "Get(11,0x81,0,0,len=1,timeout=500)",
                            "Set(14,0x01,2,1,len=2,data=00a8,timeout=500)",
                            "SetSampleRate(96000)",
                            "SetUsbStreamingMode(8)",
                            "SetASIOBufferSize(64)",
                            "ReadDeviceNotification(64)",
                            "CloseDevice(device)",
                        }));

    // The log keeps the last 4096 calls.
    for (int i = 0; i < 4100; ++i)
        api().GetUsbStreamingMode(reinterpret_cast<unsigned int*>(&type));
    api().GetASIOBufferSize(reinterpret_cast<unsigned int*>(&type));
    const std::vector<std::string> log = SimLog();
    ASSERT_EQ(log.size(), 4096u);
    EXPECT_EQ(log.front(), "GetUsbStreamingMode()");
    EXPECT_EQ(log.back(), "GetASIOBufferSize()");
}

TEST_F(Simulator, ChangesMadeThroughTheDriverAreSeenByTheTool)
{
    UsbAudioDeviceHandle device = Open();
    EXPECT_EQ(api().SetSampleRate(device, 96000), 0u);
    EXPECT_NE(api().SetSampleRate(device, 32000), 0u) << "not a supported rate";
    EXPECT_EQ(api().SetUsbStreamingMode(16), 0u);
    EXPECT_EQ(api().SetASIOBufferSize(1024), 0u);
    uint8_t analog = 1;
    EXPECT_EQ(api().AudioControlRequestSet(device, 11, 0x01, 0, 0, &analog, 1, nullptr, 500), 0u);
    uint8_t third = 3;
    EXPECT_NE(api().AudioControlRequestSet(device, 11, 0x01, 0, 0, &third, 1, nullptr, 500), 0u)
        << "the selector has two inputs";
    int16_t volume = -7680;
    EXPECT_EQ(api().AudioControlRequestSet(device, 15, 0x01, 2, 2, &volume, 2, nullptr, 500), 0u);
    uint8_t mute = 1;
    EXPECT_EQ(api().AudioControlRequestSet(device, 14, 0x01, 1, 0, &mute, 1, nullptr, 500), 0u);
    EXPECT_NE(api().AudioControlRequestSet(device, 16, 0x01, 1, 0, &mute, 1, nullptr, 500), 0u)
        << "no such unit";

    auto state = SimState();
    EXPECT_EQ(state["rate"], "96000");
    EXPECT_EQ(state["mode"], "16");
    EXPECT_EQ(state["buffer"], "1024");
    EXPECT_EQ(state["input"], "1");
    EXPECT_EQ(state["out.volume2"], "-7680");
    EXPECT_EQ(state["out.volume1"], "-5120");
    EXPECT_EQ(state["in.mute"], "1");
}

TEST_F(Simulator, ChangesFromOutsideQueueNotificationsAndSignalTheEvent)
{
    UsbAudioDeviceHandle device = Open();
    AutoEvent event;
    ASSERT_EQ(api().RegisterDeviceNotification(device, 0xFFFFFFFF, event.handle, 0), 0u);
    unsigned int type = 0;
    unsigned int length = 0;
    unsigned char data[64];

    struct Case
    {
        const wchar_t* command;
        unsigned int type;
    };
    for (const Case& c : {Case{L"rate 44100", 1}, Case{L"volume out 1 -7680", 3},
                          Case{L"mute in 1", 4}, Case{L"notify 7", 7}})
    {
        ASSERT_EQ(RunSim(c.command).exitCode, 0u) << c.command;
        EXPECT_TRUE(event.Signalled()) << c.command;
        ASSERT_EQ(api().ReadDeviceNotification(device, &type, data, 64, &length), 0u) << c.command;
        EXPECT_EQ(type, c.type) << c.command;
        EXPECT_EQ(api().ReadDeviceNotification(device, &type, data, 64, &length), kNoNotification);
    }
    unsigned int rate = 0;
    ASSERT_EQ(api().GetCurrentSampleRate(device, &rate), 0u);
    EXPECT_EQ(rate, 44100u);
    EXPECT_EQ(ReadVolume(15, 1), -7680);

    // A batch is queued whole before the one signal.
    ASSERT_EQ(RunSim(L"notify 2 1000").exitCode, 0u);
    EXPECT_TRUE(event.Signalled());
    int taken = 0;
    while (api().ReadDeviceNotification(device, &type, data, 64, &length) == 0 && taken <= 1000)
        taken += type == 2;
    EXPECT_EQ(taken, 1000);
    EXPECT_FALSE(event.Signalled(0));
    // Settings that the driver does not announce queue nothing.
    ASSERT_EQ(RunSim(L"input 1").exitCode, 0u);
    ASSERT_EQ(RunSim(L"buffer 256").exitCode, 0u);
    EXPECT_FALSE(event.Signalled(0));
}

TEST_F(Simulator, PlugAndUnplugReachRegisteredWindowsAndEndOpenHandles)
{
    RegisterForPnp();
    UsbAudioDeviceHandle device = Open();
    ASSERT_EQ(RunSim(L"unplug").exitCode, 0u);
    EXPECT_EQ(NextPnp(), 2);
    unsigned int rate = 0;
    EXPECT_NE(api().GetCurrentSampleRate(device, &rate), 0u) << "a handle of a removed device";
    EXPECT_NE(api().CloseDevice(device), 0u);
    m_device = nullptr;
    EXPECT_EQ(api().EnumerateDevices(), 0u);
    EXPECT_EQ(api().GetDeviceCount(), 0u);
    UsbAudioDeviceHandle none = nullptr;
    EXPECT_EQ(api().OpenDeviceByIndex(0, &none), kStatusNoDevice);
    EXPECT_EQ(SimState()["attached"], "0");

    ASSERT_EQ(RunSim(L"plug").exitCode, 0u);
    EXPECT_EQ(NextPnp(), 1);
    Open();

    ASSERT_EQ(RunSim(L"devices 2").exitCode, 0u);
    EXPECT_EQ(NextPnp(), 1);
    ASSERT_EQ(RunSim(L"devices 2").exitCode, 0u);
    EXPECT_EQ(NextPnp(300), -1) << "no change, no message";
    EXPECT_EQ(api().GetDeviceCount(), 2u);
    UsbAudioDeviceHandle second = nullptr;
    ASSERT_EQ(api().OpenDeviceByIndex(1, &second), 0u);
    ASSERT_EQ(RunSim(L"devices 1").exitCode, 0u);
    EXPECT_EQ(NextPnp(), 2);
    EXPECT_NE(api().GetCurrentSampleRate(second, &rate), 0u) << "the second device went";
    EXPECT_EQ(api().GetCurrentSampleRate(m_device, &rate), 0u) << "the first one stays";

    ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
    EXPECT_EQ(NextPnp(300), -1) << "a reset tells no window";
}

TEST_F(Simulator, FaultsAndBusyStatesAnswerAsAsked)
{
    UsbAudioDeviceHandle device = Open();
    ASSERT_EQ(RunSim(L"fail SetSampleRate 0xE0000099 once").exitCode, 0u);
    EXPECT_EQ(api().SetSampleRate(device, 96000), 0xE0000099u);
    EXPECT_EQ(SimState()["rate"], "48000") << "a failed call changes nothing";
    EXPECT_EQ(api().SetSampleRate(device, 96000), 0u) << "once means once";

    ASSERT_EQ(RunSim(L"fail Get 3758096480").exitCode, 0u); // 0xE0000060
    int16_t volume = 1234;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(api().AudioControlRequestGet(device, 14, 0x81, 2, 1, &volume, 2, nullptr, 500),
                  0xE0000060u);
    EXPECT_EQ(volume, 1234) << "outputs stay untouched";
    ASSERT_EQ(RunSim(L"fail GetDeviceCount 1").exitCode, 0u);
    EXPECT_EQ(api().GetDeviceCount(), 0u);
    ASSERT_EQ(RunSim(L"clear-faults").exitCode, 0u);
    EXPECT_EQ(api().GetDeviceCount(), 1u);
    EXPECT_EQ(ReadVolume(14, 1), -2560);

    struct Busy
    {
        const wchar_t* command;
        UsbAudioStatus status;
        const char* shown;
    };
    unsigned int mode = 0;
    for (const Busy& busy : {Busy{L"busy sound", kStatusSoundDeviceInUse, "sound"},
                             Busy{L"busy asio", kStatusAsioInUse, "asio"}})
    {
        ASSERT_EQ(RunSim(busy.command).exitCode, 0u);
        EXPECT_EQ(api().SetSampleRate(device, 44100), busy.status) << busy.command;
        EXPECT_EQ(api().SetUsbStreamingMode(2), busy.status) << busy.command;
        EXPECT_EQ(api().GetUsbStreamingMode(&mode), 0u);
        EXPECT_EQ(mode, 4u);
        EXPECT_EQ(api().SetASIOBufferSize(128), 0u) << "the buffer is not held by a busy device";
        EXPECT_EQ(SimState()["busy"], busy.shown);
    }
    ASSERT_EQ(RunSim(L"busy none").exitCode, 0u);
    EXPECT_EQ(api().SetSampleRate(device, 44100), 0u);
}

TEST_F(Simulator, MinimumBufferFollowsRateAndModeUnlessOverridden)
{
    struct Case
    {
        const wchar_t* mode;
        unsigned int rate;
        unsigned int minimum;
    };
    for (const Case& c : {Case{L"mode 1", 96000, 64}, Case{L"mode 2", 96000, 64},
                          Case{L"mode 4", 48000, 128}, Case{L"mode 8", 48000, 256},
                          Case{L"mode 32", 96000, 2048}, Case{L"mode 1000", 96000, 8192}})
    {
        ASSERT_EQ(RunSim(c.mode).exitCode, 0u);
        unsigned int minimum = 0;
        ASSERT_EQ(api().GetMinimumASIOBufferSize(c.rate, &minimum), 0u);
        EXPECT_EQ(minimum, c.minimum) << c.mode << " at " << c.rate;
    }
    ASSERT_EQ(RunSim(L"min-buffer 300").exitCode, 0u);
    unsigned int minimum = 0;
    api().GetMinimumASIOBufferSize(44100, &minimum);
    EXPECT_EQ(minimum, 300u);
    EXPECT_EQ(SimState()["min-buffer"], "300");
    ASSERT_EQ(RunSim(L"min-buffer auto").exitCode, 0u);
    api().GetMinimumASIOBufferSize(96000, &minimum);
    EXPECT_EQ(minimum, 8192u);
}

// Times in milliseconds on the performance counter, which this process shares.
TEST_F(Simulator, TimedLogStampsEachCallWithTheSharedClock)
{
    auto nowMs = []
    {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    };
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    unsigned int value = 0;
    const double before = nowMs();
    api().GetUsbStreamingMode(&value);
    ::Sleep(50);
    api().GetASIOBufferSize(&value);
    const double after = nowMs();

    const ToolResult timed = RunSim(L"log --times");
    ASSERT_EQ(timed.exitCode, 0u);
    double first = 0;
    double second = 0;
    char firstCall[64] = "";
    char secondCall[64] = "";
    ASSERT_EQ(
        std::sscanf(timed.out.c_str(), "%lf %63s %lf %63s", &first, firstCall, &second, secondCall),
        4)
        << timed.out;
    EXPECT_STREQ(firstCall, "GetUsbStreamingMode()");
    EXPECT_STREQ(secondCall, "GetASIOBufferSize()");
    EXPECT_GE(first, before - 1);
    EXPECT_LE(second, after + 1);
    EXPECT_GE(second - first, 45.0);
    EXPECT_EQ(SimLog(), (std::vector<std::string>{"GetUsbStreamingMode()", "GetASIOBufferSize()"}))
        << "the plain log stays as it was";
}

TEST_F(Simulator, BadArgumentsPrintUsageExitTwoAndChangeNothing)
{
    ASSERT_EQ(RunSim(L"rates 44100,48000,1").exitCode, 0u);
    ASSERT_EQ(RunSim(L"volume in 2 -32768").exitCode, 0u);
    const std::string before = RunSim(L"state").out;
    const std::vector<std::string> logBefore = SimLog();
    for (const wchar_t* bad : {L"",
                               L"bogus",
                               L"PLUG",
                               L"plug now",
                               L"unplug 1",
                               L"devices 3",
                               L"devices -1",
                               L"devices",
                               L"rate",
                               L"rate 48k",
                               L"rate -1",
                               L"rate 4294967296",
                               L"rates",
                               L"rates 1,,2",
                               L"rates 1,2,",
                               L"rates 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17",
                               L"volume in 3 0",
                               L"volume up 1 0",
                               L"volume in 1 32768",
                               L"volume in 1 -32769",
                               L"volume in 1",
                               L"volume in 1 1e3",
                               L"mute in 2",
                               L"mute both 1",
                               L"input 3",
                               L"input 0",
                               L"mode 0",
                               L"mode",
                               L"buffer 0",
                               L"buffer x",
                               L"min-buffer 0",
                               L"min-buffer automatic",
                               L"busy maybe",
                               L"busy",
                               L"fail NoSuchFunction 1",
                               L"fail SetSampleRate 0",
                               L"fail SetSampleRate 0x",
                               L"fail SetSampleRate 0xZZ",
                               L"fail SetSampleRate 1 twice",
                               L"fail SetSampleRate",
                               L"fail StatusCodeStringW 5",
                               L"clear-faults now",
                               L"notify",
                               L"notify 1 0",
                               L"notify 1 100001",
                               L"notify x",
                               L"state now",
                               L"log clear now",
                               L"log all",
                               L"reset now"})
    {
        const ToolResult result = RunSim(bad);
        EXPECT_EQ(result.exitCode, 2u) << testing::PrintToString(std::wstring(bad));
        EXPECT_NE(result.err.find("usage"), std::string::npos)
            << testing::PrintToString(std::wstring(bad));
        EXPECT_TRUE(result.out.empty()) << testing::PrintToString(std::wstring(bad));
    }
    EXPECT_EQ(RunSim(L"state").out, before);
    EXPECT_EQ(SimLog(), logBefore);
    EXPECT_EQ(SimState()["rates"], "44100,48000,1");
    EXPECT_EQ(SimState()["in.volume2"], "-32768");
}

TEST_F(Simulator, ResetRestoresTheDefaultsAndKeepsOpenHandles)
{
    UsbAudioDeviceHandle device = Open();
    for (const wchar_t* change :
         {L"rate 96000", L"rates 96000", L"mode 8", L"buffer 64", L"min-buffer 4096", L"input 1",
          L"mute out 1", L"busy asio", L"fail Set 5", L"volume in 1 0"})
        ASSERT_EQ(RunSim(change).exitCode, 0u) << change;
    ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
    auto state = SimState();
    EXPECT_EQ(state["rate"], "48000");
    EXPECT_EQ(state["rates"], "44100,48000,88200,96000");
    EXPECT_EQ(state["mode"], "4");
    EXPECT_EQ(state["buffer"], "512");
    EXPECT_EQ(state["min-buffer"], "auto");
    EXPECT_EQ(state["input"], "2");
    EXPECT_EQ(state["out.mute"], "0");
    EXPECT_EQ(state["in.volume1"], "-2560");
    EXPECT_EQ(state["busy"], "none");
    EXPECT_EQ(state["open-handles"], "1");
    uint8_t mute = 1;
    EXPECT_EQ(api().AudioControlRequestSet(device, 15, 0x01, 1, 0, &mute, 1, nullptr, 500), 0u)
        << "no fault left";
    unsigned int type = 0;
    unsigned int length = 0;
    unsigned char data[64];
    EXPECT_EQ(api().ReadDeviceNotification(device, &type, data, 64, &length), kNoNotification)
        << "queued notifications are dropped";
    EXPECT_EQ(SimLog(), (std::vector<std::string>{"Set(15,0x01,1,0,len=1,data=01,timeout=500)",
                                                  "ReadDeviceNotification(64)"}));
}

TEST_F(Simulator, BadDriverArgumentsFailWithoutHarm)
{
    UsbAudioDeviceHandle device = Open();
    EXPECT_NE(api().OpenDeviceByIndex(0, nullptr), 0u);
    EXPECT_NE(api().OpenDeviceByIndex(1, &m_device), 0u);
    EXPECT_EQ(m_device, device);
    const auto stranger = reinterpret_cast<UsbAudioDeviceHandle>(0x1234);
    unsigned int value = 0;
    EXPECT_NE(api().GetCurrentSampleRate(stranger, &value), 0u);
    EXPECT_NE(api().GetCurrentSampleRate(nullptr, &value), 0u);
    EXPECT_NE(api().GetCurrentSampleRate(device, nullptr), 0u);
    EXPECT_NE(api().GetSupportedSampleRates(device, 16, nullptr, &value), 0u);
    EXPECT_NE(api().ReadDeviceNotification(device, nullptr, nullptr, 0, nullptr), 0u);
    EXPECT_NE(api().AudioControlRequestGet(device, 14, 0x81, 2, 1, nullptr, 2, nullptr, 500), 0u);
    EXPECT_NE(api().AudioControlRequestGet(device, 14, 0x01, 2, 1, &value, 2, nullptr, 500), 0u)
        << "GET with a SET request code";
    EXPECT_NE(api().SetASIOBufferSize(0), 0u);
    EXPECT_NE(api().SetUsbStreamingMode(0), 0u);
    EXPECT_NE(api().RegisterPnpNotification(nullptr, nullptr, nullptr, kPnpMessage, 0), 0u);
    EXPECT_STRNE(api().StatusCodeStringW(0x12345678), L"");
    EXPECT_STRNE(api().StatusCodeStringW(kStatusAsioInUse), api().StatusCodeStringW(0x12345678));
    EXPECT_EQ(SimState()["open-handles"], "1");
}
