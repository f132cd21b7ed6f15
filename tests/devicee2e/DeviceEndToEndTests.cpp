#include "app/resource.h"
#include "simulator/Connections.h"
#include "simulator/SharedDevice.h"
#include "tests/support/PanelProcess.h"
#include "tests/support/ProcessCounts.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include "tests/support/TrayKeeper.h"
#include <gtest/gtest.h>
#include <atomic>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{
const int kDeviceBoxes[] = {1000, 1001, 1011, 1013};

int EnabledBoxes(HWND panel)
{
    int enabled = 0;
    for (int id : kDeviceBoxes)
        enabled += ::IsWindowEnabled(::GetDlgItem(panel, id)) ? 1 : 0;
    return enabled;
}

int ItemCount(HWND panel, int id)
{
    return static_cast<int>(::SendMessageW(::GetDlgItem(panel, id), CB_GETCOUNT, 0, 0));
}

bool Responds(HWND window)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
}

double Milliseconds(ULONGLONG fromTicks)
{
    return static_cast<double>(::GetTickCount64() - fromTicks);
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& line)
{
    return std::count(lines.begin(), lines.end(), line);
}

// Counts and times the driver calls of a panel in this process; the table of
// driver functions takes plain functions, hence the statics.
struct CallProbe
{
    static inline UsbAudioApi driver{};
    // Counted on the panel's device thread, read on the test's.
    static inline std::atomic<int> taken = 0;
    static inline std::atomic<int> emptyReads = 0;
    static inline std::atomic<int> rateReads = 0;
    static inline LARGE_INTEGER firstRead{};
    static inline LARGE_INTEGER lastCall{};

    static UsbAudioApi Wrap(const UsbAudioApi& real)
    {
        driver = real;
        UsbAudioApi wrapped = real;
        wrapped.ReadDeviceNotification = &Read;
        wrapped.GetCurrentSampleRate = &CurrentRate;
        return wrapped;
    }
    static void Clear()
    {
        taken = emptyReads = rateReads = 0;
        firstRead.QuadPart = lastCall.QuadPart = 0;
    }
    static double AppliedInMs()
    {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(lastCall.QuadPart - firstRead.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    }
    static UsbAudioStatus WINAPI Read(UsbAudioDeviceHandle device, unsigned int* type,
                                      unsigned char* data, unsigned int size, unsigned int* length)
    {
        if (firstRead.QuadPart == 0)
            ::QueryPerformanceCounter(&firstRead);
        const UsbAudioStatus status =
            driver.ReadDeviceNotification(device, type, data, size, length);
        ++(status == 0 ? taken : emptyReads);
        ::QueryPerformanceCounter(&lastCall);
        return status;
    }
    static UsbAudioStatus WINAPI CurrentRate(UsbAudioDeviceHandle device, unsigned int* rate)
    {
        ++rateReads;
        const UsbAudioStatus status = driver.GetCurrentSampleRate(device, rate);
        ::QueryPerformanceCounter(&lastCall);
        return status;
    }
};

class DeviceEndToEnd : public testing::Test
{
protected:
    static void SetUpTestSuite() { s_trayKeeper = std::make_unique<TrayKeeper>(); }
    static void TearDownTestSuite() { s_trayKeeper.reset(); }
    void SetUp() override
    {
        EndAllPanels();
        ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
    }
    void TearDown() override
    {
        EndAllPanels();
        RunSim(L"reset");
    }

    static inline std::unique_ptr<TrayKeeper> s_trayKeeper;

    // Starts the panel and waits until its refresh has decided the boxes.
    HWND StartPanelAndWait(int enabledBoxes)
    {
        m_process = StartPanel();
        HWND panel = WaitForPanelWindow();
        EXPECT_NE(panel, nullptr);
        if (panel)
        {
            EXPECT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == enabledBoxes; }));
        }
        return panel;
    }

    // What kv58sim plug and unplug do, without a process per change.
    void Attach(bool attached)
    {
        m_device.WithState(
            [&](sim::DeviceState& state)
            {
                sim::SetAttachedDevices(state, attached ? std::max(state.devices, 1u) : 0);
                sim::PostPnpMessage(state, attached ? sim::kPnpArrival : sim::kPnpRemoval);
            });
    }

    void Notify(uint32_t type, uint32_t count)
    {
        m_device.WithState([&](sim::DeviceState& state)
                           { sim::QueueNotifications(state, type, count); });
    }

    ChildProcess m_process{L"", L""};
    sim::SharedDevice m_device;
};
} // namespace

TEST_F(DeviceEndToEnd, StartsWithoutDeviceThenFollowsPlugAndUnplug)
{
    ASSERT_EQ(RunSim(L"unplug").exitCode, 0u);
    HWND panel = StartPanelAndWait(0);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(ItemCount(panel, 1000), 0) << "no device, no input sources";
    EXPECT_EQ(ItemCount(panel, 1001), 0) << "no device, no rates";
    EXPECT_EQ(SimState()["open-handles"], "0");

    ASSERT_EQ(RunSim(L"plug").exitCode, 0u);
    const ULONGLONG plugged = ::GetTickCount64();
    ASSERT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 4; }));
    std::printf("[ measure ] plug to enabled controls: %.0f ms (after kv58sim ended)\n",
                Milliseconds(plugged));
    EXPECT_EQ(ItemCount(panel, 1000), 2);
    EXPECT_EQ(ItemCount(panel, 1001), 4);
    EXPECT_EQ(SimState()["open-handles"], "1");

    ASSERT_EQ(RunSim(L"unplug").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 0; }));
    EXPECT_TRUE(WaitFor([&] { return ItemCount(panel, 1001) == 0; }));
    EXPECT_EQ(SimState()["open-handles"], "0");
    EXPECT_TRUE(m_process.IsRunning());
}

TEST_F(DeviceEndToEnd, PlugCyclesWithNotificationsLeaveNoThreadsOrHandlesBehind)
{
    HWND panel = StartPanelAndWait(4);
    ASSERT_NE(panel, nullptr);
    // Once through, so that what is created only once exists before counting.
    Attach(false);
    ASSERT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 0; }));
    Attach(true);
    ASSERT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 4; }));
    ::Sleep(300);
    const DWORD id = m_process.Id();
    const int threads = ThreadCount(id);
    const int handles = HandleCount(id);
    ASSERT_GT(threads, 0);
    ASSERT_GT(handles, 0);

    const ULONGLONG start = ::GetTickCount64();
    for (int cycle = 0; cycle < 200; ++cycle)
    {
        // Notifications wake the worker while the device goes and comes.
        Notify(cycle % 2 ? 1 : 3, 20);
        Attach(false);
        ASSERT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 0; })) << "cycle " << cycle;
        Attach(true);
        Notify(4, 20);
        ASSERT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 4; })) << "cycle " << cycle;
    }
    std::printf("[ measure ] 200 unplug and plug cycles: %.0f ms\n", Milliseconds(start));

    ::Sleep(300);
    EXPECT_TRUE(Responds(panel));
    EXPECT_EQ(ThreadCount(id), threads);
    EXPECT_LE(HandleCount(id), handles + 3);
    EXPECT_EQ(SimState()["open-handles"], "1");
}

TEST_F(DeviceEndToEnd, NotificationsFromOutsideAreAppliedInOneWake)
{
    HWND panel = StartPanelAndWait(4);
    ASSERT_NE(panel, nullptr);
    HWND rates = ::GetDlgItem(panel, 1001);
    ASSERT_EQ(RunSim(L"rate 44100").exitCode, 0u);
    EXPECT_TRUE(WaitFor(
        [&]
        {
            const LRESULT selected = ::SendMessageW(rates, CB_GETCURSEL, 0, 0);
            return selected >= 0 && ::SendMessageW(rates, CB_GETITEMDATA, selected, 0) == 44100;
        }));

    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    const ULONGLONG queued = ::GetTickCount64();
    ASSERT_EQ(RunSim(L"notify 3 1000").exitCode, 0u);
    std::vector<std::string> log;
    EXPECT_TRUE(WaitFor(
        [&]
        {
            log = SimLog();
            return CountLines(log, "ReadDeviceNotification(64)") >= 1001;
        },
        15000));
    std::printf("[ measure ] 1000 notifications queued by kv58sim, read by the panel: %.0f ms "
                "(tool start to a log poll that saw them)\n",
                Milliseconds(queued));
    // The round ends with the mixer read again, its output mute last.
    EXPECT_TRUE(WaitFor(
        [&]
        {
            log = SimLog();
            return std::any_of(log.begin(), log.end(), [](const std::string& line)
                               { return line.rfind("Get(15,0x81,1,0,", 0) == 0; });
        }));
    // 1000 taken and one that found none; a second, empty wake at most.
    EXPECT_GE(CountLines(log, "ReadDeviceNotification(64)"), 1001u);
    EXPECT_LE(CountLines(log, "ReadDeviceNotification(64)"), 1002u);
    EXPECT_TRUE(Responds(panel));
}

TEST_F(DeviceEndToEnd, WithoutTheDriverLibraryThePanelStillOpens)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"kv58-no-driver-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\GUI_KV58.exe";
    ASSERT_TRUE(::CopyFileW(BinaryPath(L"GUI_KV58.exe").c_str(), program.c_str(), FALSE));
    {
        ChildProcess alone(program, L"");
        ASSERT_TRUE(alone.Started());
        HWND panel = WaitForPanelWindow();
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(WaitFor([&] { return EnabledBoxes(panel) == 0; }));
        ASSERT_EQ(RunSim(L"plug").exitCode, 0u);
        ::Sleep(300);
        EXPECT_EQ(EnabledBoxes(panel), 0) << "no driver, nothing to follow";
        EXPECT_TRUE(Responds(panel));
        EXPECT_TRUE(alone.IsRunning());
        EXPECT_EQ(SimState()["open-handles"], "0");
    }
    ::DeleteFileW(program.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(DeviceEndToEnd, AThousandQueuedNotificationsAreAppliedInOneRound)
{
    UsbAudioLibrary library;
    ASSERT_TRUE(library.IsComplete());
    const UsbAudioApi api = CallProbe::Wrap(library.api());
    TestPanel panel(api, SystemHidApi());
    ASSERT_TRUE(panel.Create());
    ASSERT_TRUE(panel.Settle());
    ASSERT_TRUE(panel.Shown().open);
    PumpFor(200);
    CallProbe::Clear();

    // Queued from outside while the panel's thread is busy, as a burst would be.
    Notify(3, 500);
    Notify(1, 500);
    ASSERT_TRUE(PumpUntil([] { return CallProbe::taken == 1000 && CallProbe::emptyReads > 0; }));
    PumpFor(200);
    std::printf("[ measure ] 1000 queued notifications applied in %.1f ms "
                "(first read to the last re-read)\n",
                CallProbe::AppliedInMs());
    EXPECT_EQ(CallProbe::taken, 1000);
    EXPECT_LE(CallProbe::emptyReads, 2) << "one round, and at most one empty wake after it";
    EXPECT_EQ(CallProbe::rateReads, 1) << "the rate is re-read once for 500 rate notifications";
}

TEST_F(DeviceEndToEnd, ThePanelKeepsTheDriverLibraryLoadedUntilItEnds)
{
    HWND panel = StartPanelAndWait(4);
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    ChildProcess exitAll = StartPanel(L"-exitall");
    ASSERT_TRUE(m_process.WaitExit(10000));
    const std::vector<std::string> log = SimLog();
    EXPECT_EQ(CountLines(log, "detach by unload"), 0u);
    EXPECT_EQ(CountLines(log, "detach at process exit"), 1u);
}

TEST_F(DeviceEndToEnd, ExitEndsThePanelWithinASecondWhileADriverCallHangs)
{
    HWND panel = StartPanelAndWait(4);
    ASSERT_NE(panel, nullptr);
    // Once the panel's start-up calls are over, the device stalls.
    size_t calls = 0;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const size_t now = SimLog().size();
            return std::exchange(calls, now) == now;
        }));
    m_device.WithState([](sim::DeviceState& state) { state.controlRequestMs = 60000; });
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    // The mixer is re-read on the panel's device thread, which the device now holds.
    Notify(3, 1);
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const std::vector<std::string> log = SimLog();
            return std::any_of(log.begin(), log.end(),
                               [](const std::string& call) { return call.rfind("Get(", 0) == 0; });
        }));
    DWORD_PTR result = 0;
    EXPECT_NE(::SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result), 0)
        << "the window answers while the call hangs";
    const ULONGLONG start = ::GetTickCount64();
    // What "-exitall" sends the running panel.
    ::PostMessageW(panel, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(m_process.WaitExit(5000));
    EXPECT_LE(::GetTickCount64() - start, 1000u);
}
