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
#include <vector>

namespace
{
constexpr int kRuns = 3;
constexpr int kStarts = 5;
constexpr uint32_t kStallMs = 500;
constexpr uint32_t kFailStatus = 0xE0000001;
// Each window of round trips; start-up's ends after the device is shown.
constexpr double kWatchMs = 2000;
// The device counts as done when no request began for this long past one's time.
constexpr double kQuietMarginMs = 200;
constexpr double kQuietCheckMs = 50;
constexpr double kQuietGiveUpMs = 15000;
constexpr double kStartGiveUpMs = 10000;
constexpr double kAfterOpenMs = 500;
constexpr DWORD kExitAfterRateMs = 200;
constexpr DWORD kMoveEveryMs = 8;
constexpr DWORD kExitGiveUpMs = 10000;
// Long enough that a frozen window is waited for, not taken as hung.
constexpr UINT kRoundTripLimitMs = 60000;

// A stalled device waits and then fails; a slow one waits and then answers.
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
constexpr Condition kConditions[] = {
    {"healthy device", 0, false},
    {"stalled device (each request waits 500 ms, then fails)", kStallMs, true},
    {"slow device (each request waits 500 ms, then answers)", kStallMs, false}};

// The rows of one condition.
struct Rows
{
    Figure shown;
    Figure visible;
    Figure opened;
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
          opened{"start to the device shown (boxes enabled): " + condition, "ms", {}, ""},
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

bool IsControlRequest(const TimedCall& call)
{
    return call.text.rfind("Get(", 0) == 0 || call.text.rfind("Set(", 0) == 0;
}

// The start of the newest control request, or 0 when there is none.
double LastRequestMs(SimulatedDevice& device)
{
    const std::vector<TimedCall> calls = device.Log();
    for (auto call = calls.rbegin(); call != calls.rend(); ++call)
        if (IsControlRequest(*call))
            return call->ms;
    return 0;
}

// Polls the window about every millisecond for at least the time given and
// until no control request has begun for quietMs: by then the device thread
// has done what was asked, however slow the device.
double WorstRoundTripUntilQuiet(HWND window, SimulatedDevice& device, double minMs, double quietMs)
{
    double worst = 0;
    double checked = 0;
    for (double start = NowMs(), now = start; now - start < kQuietGiveUpMs; now = NowMs())
    {
        worst = std::max(worst, RoundTripMs(window));
        if (now - checked >= kQuietCheckMs)
        {
            checked = now;
            if (now - start >= minMs && now - LastRequestMs(device) >= quietMs)
                break;
        }
        ::Sleep(1);
    }
    return worst;
}

// True when the device was inside a control request at the moment given.
bool RequestInFlight(const std::vector<TimedCall>& calls, double atMs, uint32_t requestMs)
{
    for (auto call = calls.rbegin(); call != calls.rend(); ++call)
        if (IsControlRequest(*call) && call->ms <= atMs)
            return atMs - call->ms < requestMs;
    return false;
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

// One start: the worst round trip from the window shown until the panel
// shows the device, then -exitall while a rate change is under way.
void StartAndExit(SimulatedDevice& device, const Condition& condition, Rows& rows)
{
    const double start = NowMs();
    ChildProcess panel = StartPanel();
    HWND window = nullptr;
    double worst = 0;
    double opened = 0;
    for (double now = start;
         now - start < kStartGiveUpMs && (!opened || now - opened < kAfterOpenMs); now = NowMs())
    {
        ::Sleep(1);
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
        if (!opened && EnabledDeviceBoxes(window) == 4)
            opened = NowMs();
    }
    if (!window)
        return;
    rows.startUp.samples.push_back(worst);
    if (opened)
        rows.opened.samples.push_back(opened - start);
    // Gives the device thread a request to be inside, if the device stalls.
    ChangeRate(window);
    ::Sleep(kExitAfterRateMs);
    const double asked = NowMs();
    ChildProcess exitAll = StartPanel(L"-exitall");
    if (panel.WaitExit(kExitGiveUpMs))
        rows.exitAll.samples.push_back(NowMs() - asked);
    if (RequestInFlight(device.Log(), asked, condition.requestMs))
        ++rows.exitsWithRequestInFlight;
    EndAllPanels();
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
    const double quietMs = condition.requestMs + kQuietMarginMs;
    for (int run = 0; run < kRuns; ++run)
    {
        // A new value behind the burst, so that its reads have news to show.
        device.SetInputVolume(static_cast<int16_t>(run % 2 ? -2560 : -640));
        device.Notify(3, 10);
        rows.burst.samples.push_back(WorstRoundTripUntilQuiet(window, device, kWatchMs, quietMs));

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
        // The drag's last volume may still be on its way to the device.
        worst = std::max(worst, WorstRoundTripUntilQuiet(window, device, 0, quietMs));
        rows.drag.samples.push_back(worst);

        if (!ChangeRate(window))
        {
            rows.rate.note = "the panel showed fewer than two rates; ";
            continue;
        }
        rows.rate.samples.push_back(WorstRoundTripUntilQuiet(window, device, kWatchMs, quietMs));
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
    // The conditions take turns, so that the machine's load falls on all alike.
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
        row.startUp.note = "SendMessageTimeout(WM_NULL) polled from the window shown to 0.5 s "
                           "after the device is shown (at most 10 s after the start)";
        row.opened.note = "process start to the four device boxes enabled";
        const std::string untilDone = "round trips polled for at least 2 s and until no control "
                                      "request began for 0.2 s past a request's time";
        row.burst.note += "kv58sim notify 3 10, then " + untilDone;
        row.drag.note = "a round trip after each WM_MOUSEMOVE, posted every 8 ms to fader 1018, "
                        "then until no control request began for 0.2 s past a request's time";
        row.rate.note += "the next rate picked in the box, then " + untilDone;
        row.exitAll.note = "GUI_KV58.exe -exitall started 0.2 s after a rate change, the tray "
                           "kept from emptying; a control request was in flight in " +
                           std::to_string(row.exitsWithRequestInFlight) + " of " +
                           std::to_string(kStarts) + " runs";
        row.requests.note = "Get and Set lines in the simulator's log; for these three rows "
                            "the panel was opened on the healthy device first";
    }
    for (Figure Rows::*figure :
         {&Rows::shown, &Rows::visible, &Rows::opened, &Rows::startUp, &Rows::burst, &Rows::drag,
          &Rows::rate, &Rows::exitAll, &Rows::requests})
        for (Rows& row : rows)
            table.Add(std::move(row.*figure));
}
