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

// Whether the panel answers every message another thread sends it, while
// this thread takes its messages for the time given. How fast it answers is
// the bench's to measure; here, a panel that waits for the device does not
// answer at all.
bool AnswersThroughout(HWND panel, DWORD forMs)
{
    std::atomic<bool> answered{true};
    std::atomic<bool> done{false};
    std::thread prober(
        [&]
        {
            while (!done)
            {
                DWORD_PTR result = 0;
                if (!::SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result))
                    answered = false;
                ::Sleep(5);
            }
        });
    PumpFor(forMs);
    done = true;
    // The last probe may wait for this thread: answer it while joining.
    PumpUntil([&] { return false; }, 20);
    prober.join();
    return answered;
}

// The device thread's wait, steered at the program's import (so made before
// the thread first waits): once armed, a wake by the driver's notification
// alone is held until a command comes, the moment a Sync may slip between
// the wait and the drain it owes.
class HeldNotificationWake
{
public:
    HeldNotificationWake()
    {
        s_original = reinterpret_cast<Wait>(
            HookImport("kernel32.dll", "WaitForMultipleObjects", reinterpret_cast<void*>(&Held)));
    }
    ~HeldNotificationWake()
    {
        s_armed = false;
        HookImport("kernel32.dll", "WaitForMultipleObjects", reinterpret_cast<void*>(s_original));
    }
    HeldNotificationWake(const HeldNotificationWake&) = delete;
    HeldNotificationWake& operator=(const HeldNotificationWake&) = delete;

    bool Hooked() const { return s_original != nullptr; }
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

TEST_F(DeviceConnection, ABurstLongerThanASliceKeepsWhatItsFirstSlicesFound)
{
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
    // A millisecond a read: the burst spans ten slices or more, its rate and
    // volume news only in the first.
    Fake().Stall("ReadDeviceNotification", 1);
    Fake().notifications.assign(40, 2);
    Fake().notifications.push_front(3);
    Fake().notifications.push_front(1);
    ::SetEvent(Fake().notificationEvent);
    ASSERT_TRUE(panel.Settle());
    const std::vector<std::string> calls = Fake().TakeCalls();
    EXPECT_EQ(CountCalls(calls, "ReadDeviceNotification(64)"), 43u);
    EXPECT_EQ(CountCalls(calls, kRateRead), 1u);
    EXPECT_EQ(CountCalls(calls, kMixerRead), 1u);
}

TEST_F(DeviceConnection, ThePanelAnswersAtOnceWhileEveryRequestStalls)
{
    DevicePanel panel;
    Open(panel);
    // Stalled until the test ends it: a window that waited for the device
    // would not answer before then.
    StallRequests(600000);
    Fake().Fail("Get", 0xE0000001);
    Fake().Fail("Set", 0xE0000001);
    {
        Watchdog watchdog("sending to a stalled device");
        panel.Click(IDC_MUTE_INPUT);
        Fake().Notify(3);
        ::PostMessageW(panel.m_hWnd, WM_PNP_NOTIFY, 1, 0);
        EXPECT_TRUE(AnswersThroughout(panel.m_hWnd, 500));
    }
    EXPECT_EQ(Fake().CallsTo("Set(").size(), 1u) << "the mute is still on its way";
    EXPECT_TRUE(panel.Checked(IDC_MUTE_INPUT)) << "the control keeps the user's choice meanwhile";
    Fake().ClearStalls();
    ASSERT_TRUE(panel.Settle());
    EXPECT_FALSE(panel.Checked(IDC_MUTE_INPUT)) << "the refused mute is taken back";
}

TEST_F(DeviceConnection, ADragOnAStalledDeviceSendsItsLastPositionAndSkipsTheRest)
{
    DevicePanel panel;
    Open(panel);
    // Position p is volume -22528 - p on this fader: -1000 e8ab, -5000 88bb, -6000 70bf.
    const std::string first = "Set(14,0x01,2,1,len=2,data=e8ab,timeout=500)";
    const std::string last = "Set(14,0x01,2,1,len=2,data=88bb,timeout=500)";
    const struct
    {
        const char* name;
        int moveAfterMute; // 0: none
        std::vector<std::string> sets;
    } cases[] = {
        // A mute after the drag comes after all of it.
        {"mute after the drag", 0, {first, last, "Set(14,0x01,1,0,len=1,data=01,timeout=500)"}},
        // The drag's newest value after the mute it followed.
        {"moved again after the mute",
         -6000,
         {first, "Set(14,0x01,1,0,len=1,data=00,timeout=500)",
          "Set(14,0x01,2,1,len=2,data=70bf,timeout=500)"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Fake().TakeCalls();
        StallRequests(300);
        for (int position : {-1000, -2000, -3000, -4000, -5000})
        {
            panel.FaderMoved(IDC_FADER_IN_LEFT, position);
            // The first value goes out at once and holds the device.
            ASSERT_TRUE(PumpUntil([] { return !Fake().CallsTo("Set(").empty(); }));
        }
        panel.Click(IDC_MUTE_INPUT);
        if (c.moveAfterMute)
            panel.FaderMoved(IDC_FADER_IN_LEFT, c.moveAfterMute);
        ASSERT_TRUE(panel.Settle());
        EXPECT_EQ(Fake().CallsTo("Set("), c.sets);
        const int position = c.moveAfterMute ? c.moveAfterMute : -5000;
        EXPECT_EQ(Fake().Volume(14, 1), -22528 - position);
        EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), position) << "the fader stays where the user left it";
        Fake().ClearStalls();
    }
}

TEST_F(DeviceConnection, AControlKeepsTheUsersNewestValueUntilTheDeviceHasDoneIt)
{
    DevicePanel panel;
    Open(panel);
    panel.FaderMoved(IDC_FADER_IN_LEFT, -1000);
    ASSERT_TRUE(panel.Settle());
    Fake().TakeCalls();
    // Changed again behind a slow mute: the mute's state, which still has the
    // first value, arrives while the second is on its way.
    const uint64_t before = panel.Shown().done;
    StallRequests(300);
    panel.Click(IDC_MUTE_INPUT);
    panel.FaderMoved(IDC_FADER_IN_LEFT, -5000);
    bool putBack = false;
    ASSERT_TRUE(PumpUntil(
        [&]
        {
            putBack |= panel.Position(IDC_FADER_IN_LEFT) != -5000;
            return panel.Shown().done > before && Fake().CallsTo("Set(").size() >= 2;
        }));
    ASSERT_TRUE(panel.Settle());
    EXPECT_FALSE(putBack) << "a state from before the second change put the first one back";
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), -5000);
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
    Fake().Stall("Set", 60000);
    panel.Notify(IDC_MUTE_INPUT, BN_CLICKED);
    EXPECT_FALSE(workingShown()) << "not at once";
    // More work asked meanwhile does not put the cursor off: the wait is
    // timed from the first command the device has not done.
    bool shown = false;
    for (const ULONGLONG start = ::GetTickCount64(); !shown && ::GetTickCount64() - start < 3000;)
    {
        panel.Notify(IDC_MUTE_OUTPUT, BN_CLICKED);
        PumpFor(50);
        shown = workingShown();
    }
    EXPECT_TRUE(shown);
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

    // What is still queued behind the call in flight is not done.
    {
        DevicePanel panel;
        Open(panel);
        Fake().TakeCalls();
        StallRequests(300);
        panel.Click(IDC_MUTE_INPUT);
        ASSERT_TRUE(PumpUntil([] { return !Fake().CallsTo("Set(").empty(); }));
        panel.FaderMoved(IDC_FADER_IN_LEFT, -3000);
        panel.Click(IDC_MUTE_OUTPUT);
        EXPECT_TRUE(panel.EndDeviceWork(10000));
        EXPECT_EQ(Fake().CallsTo("Set(").size(), 1u);
        EXPECT_EQ(Fake().CallsTo("CloseDevice(device)").size(), 1u);
        Fake().ClearStalls();
    }

    // A call that does not return holds the end only for the grace given.
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
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
