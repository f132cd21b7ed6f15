#include "app/resource.h"
#include "tests/support/FakeUsbAudio.h"
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
    DevicePanel() : TestPanel(Fake().api(), NoHid())
    {
        m_bShowAllowed = false;
        StayOutOfTheTray();
    }
};

const int kDeviceBoxes[] = {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER};

int EnabledDeviceBoxes(const CGUI_KV58Dlg& panel)
{
    int enabled = 0;
    for (int id : kDeviceBoxes)
        enabled += ::IsWindowEnabled(::GetDlgItem(panel.m_hWnd, id)) ? 1 : 0;
    return enabled;
}

// Our own reference to a thread, so that it can be watched after its owner closed it.
HANDLE Duplicate(HANDLE thread)
{
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE,
                      FALSE, 0);
    return copy;
}

bool HasEnded(HANDLE thread)
{
    return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

bool IsRunning(HANDLE thread)
{
    return ::WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
}

// True once another thread's SendMessage to this thread is waiting to be taken.
bool SentMessagePending()
{
    return (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
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

    void Open(DevicePanel& panel)
    {
        ASSERT_TRUE(panel.Create());
        ASSERT_EQ(panel.m_session.m_hDevice, kFakeDeviceHandle);
        ASSERT_TRUE(panel.m_session.m_hNotifyThread.IsValid());
    }

    static void Reopen(DevicePanel& panel, WPARAM arrivalOrRemoval = 1)
    {
        ::SendMessageW(panel.m_hWnd, WM_PNP_NOTIFY, arrivalOrRemoval, 0);
    }

    // Lets the worker deliver what the fake queued, until the queue is empty.
    static bool PumpNotifications()
    {
        return PumpUntil([] { return Fake().notifications.empty(); });
    }
};

class PanelWithoutEvents : public DevicePanel
{
    DWORD CreateNotifyEvent() override { return ERROR_NO_SYSTEM_RESOURCES; }
};
} // namespace

TEST_F(DeviceConnection, OpensTheFirstDeviceRegistersItsEventAndRefreshesInOrder)
{
    DevicePanel panel;
    Open(panel);
    EXPECT_TRUE(IsRunning(panel.m_session.m_hNotifyThread.Get()));
    EXPECT_EQ(panel.m_session.m_deviceProperties.usbVendorId, 0x152Au);
    EXPECT_EQ(panel.m_session.m_deviceProperties.usbProductId, 0x8758u);
    EXPECT_EQ(Fake().notificationEvent, panel.m_session.m_notifyEvent.Get());
    EXPECT_EQ(EnabledDeviceBoxes(panel), 4);

    const std::vector<std::string> calls = Fake().calls;
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
        UsbAudioStatus expected;
    };
    const Case cases[] = {
        {"enumeration fails", [] { Fake().Fail("EnumerateDevices", 0xE0000099); }, 0xE0000099},
        {"no device", [] { Fake().deviceCount = 0; }, kStatusNoDevice},
        {"open fails", [] { Fake().Fail("OpenDeviceByIndex", 0xE00000AA); }, 0xE00000AA},
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
            EXPECT_EQ(panel.m_session.m_hDevice, nullptr);
            EXPECT_FALSE(panel.m_session.m_hNotifyThread.IsValid());
            EXPECT_EQ(EnabledDeviceBoxes(panel), 0);
        }
        Fake().Reset();
        {
            // On a reopen, after a device was open.
            DevicePanel panel;
            Open(panel);
            HANDLE oldWorker = Duplicate(panel.m_session.m_hNotifyThread.Get());
            c.arrange();
            EXPECT_EQ(panel.OpenDevice(), c.expected);
            panel.RefreshDeviceControls();
            EXPECT_TRUE(HasEnded(oldWorker));
            EXPECT_EQ(panel.m_session.m_hDevice, nullptr);
            EXPECT_FALSE(panel.m_session.m_hNotifyThread.IsValid());
            EXPECT_EQ(Fake().openHandles, 0) << "the old device is closed";
            EXPECT_EQ(EnabledDeviceBoxes(panel), 0);
            ::CloseHandle(oldWorker);
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
        const HANDLE worker = panel.m_session.m_hNotifyThread.Get();
        Reopen(panel, ignored);
        EXPECT_TRUE(Fake().calls.empty()) << "wParam " << ignored;
        EXPECT_EQ(panel.m_session.m_hNotifyThread.Get(), worker);
    }
    for (WPARAM change : {WPARAM{1}, WPARAM{2}})
    {
        Fake().TakeCalls();
        HANDLE oldWorker = Duplicate(panel.m_session.m_hNotifyThread.Get());
        Reopen(panel, change);
        EXPECT_EQ(CountCalls(Fake().calls, "CloseDevice(device)"), 1u) << "wParam " << change;
        EXPECT_EQ(CountCalls(Fake().calls, "OpenDeviceByIndex(0)"), 1u) << "wParam " << change;
        EXPECT_TRUE(HasEnded(oldWorker));
        EXPECT_TRUE(IsRunning(panel.m_session.m_hNotifyThread.Get()));
        ::CloseHandle(oldWorker);
    }
}

TEST_F(DeviceConnection, ReopeningReplacesTheWorkerWithoutLeavingThreadsOrHandles)
{
    DevicePanel panel;
    Open(panel);
    Reopen(panel); // the first reopen settles what is created only once
    const int threads = ThreadCount(::GetCurrentProcessId());
    const int handles = HandleCount(::GetCurrentProcessId());
    ASSERT_GT(threads, 0);
    ASSERT_GT(handles, 0);
    for (int i = 0; i < 50; ++i)
    {
        HANDLE oldWorker = Duplicate(panel.m_session.m_hNotifyThread.Get());
        Reopen(panel, i % 2 ? 1 : 2);
        ASSERT_TRUE(HasEnded(oldWorker)) << "reopen " << i;
        ::CloseHandle(oldWorker);
    }
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
        ASSERT_TRUE(PumpNotifications()) << "type " << c.type;
        PumpFor(50);
        EXPECT_EQ(CountCalls(Fake().calls, kRateRead), c.rateReads) << "type " << c.type;
        EXPECT_EQ(CountCalls(Fake().calls, kMixerRead), c.mixerReads) << "type " << c.type;
    }
}

TEST_F(DeviceConnection, OneWakeReadsEveryQueuedNotificationAndAppliesEachKindOnce)
{
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
    // Queued while the worker slept; the auto-reset event wakes it once.
    for (unsigned int type : {1u, 3u, 4u, 1u, 2u, 3u, 4u, 1u})
        Fake().notifications.push_back(type);
    ::SetEvent(Fake().notificationEvent);
    ASSERT_TRUE(PumpNotifications());
    PumpFor(50);

    const std::vector<std::string> calls = Fake().calls;
    EXPECT_EQ(CountCalls(calls, "ReadDeviceNotification(64)"), 9u) << "8 taken, then none left";
    EXPECT_EQ(CountCalls(calls, kRateRead), 1u);
    EXPECT_EQ(CountCalls(calls, kMixerRead), 1u);
    size_t lastRead = 0;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind("ReadDeviceNotification", 0) == 0)
            lastRead = i;
    EXPECT_LT(lastRead, FirstCall(calls, kRateRead)) << "all are read before any is applied";
}

TEST_F(DeviceConnection, AFloodIsReadInBoundedRoundsWithoutLosingAny)
{
    DevicePanel panel;
    Open(panel);
    Fake().TakeCalls();
    Fake().endlessType = 2;
    {
        Watchdog watchdog("one round of a drain that never runs dry");
        panel.OnDeviceNotification();
    }
    EXPECT_GT(CountCalls(Fake().calls, "ReadDeviceNotification"), 0u);
    // The round asked to come back for the rest; what is left ends with a rate change.
    Fake().endlessType = 0;
    Fake().notifications.assign(5000, 2);
    Fake().notifications.push_back(1);
    ASSERT_TRUE(PumpNotifications());
    PumpFor(50);
    EXPECT_EQ(CountCalls(Fake().calls, kRateRead), 1u);
}

TEST_F(DeviceConnection, ADriverThatNeverRunsDryLetsPostedMessagesThrough)
{
    DevicePanel panel;
    Open(panel);
    Fake().endlessType = 3;
    ::SetEvent(Fake().notificationEvent);
    Fake().TakeCalls();
    // The queue never empties now: take one message at a time.
    const auto pumpEachUntil = [](const std::function<bool()>& condition)
    {
        const ULONGLONG end = ::GetTickCount64() + 5000;
        for (MSG msg; !condition() && ::GetTickCount64() < end;)
            if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&msg);
            else
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        return condition();
    };
    const auto reads = [] { return CountCalls(Fake().calls, "ReadDeviceNotification"); };
    ASSERT_TRUE(pumpEachUntil([&] { return reads() > 0; }));
    ::PostMessageW(panel.m_hWnd, WM_PNGSLIDER_CHANGED, IDC_FADER_IN_LEFT, 0);
    EXPECT_TRUE(pumpEachUntil([] { return !Fake().CallsTo("Set(").empty(); }))
        << "the fader's change is sent during the drain";
    const size_t readsBefore = reads();
    EXPECT_TRUE(pumpEachUntil([&] { return reads() > readsBefore; })) << "and the drain goes on";
    EXPECT_EQ(CountCalls(Fake().calls, kMixerRead), 0u) << "state is re-read when the drain ends";
    Fake().endlessType = 0;
    PumpFor(100);
    EXPECT_EQ(CountCalls(Fake().calls, kMixerRead), 1u);
}

TEST_F(DeviceConnection, ReopenWhileTheWorkerWaitsInsideItsSendDoesNotDeadlock)
{
    DevicePanel panel;
    Open(panel);
    const int threads = ThreadCount(::GetCurrentProcessId());
    Fake().Notify(1);
    // This thread does not take messages now: the worker stays inside its send.
    ASSERT_TRUE(WaitFor(&SentMessagePending));
    HANDLE oldWorker = Duplicate(panel.m_session.m_hNotifyThread.Get());
    Fake().TakeCalls();
    {
        Watchdog watchdog("reopen with the worker inside its send");
        Reopen(panel);
    }
    EXPECT_TRUE(HasEnded(oldWorker));
    EXPECT_EQ(CountCalls(Fake().calls, "ReadDeviceNotification"), 0u)
        << "a wake of the connection being closed is not applied";
    EXPECT_TRUE(IsRunning(panel.m_session.m_hNotifyThread.Get()));
    EXPECT_EQ(ThreadCount(::GetCurrentProcessId()), threads);
    ::CloseHandle(oldWorker);
}

TEST_F(DeviceConnection, ADeviceChangeSentDuringAReopenIsHandledAfterIt)
{
    DevicePanel panel;
    Open(panel);
    const int threads = ThreadCount(::GetCurrentProcessId());
    // Another thread's device change, and then the worker, wait for this thread.
    std::atomic<bool> sent{false};
    std::thread sender(
        [&]
        {
            ::SendMessageW(panel.m_hWnd, WM_PNP_NOTIFY, 2, 0);
            sent = true;
        });
    ASSERT_TRUE(WaitFor(&SentMessagePending));
    Fake().Notify(2);
    ::Sleep(200);
    Fake().TakeCalls();
    {
        Watchdog watchdog("reopen with a device change sent meanwhile");
        Reopen(panel);
        EXPECT_EQ(CountCalls(Fake().calls, "OpenDeviceByIndex(0)"), 1u)
            << "no reopen inside a reopen";
        EXPECT_TRUE(PumpUntil([&] { return sent.load(); }));
        sender.join();
    }
    PumpFor(200);
    EXPECT_EQ(CountCalls(Fake().calls, "OpenDeviceByIndex(0)"), 2u) << "the change is not lost";
    EXPECT_TRUE(IsRunning(panel.m_session.m_hNotifyThread.Get()));
    EXPECT_EQ(ThreadCount(::GetCurrentProcessId()), threads);
    EXPECT_EQ(Fake().openHandles, 1);
}

TEST_F(DeviceConnection, DestructionEndsTheWorkerAndClosesTheDevice)
{
    for (bool workerInsideSend : {false, true})
    {
        SCOPED_TRACE(workerInsideSend ? "worker inside its send" : "worker waiting");
        Fake().Reset();
        HANDLE worker = nullptr;
        {
            Watchdog watchdog("creating and destroying the panel");
            DevicePanel panel;
            Open(panel);
            worker = Duplicate(panel.m_session.m_hNotifyThread.Get());
            if (workerInsideSend)
            {
                Fake().Notify(3);
                ASSERT_TRUE(WaitFor(&SentMessagePending));
            }
            Fake().TakeCalls();
        }
        EXPECT_TRUE(HasEnded(worker));
        EXPECT_EQ(CountCalls(Fake().calls, "CloseDevice(device)"), 1u);
        EXPECT_EQ(Fake().openHandles, 0);
        ::CloseHandle(worker);
    }
}

TEST_F(DeviceConnection, WithoutAnEventTheDeviceOpensWithoutAWorker)
{
    PanelWithoutEvents panel;
    ASSERT_TRUE(panel.Create());
    EXPECT_EQ(panel.m_session.m_hDevice, kFakeDeviceHandle);
    EXPECT_FALSE(panel.m_session.m_hNotifyThread.IsValid());
    EXPECT_TRUE(Fake().CallsTo("RegisterDeviceNotification").empty());
    EXPECT_EQ(EnabledDeviceBoxes(panel), 4);
    Reopen(panel, 2);
    EXPECT_EQ(panel.m_session.m_hDevice, kFakeDeviceHandle);
    EXPECT_EQ(Fake().openHandles, 1);
}
