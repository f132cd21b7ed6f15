#include "Benches.h"
#include "FaderDrag.h"
#include "FirstPaint.h"
#include "RunningPanel.h"
#include "SimulatedDevice.h"
#include "app/resource.h"
#include "tests/support/PanelProcess.h"
#include "tests/support/TrayKeeper.h"
#include <algorithm>
#include <string>

namespace
{
constexpr int kRuns = 3;
constexpr int kStarts = 5;
constexpr uint32_t kStallMs = 500;
constexpr uint32_t kFailStatus = 0xE0000001;
// Each window of round trips, and the start-up's from the window shown.
constexpr double kWatchMs = 2000;
constexpr double kStartWatchMs = 3000;
constexpr DWORD kMoveEveryMs = 8;
constexpr DWORD kExitGiveUpMs = 10000;
// Long enough that a frozen window is waited for, not taken as hung.
constexpr UINT kRoundTripLimitMs = 60000;

// The simulator's faults return before its stall, so a request that waits
// and then fails cannot be had: waiting and failing are taken apart.
struct Condition
{
    const char* name;
    uint32_t requestMs;
    bool failing;

    void Apply(SimulatedDevice& device) const
    {
        device.SetControlRequestMs(requestMs);
        if (failing)
            device.FailControlRequests(kFailStatus);
    }
};
constexpr Condition kConditions[] = {{"healthy device", 0, false},
                                     {"stalled device (500 ms a request)", kStallMs, false},
                                     {"failing device (each request fails at once)", 0, true}};

// The rows of one condition.
struct Rows
{
    Figure shown;
    Figure visible;
    Figure startUp;
    Figure burst;
    Figure drag;
    Figure rate;
    Figure exitAll;
    Figure requests;
    int exitsWithRequestInFlight = 0;

    explicit Rows(const std::string& condition)
        : shown{"start to window shown: " + condition, "ms", {}, ""},
          visible{"start to window visible: " + condition, "ms", {}, ""},
          startUp{"worst round trip during start-up: " + condition, "ms", {}, ""},
          burst{"worst round trip during 10 volume notifications: " + condition, "ms", {}, ""},
          drag{"worst round trip during a 2 s fader drag: " + condition, "ms", {}, ""},
          rate{"worst round trip during a rate change: " + condition, "ms", {}, ""},
          exitAll{"-exitall to process gone: " + condition, "ms", {}, ""},
          requests{"control requests during the burst, drag and rate rows: " + condition,
                   "count",
                   {},
                   ""}
    {
    }
};

double RoundTripMs(HWND window)
{
    const double start = NowMs();
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kRoundTripLimitMs, &ignored);
    return NowMs() - start;
}

// Polls the window about every millisecond for the time given.
double WorstRoundTrip(HWND window, double ms)
{
    double worst = 0;
    for (const double start = NowMs(); NowMs() - start < ms; ::Sleep(1))
        worst = std::max(worst, RoundTripMs(window));
    return worst;
}

bool IsControlRequest(const TimedCall& call)
{
    return call.text.rfind("Get(", 0) == 0 || call.text.rfind("Set(", 0) == 0;
}

// True when the device was inside a control request at the moment given.
bool RequestInFlight(const std::vector<TimedCall>& calls, double atMs, uint32_t requestMs)
{
    for (auto call = calls.rbegin(); call != calls.rend(); ++call)
        if (IsControlRequest(*call) && call->ms <= atMs)
            return atMs - call->ms < requestMs;
    return false;
}

// One start: the worst round trip from the window shown until kStartWatchMs
// after the start, then -exitall while the device thread is still busy.
void StartAndExit(SimulatedDevice& device, const Condition& condition, Rows& rows)
{
    const double start = NowMs();
    ChildProcess panel = StartPanel();
    HWND window = nullptr;
    double worst = 0;
    for (; NowMs() - start < kStartWatchMs; ::Sleep(1))
    {
        if (!window)
        {
            // A user can click only once the window is shown.
            HWND found = FirstPanelWindow();
            window = found && ::IsWindowVisible(found) ? found : nullptr;
            if (window)
                rows.visible.samples.push_back(NowMs() - start);
            continue;
        }
        worst = std::max(worst, RoundTripMs(window));
    }
    if (window)
        rows.startUp.samples.push_back(worst);
    const double asked = NowMs();
    ChildProcess exitAll = StartPanel(L"-exitall");
    if (window && panel.WaitExit(kExitGiveUpMs))
        rows.exitAll.samples.push_back(NowMs() - asked);
    if (RequestInFlight(device.Log(), asked, condition.requestMs))
        ++rows.exitsWithRequestInFlight;
    EndAllPanels();
}

// Picks the next rate in the panel's box as a user would.
bool ChangeRate(HWND dialog)
{
    HWND box = ::GetDlgItem(dialog, IDC_SAMPLE_RATE);
    const auto count = ::SendMessageW(box, CB_GETCOUNT, 0, 0);
    if (count < 2)
        return false;
    const auto current = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>((current + 1) % count), 0);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SAMPLE_RATE, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(box));
    return true;
}

// The panel opened on a healthy device, which then stalls or not: the
// burst, drag and rate rows.
void WhileRunning(SimulatedDevice& device, const Condition& condition, Rows& rows)
{
    device.Reset();
    RunningPanel panel;
    HWND window = panel.Window();
    HWND fader = ::GetDlgItem(window, IDC_FADER_IN_LEFT);
    if (!window || !fader)
    {
        rows.burst.note = "the panel did not come up; ";
        return;
    }
    condition.Apply(device);
    device.ClearLog();
    for (int run = 0; run < kRuns; ++run)
    {
        // A new value behind the burst, so that its reads have news to show.
        device.SetInputVolume(static_cast<int16_t>(run % 2 ? -2560 : -640));
        device.Notify(3, 10);
        rows.burst.samples.push_back(WorstRoundTrip(window, kWatchMs));

        double worst = 0;
        DragFader(fader, kWatchMs,
                  [&]
                  {
                      const double step = NowMs();
                      worst = std::max(worst, RoundTripMs(window));
                      const double left = kMoveEveryMs - (NowMs() - step);
                      if (left > 0)
                          ::Sleep(static_cast<DWORD>(left));
                  });
        rows.drag.samples.push_back(worst);

        if (!ChangeRate(window))
        {
            rows.rate.note = "the panel showed fewer than two rates; ";
            continue;
        }
        rows.rate.samples.push_back(WorstRoundTrip(window, kWatchMs));
    }
    const std::vector<TimedCall> calls = device.Log();
    rows.requests.samples.push_back(
        static_cast<double>(std::count_if(calls.begin(), calls.end(), &IsControlRequest)));
}
} // namespace

void BenchStalled(FigureTable& table)
{
    // Under Wine without a window manager, a panel that takes the tray's last
    // icon waits two seconds for the tray to hide: not the panel's exit.
    const TrayKeeper tray;
    SimulatedDevice device;
    std::vector<Rows> rows;
    for (const Condition& condition : kConditions)
        rows.emplace_back(condition.name);
    // The first start loads what the later ones find cached.
    device.Reset();
    TimeToFirstPaint(BinaryPath(L"GUI_KV58.exe"), &FirstPanelWindow);
    EndAllPanels();
    // The conditions take turns, so that the machine's load falls on both alike.
    for (int run = 0; run < kStarts; ++run)
        for (size_t i = 0; i < std::size(kConditions); ++i)
        {
            device.Reset();
            kConditions[i].Apply(device);
            const double shown = TimeToFirstPaint(BinaryPath(L"GUI_KV58.exe"), &FirstPanelWindow);
            if (shown > 0)
                rows[i].shown.samples.push_back(shown);
            EndAllPanels();
            device.Reset();
            kConditions[i].Apply(device);
            StartAndExit(device, kConditions[i], rows[i]);
        }
    for (size_t i = 0; i < std::size(kConditions); ++i)
        WhileRunning(device, kConditions[i], rows[i]);
    device.Reset();

    for (Rows& row : rows)
    {
        row.shown.note = "process start to the last pixel change of the client area before it "
                         "settled, as for start-up";
        row.visible.note = "process start to IsWindowVisible, polled every ~1 ms";
        row.startUp.note = "SendMessageTimeout(WM_NULL) polled from the window shown to 3 s "
                           "after the process start";
        row.burst.note += "kv58sim notify 3 10, then round trips polled for 2 s";
        row.drag.note = "a round trip after each WM_MOUSEMOVE, posted every 8 ms to fader 1018";
        row.rate.note += "the next rate picked in the box, then round trips polled for 2 s";
        row.exitAll.note = "GUI_KV58.exe -exitall started 3 s after the panel, the tray kept "
                           "from emptying; a control request was in flight in " +
                           std::to_string(row.exitsWithRequestInFlight) + " of " +
                           std::to_string(kStarts) + " runs";
        row.requests.note = "Get and Set lines in the simulator's log; for these three rows "
                            "the panel was opened on the healthy device first";
    }
    for (Figure Rows::*figure : {&Rows::shown, &Rows::visible, &Rows::startUp, &Rows::burst,
                                 &Rows::drag, &Rows::rate, &Rows::exitAll, &Rows::requests})
        for (Rows& row : rows)
            table.Add(std::move(row.*figure));
}
