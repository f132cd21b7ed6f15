#include "app/resource.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/ImportHook.h"
#include "tests/support/PanelProcess.h"
#include "tests/support/ProcessCounts.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

namespace
{
FakeUsbAudio& Fake()
{
    return FakeUsbAudio::Instance();
}

// A system without HID interfaces: the rate report finds none, at once.
const HidApi& NoHid()
{
    static const HidApi api = []
    {
        HidApi services = SystemHidApi();
        services.GetClassDevs = [](const GUID*, PCWSTR, HWND, DWORD) -> HDEVINFO
        {
            ::SetLastError(ERROR_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        };
        return services;
    }();
    return api;
}

// The panel on the fake driver, without the system's HID services.
class DevicePanel : public TestPanel
{
public:
    // Never shown, and out of the tray: these tests look at neither.
    DevicePanel() : TestPanel(Fake().api(), NoHid(), false) { StayOutOfTheTray(); }
    // The device thread's newest state, before the panel has taken it.
    uint64_t PublishedDone() { return Device().State()->done; }
};

const int kDeviceBoxes[] = {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER};

int EnabledDeviceBoxes(const CGUI_KV58Dlg& panel)
{
    int enabled = 0;
    for (int id : kDeviceBoxes)
        enabled += ::IsWindowEnabled(::GetDlgItem(panel.m_hWnd, id)) ? 1 : 0;
    return enabled;
}

// Ends the whole test program if a step hangs, instead of hanging the run.
class Watchdog
{
public:
    explicit Watchdog(const char* step, DWORD ms = 10000)
        : m_done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_thread(
              [this, step, ms]
              {
                  if (::WaitForSingleObject(m_done, ms) == WAIT_TIMEOUT)
                  {
                      std::fprintf(stderr, "hung: %s\n", step);
                      std::fflush(stderr);
                      ::TerminateProcess(::GetCurrentProcess(), 3);
                  }
              })
    {
    }
    ~Watchdog()
    {
        ::SetEvent(m_done);
        m_thread.join();
        ::CloseHandle(m_done);
    }

private:
    HANDLE m_done;
    std::thread m_thread;
};

// Position of the first logged call that starts with prefix, from index from on.
size_t FirstCall(const std::vector<std::string>& calls, const std::string& prefix, size_t from = 0)
{
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0)
            return i;
    return std::string::npos;
}

size_t CountCalls(const std::vector<std::string>& calls, const std::string& prefix)
{
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
}

// One re-read of the rate, and one of the mixer (each ends with the output mute).
const char kRateRead[] = "GetCurrentSampleRate()";
const char kMixerRead[] = "Get(15,0x81,1,0,";

class DeviceConnection : public testing::Test
{
protected:
    void SetUp() override { Fake().Reset(); }
    void TearDown() override { Fake().ClearStalls(); }

    static void Open(DevicePanel& panel)
    {
        ASSERT_TRUE(panel.Create());
        ASSERT_TRUE(panel.Settle());
        ASSERT_TRUE(panel.Shown().open);
    }

    static void Reopen(DevicePanel& panel, WPARAM arrivalOrRemoval = 1)
    {
        ::SendMessageW(panel.m_hWnd, WM_PNP_NOTIFY, arrivalOrRemoval, 0);
        ASSERT_TRUE(panel.Settle());
    }

    // Every control request takes this long, as on a stalled device.
    static void StallRequests(DWORD ms)
    {
        Fake().Stall("Get", ms);
        Fake().Stall("Set", ms);
    }
};

// Milliseconds another thread waits for the panel to answer a message, while
// this thread takes its messages for the time given.
DWORD WorstRoundTrip(HWND panel, DWORD forMs)
{
    std::atomic<DWORD> worst{0};
    std::atomic<bool> done{false};
    std::thread prober(
        [&]
        {
            while (!done)
            {
                const ULONGLONG start = ::GetTickCount64();
                DWORD_PTR result = 0;
                ::SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
                worst = std::max<DWORD>(worst, static_cast<DWORD>(::GetTickCount64() - start));
                ::Sleep(5);
            }
        });
    PumpFor(forMs);
    done = true;
    // The last probe may wait for this thread: answer it while joining.
    PumpUntil([&] { return false; }, 20);
    prober.join();
    return worst;
}
// The device thread's wait, steered at the program's import (so made before
// the thread first waits): once armed, a wake by the driver's notification
// alone is held until a command comes, the moment a Sync may slip between
// the wait and the drain it owes.
class HeldNotificationWake
{
public:
    HeldNotificationWake()
        : m_original(reinterpret_cast<Wait>(
              HookImport("kernel32.dll", "WaitForMultipleObjects", reinterpret_cast<void*>(&Held))))
    {
        s_original = m_original;
    }
    ~HeldNotificationWake()
    {
        s_armed = false;
        HookImport("kernel32.dll", "WaitForMultipleObjects", reinterpret_cast<void*>(m_original));
    }
    HeldNotificationWake(const HeldNotificationWake&) = delete;
    HeldNotificationWake& operator=(const HeldNotificationWake&) = delete;

    bool Hooked() const { return m_original != nullptr; }
    static void Arm() { s_armed = true; }
    static bool Holding() { return s_holding; }

private:
    using Wait = DWORD(WINAPI*)(DWORD, const HANDLE*, BOOL, DWORD);
    static DWORD WINAPI Held(DWORD count, const HANDLE* handles, BOOL all, DWORD ms)
    {
        const DWORD waited = s_original(count, handles, all, ms);
        if (count == 2 && waited == WAIT_OBJECT_0 + 1 && s_armed.exchange(false))
        {
            s_holding = true;
            // The command queue's wake: the thread goes on once one is queued.
            ::WaitForSingleObject(handles[0], 10000);
            s_holding = false;
        }
        return waited;
    }
    const Wait m_original;
    static inline Wait s_original = nullptr;
    static inline std::atomic<bool> s_armed{false};
    static inline std::atomic<bool> s_holding{false};
};
} // namespace

TEST_F(DeviceConnection, ASyncQueuedRightAfterTheWaitTookANotificationWaitsForItsDrain)
{
    const HeldNotificationWake held;
    ASSERT_TRUE(held.Hooked());
    DevicePanel panel;
    Open(panel);
    Fake().currentRate = 44100;
    // A notification read once a newer command is done was owed to that command.
    const uint64_t before = panel.PublishedDone();
    std::atomic<bool> readLate{false};
    Fake().script = [&](const std::string& call) -> std::optional<UsbAudioStatus>
    {
        if (call.rfind("ReadDeviceNotification", 0) == 0 && panel.PublishedDone() > before)
            readLate = true;
        return std::nullopt;
    };
    HeldNotificationWake::Arm();
    Fake().Notify(1);
    ASSERT_TRUE(PumpUntil([] { return HeldNotificationWake::Holding(); }));
    ASSERT_TRUE(panel.Settle());
    Fake().script = nullptr;
    EXPECT_FALSE(readLate) << "the Sync was done before the drain it came after";
    EXPECT_EQ(panel.Shown().rate, 44100u);
}

TEST_F(DeviceConnection, OpensTheFirstDeviceRegistersItsEventAndRefreshesInOrder)
{
    DevicePanel panel;
    Open(panel);
    EXPECT_EQ(EnabledDeviceBoxes(panel), 4);

    const std::vector<std::string> calls = Fake().TakeCalls();
    size_t at = 0;
    for (const char* step : {"RegisterPnpNotification(0x8003,0)", "EnumerateDevices()",
                             "GetDeviceCount()", "OpenDeviceByIndex(0)", "GetDeviceProperties()",
                             "RegisterDeviceNotification(0xffffffff,0)", "Get(11,0x81,0,0,",
                             "GetSupportedSampleRates(", "GetChannelProperties(",
                             "GetUsbStreamingMode()", "GetASIOBufferSize()"})
    {
        at = FirstCall(calls, step, at);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << step;
    }
}

TEST_F(DeviceConnection, EveryFailedOpenLeavesTheNoDeviceState)
{
    struct Case
    {
        const char* name;
        void (*arrange)();
    };
    const Case cases[] = {
        {"enumeration fails", [] { Fake().Fail("EnumerateDevices", 0xE0000099); }},
        {"no device", [] { Fake().deviceCount = 0; }},
        {"open fails", [] { Fake().Fail("OpenDeviceByIndex", 0xE00000AA); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        {
            // At start-up.
            c.arrange();
            DevicePanel panel;
            ASSERT_TRUE(panel.Create());
            ASSERT_TRUE(panel.Settle());
            EXPECT_FALSE(panel.Shown().open);
            EXPECT_EQ(EnabledDeviceBoxes(panel), 0);
        }
        Fake().Reset();
        {
            // On a reopen, after a device was open.
            DevicePanel panel;
            Open(panel);
            c.arrange();
            Reopen(panel);
            EXPECT_FALSE(panel.Shown().open);
            EXPECT_EQ(Fake().openHandles, 0) << "the old device is closed";
            EXPECT_EQ(EnabledDeviceBoxes(panel), 0);
        }
    }
}

TEST_F(DeviceConnection, ArrivalAndRemovalReopenOtherNoticesDoNothing)
{
    DevicePanel panel;
    Open(panel);
    for (WPARAM ignored : {WPARAM{0}, WPARAM{3}})
    {
        Fake().TakeCalls();
        Reopen(panel, ignored);
        EXPECT_TRUE(Fake().TakeCalls().empty()) << "wParam " << ignored;
    }
    for (WPARAM change : {WPARAM{1}, WPARAM{2}})
    {
        Reopen(panel, change);
        const std::vector<std::string> calls = Fake().TakeCalls();
        EXPECT_EQ(CountCalls(calls, "CloseDevice(device)"), 1u) << "wParam " << change;
        EXPECT_EQ(CountCalls(calls, "OpenDeviceByIndex(0)"), 1u) << "wParam " << change;
    }
}

TEST_F(DeviceConnection, ReopeningLeavesNoThreadsOrHandles)
{
    DevicePanel panel;
    Open(panel);
    Reopen(panel); // the first reopen settles what is created only once
    const int threads = ThreadCount(::GetCurrentProcessId());
    const int handles = HandleCount(::GetCurrentProcessId());
    ASSERT_GT(threads, 0);
    ASSERT_GT(handles, 0);
    for (int i = 0; i < 50; ++i)
        Reopen(panel, i % 2 ? 1 : 2);
    EXPECT_EQ(ThreadCount(::GetCurrentProcessId()), threads);
    EXPECT_LE(HandleCount(::GetCurrentProcessId()), handles + 2);
    EXPECT_EQ(Fake().openHandles, 1);
}

TEST_F(DeviceConnection, EachNotificationTypeRereadsWhatItConcerns)
{
    DevicePanel panel;
    Open(panel);
    struct Case
    {
        unsigned int type;
        size_t rateReads;
        size_t mixerReads;
    };
    for (const Case& c : {Case{1, 1, 0}, Case{3, 0, 1}, Case{4, 0, 1}, Case{2, 0, 0}, Case{5, 0, 0},
                          Case{0xFFFFFFFF, 0, 0}})
    {
        Fake().TakeCalls();
        Fake().Notify(c.type);
        ASSERT_TRUE(panel.Settle()) << "type " << c.type;
        const std::vector<std::string> calls = Fake().TakeCalls();
        EXPECT_EQ(CountCalls(calls, kRateRead), c.rateReads) << "type " << c.type;
        EXPECT_EQ(CountCalls(calls, kMixerRead), c.mixerReads) << "type " << c.type;
    }
}

TEST_F(DeviceConnection, OneWakeReadsEveryQueuedNotificationAndAppliesEachKindOnce)
{
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
    // Queued while the device thread slept; the auto-reset event wakes it once.
    for (unsigned int type : {1u, 3u, 4u, 1u, 2u, 3u, 4u, 1u})
        Fake().notifications.push_back(type);
    ::SetEvent(Fake().notificationEvent);
    ASSERT_TRUE(panel.Settle());

    const std::vector<std::string> calls = Fake().TakeCalls();
    EXPECT_EQ(CountCalls(calls, "ReadDeviceNotification(64)"), 9u) << "8 taken, then none left";
    EXPECT_EQ(CountCalls(calls, kRateRead), 1u);
    EXPECT_EQ(CountCalls(calls, kMixerRead), 1u);
    size_t lastRead = 0;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind("ReadDeviceNotification", 0) == 0)
            lastRead = i;
    EXPECT_LT(lastRead, FirstCall(calls, kRateRead)) << "all are read before any is applied";
}

TEST_F(DeviceConnection, ADriverThatNeverRunsDryLetsCommandsThroughAndLosesNothing)
{
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
    Fake().endlessType = 3;
    ::SetEvent(Fake().notificationEvent);
    const auto reads = [] { return Fake().CallsTo("ReadDeviceNotification").size(); };
    ASSERT_TRUE(PumpUntil([&] { return reads() > 0; }));
    ::PostMessageW(panel.m_hWnd, WM_PNGSLIDER_CHANGED, IDC_FADER_IN_LEFT, 0);
    EXPECT_TRUE(PumpUntil([] { return !Fake().CallsTo("Set(").empty(); }))
        << "the fader's change is sent during the drain";
    const size_t readsBefore = reads();
    EXPECT_TRUE(PumpUntil([&] { return reads() > readsBefore; })) << "and the drain goes on";
    EXPECT_TRUE(Fake().CallsTo(kMixerRead).empty()) << "state is re-read when the drain ends";
    // What is left ends with a rate change: each kind is re-read once.
    Fake().TakeCalls();
    Fake().endlessType = 0;
    ASSERT_TRUE(panel.Settle());
    Fake().notifications.assign(5000, 2);
    Fake().Notify(1);
    ASSERT_TRUE(panel.Settle());
    EXPECT_TRUE(Fake().notifications.empty());
    const std::vector<std::string> calls = Fake().TakeCalls();
    EXPECT_EQ(CountCalls(calls, kRateRead), 1u);
    EXPECT_EQ(CountCalls(calls, kMixerRead), 1u) << "the end of the endless round";
}

TEST_F(DeviceConnection, ThePanelAnswersAtOnceWhileEveryRequestStalls)
{
    DevicePanel panel;
    Open(panel);
    StallRequests(300);
    Fake().Fail("Get", 0xE0000001);
    Fake().Fail("Set", 0xE0000001);
    const ULONGLONG start = ::GetTickCount64();
    panel.Click(IDC_MUTE_INPUT);
    Fake().Notify(3);
    ::PostMessageW(panel.m_hWnd, WM_PNP_NOTIFY, 1, 0);
    EXPECT_LT(::GetTickCount64() - start, 100u) << "sending never waits for the device";
    EXPECT_LE(WorstRoundTrip(panel.m_hWnd, 200), 100u);
    EXPECT_TRUE(panel.Checked(IDC_MUTE_INPUT)) << "the control keeps the user's choice meanwhile";
    EXPECT_LE(WorstRoundTrip(panel.m_hWnd, 1000), 100u);
}

TEST_F(DeviceConnection, ADragOnAStalledDeviceSendsItsLastPositionAndSkipsTheRest)
{
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
    StallRequests(300);
    for (int position : {-1000, -2000, -3000, -4000, -5000})
    {
        panel.FaderMoved(IDC_FADER_IN_LEFT, position);
        // The first value goes out at once and holds the device.
        ASSERT_TRUE(PumpUntil([] { return !Fake().CallsTo("Set(").empty(); }));
    }
    // A mute after the drag comes after the drag's first value, the drag's
    // last value after the mute it followed.
    panel.Click(IDC_MUTE_INPUT);
    panel.FaderMoved(IDC_FADER_IN_LEFT, -6000);
    ASSERT_TRUE(panel.Settle());
    // Position p is volume -22528 - p on this fader.
    EXPECT_EQ(Fake().CallsTo("Set("),
              (std::vector<std::string>{"Set(14,0x01,2,1,len=2,data=e8ab,timeout=500)",
                                        "Set(14,0x01,1,0,len=1,data=01,timeout=500)",
                                        "Set(14,0x01,2,1,len=2,data=70bf,timeout=500)"}));
    EXPECT_EQ(Fake().Volume(14, 1), -22528 + 6000);
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), -6000) << "the fader stays where the user left it";
}

TEST_F(DeviceConnection, LongDeviceWorkShowsTheWorkingCursorUntilItIsDone)
{
    DevicePanel panel;
    Open(panel);
    const HCURSOR working = ::LoadCursorW(nullptr, IDC_APPSTARTING);
    const auto workingShown = [&]
    {
        ::SendMessageW(panel.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(panel.m_hWnd),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor() == working;
    };
    Fake().Stall("Set", 2000);
    panel.Notify(IDC_MUTE_INPUT, BN_CLICKED);
    PumpFor(50);
    EXPECT_FALSE(workingShown()) << "not before work has waited 250 ms";
    PumpFor(700);
    EXPECT_TRUE(workingShown());
    Fake().ClearStalls();
    ASSERT_TRUE(panel.Settle());
    EXPECT_FALSE(workingShown());
}

TEST_F(DeviceConnection, EndingLetsTheCallInFlightFinishAndClosesTheDevice)
{
    const int threads = ThreadCount(::GetCurrentProcessId());
    {
        Watchdog watchdog("creating and destroying the panel");
        DevicePanel panel;
        Open(panel);
        Fake().Notify(3);
        Fake().TakeCalls();
    }
    EXPECT_EQ(Fake().CallsTo("CloseDevice(device)").size(), 1u);
    EXPECT_EQ(Fake().openHandles, 0);
    EXPECT_EQ(ThreadCount(::GetCurrentProcessId()), threads);

    // A call that does not return holds the end only for the grace given.
    DevicePanel panel;
    Open(panel);
    Fake().Stall("Set", 60000);
    panel.Notify(IDC_MUTE_INPUT, BN_CLICKED);
    ASSERT_TRUE(PumpUntil([] { return !Fake().CallsTo("Set(").empty(); }));
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(panel.EndDeviceWork(200));
    EXPECT_LT(::GetTickCount64() - start, 1000u);
    Fake().TakeCalls();
    Fake().ClearStalls();
    EXPECT_TRUE(PumpUntil([] { return !Fake().CallsTo("CloseDevice(device)").empty(); }))
        << "once the call returns, the device is closed";
}
