#include "FuzzGuard.h"
#include "FuzzRandom.h"
#include "HostileDriver.h"
#include "app/resource.h"
#include "tests/support/ProcessCounts.h"
#include "tests/support/TestPanel.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <memory>
#include <optional>
#include <sstream>

namespace
{
constexpr unsigned kCiSteps = 10000;
// Whatever the controls and the system make once, on first use, and keep
// (surfaces at the first drawing, a combo box's own at some first choice) is
// made in these steps, before resources are counted; a leak still shows over
// the steps that follow.
constexpr unsigned kWarmUpSteps = 1000;
constexpr unsigned kStepsPerPaint = 256;
constexpr DWORD kHangMs = 20000;

FakeUsbAudio& fake = FakeUsbAudio::Instance();

// HID services that list no interface: every rate report ends at once, and
// the system's HID libraries stay unloaded.
void WINAPI NoHidGuid(LPGUID guid)
{
    *guid = GUID{};
}

HDEVINFO WINAPI NoInterfaceList(const GUID*, PCWSTR, HWND, DWORD)
{
    return INVALID_HANDLE_VALUE;
}

const HidApi& NoHid()
{
    static const HidApi api = []
    {
        HidApi hid = SystemHidApi();
        hid.GetHidGuid = &NoHidGuid;
        hid.GetClassDevs = &NoInterfaceList;
        return hid;
    }();
    return api;
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text.substr(0, 80))
        narrow += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
    return narrow;
}

// The item texts, as the user reads them.
std::wstring RateItem(unsigned int rate)
{
    return std::to_wstring(rate) + L" Hz";
}

std::wstring AsioItem(unsigned int size)
{
    // The numbers line up: four digits wide from 1000, five below, six below 100.
    const int width = size >= 1000 ? 4 : size >= 100 ? 5 : 6;
    std::wstring number = std::to_wstring(size);
    if (number.size() < static_cast<size_t>(width))
        number.insert(0, width - number.size(), L' ');
    return number + L" samples";
}

bool IsErrorText(const std::wstring& text)
{
    static const wchar_t* const kLabels[] = {L"TUSBAUDIO_SetSampleRate",
                                             L"TUSBAUDIO_SetUsbStreamingMode",
                                             L"TUSBAUDIO_SetASIOBufferSize",
                                             L"TUSBAUDIO_GetCurrentSampleRate",
                                             L"TUSBAUDIO_GetMinimumASIOBufferSize",
                                             L"DevSelectInput"};
    for (const wchar_t* label : kLabels)
    {
        const std::wstring head = std::wstring(label) + L" failed. \r\nStatus = 0x";
        if (text.rfind(head, 0) != 0 || text.size() < head.size() + 10)
            continue;
        const std::wstring digits = text.substr(head.size(), 8);
        return digits.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos &&
               text.compare(head.size() + 8, 2, L" (") == 0 && text.back() == L')';
    }
    return false;
}

class PanelFuzz
{
public:
    explicit PanelFuzz(uint64_t seed)
        : m_random(seed), m_driver(fake, m_random), m_guard("panel fuzz", seed, kHangMs)
    {
        m_panel = std::make_unique<TestPanel>(fake.api(), NoHid());
        m_panel->Create();
        // Hidden, the panel skips the screen: ten times as many steps in the time.
        ::ShowWindow(m_panel->m_hWnd, SW_HIDE);
    }
    ~PanelFuzz()
    {
        // Before the driver's script goes, so that the panel's last calls find it.
        m_panel.reset();
        fake.Reset();
    }

    TestPanel& Panel() { return *m_panel; }

    // One random action of the user or the device; returns its name.
    const char* Act();
    // Takes every message the action caused, the worker's included.
    void Settle();
    // What is wrong with the panel now; empty when nothing is. Reading the
    // boxes is slow under Wine: they are read when a refresh refilled them,
    // or when full.
    std::vector<std::string> Problems(bool full);
    // A plain device, freshly opened and drawn: the state resources are counted in.
    void Calm();
    // Where the calm panel shows other than the device's state.
    std::vector<std::string> Mismatches();
    // Has the faders and buttons draw themselves. The panel stays hidden:
    // showing it costs seconds under Wine.
    void Paint();
    HostileDriver& Driver() { return m_driver; }
    uint64_t Digest() const { return m_digest; }
    unsigned BoxesSeen() const { return m_boxesSeen; }
    FuzzGuard& Guard() { return m_guard; }

private:
    const char* ChooseItem();
    const char* Fader();
    const char* Click(int id);
    const char* Plug();
    const char* Burst();
    const char* StrayFaderMessage();
    void CheckCombos(std::vector<std::string>& problems);
    void CheckFaders(std::vector<std::string>& problems);
    void CheckBoxes(std::vector<std::string>& problems);

    FuzzRandom m_random;
    HostileDriver m_driver;
    FuzzGuard m_guard;
    std::unique_ptr<TestPanel> m_panel;
    bool m_refreshed = false;
    // Of every driver call, in order: equal for runs that replay each other.
    uint64_t m_digest = 0xCBF29CE484222325ull;
    unsigned m_boxesSeen = 0;
};

const char* PanelFuzz::Act()
{
    // Now and then a kind of call stalls for a while, as on a busy bus; the
    // panel must come out the same, only later. (Not the notification reads:
    // a flood of 20000 would take minutes.)
    fake.ClearStalls();
    if (m_random.Percent(2))
        fake.Stall(
            m_random.Pick<std::string>({"Get", "Set", "SetSampleRate", "GetChannelProperties"}),
            m_random.Between(1, 20));
    // Weights in percent. Whatever ends in a refresh costs ten times the
    // rest under Wine (its combo boxes fill slowly), so it comes less often.
    const uint32_t roll = m_random.Below(100);
    if (roll < 4)
        return ChooseItem();
    if (roll < 6)
        return Plug();
    if (roll < 52)
        return Fader();
    if (roll < 63)
        return Click(m_random.Pick({IDC_MUTE_INPUT, IDC_MUTE_OUTPUT}));
    if (roll < 69)
        return Click(m_random.Pick({IDC_LINK_INPUT, IDC_LINK_OUTPUT}));
    if (roll < 95)
        return Burst();
    return StrayFaderMessage();
}

const char* PanelFuzz::ChooseItem()
{
    const int box =
        m_random.Pick({IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER});
    // The user cannot reach a disabled box.
    if (!::IsWindowEnabled(m_panel->Item(box)))
        return "choose in a disabled box (nothing)";
    const auto count = static_cast<int>(m_panel->Ask(box, CB_GETCOUNT));
    m_panel->Ask(box, CB_SETCURSEL, static_cast<WPARAM>(m_random.Between(-1, count - 1)));
    m_panel->Notify(box, CBN_SELCHANGE);
    return "choose a combo item";
}

const char* PanelFuzz::Fader()
{
    const HWND fader = m_panel->Item(m_random.Pick(
        {IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT, IDC_FADER_OUT_LEFT, IDC_FADER_OUT_RIGHT}));
    const auto y = [&] { return m_random.Between(-60, 220); };
    switch (m_random.Below(3))
    {
    case 0:
    {
        const WPARAM flags = m_random.Percent(15) ? MK_LBUTTON | MK_CONTROL : MK_LBUTTON;
        ::SendMessageW(fader, WM_LBUTTONDOWN, flags, MAKELPARAM(10, y()));
        for (int moves = m_random.Between(0, 4); moves > 0; --moves)
            ::SendMessageW(fader, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, y()));
        ::SendMessageW(fader, WM_LBUTTONUP, 0, MAKELPARAM(10, y()));
        return "click or drag a fader";
    }
    case 1:
        ::SendMessageW(fader, WM_KEYDOWN,
                       m_random.Pick<WPARAM>({VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_PRIOR, VK_NEXT,
                                              VK_HOME, VK_END, 'A', VK_SPACE}),
                       1);
        return "key on a fader";
    default:
    {
        const short delta = m_random.Pick<short>({120, -120, 0, 1, 32767, -32768});
        ::SendMessageW(fader, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
        return "wheel on a fader";
    }
    }
}

const char* PanelFuzz::Click(int id)
{
    const HWND button = ::GetDlgItem(m_panel->m_hWnd, id);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    return id == IDC_MUTE_INPUT || id == IDC_MUTE_OUTPUT ? "mute click" : "link click";
}

const char* PanelFuzz::Plug()
{
    const int times = m_random.Percent(3) ? m_random.Pick({2, 3, 40}) : 1;
    for (int i = 0; i < times; ++i)
        ::PostMessageW(m_panel->m_hWnd, WM_PNP_NOTIFY, m_random.Pick<WPARAM>({1, 2, 1, 2, 0, 3}),
                       0);
    return times == 1 ? "arrival or removal" : "arrivals and removals in a burst";
}

const char* PanelFuzz::Burst()
{
    const int count = m_random.Percent(2) ? 20000 : m_random.Pick({1, 1, 2, 3, 50});
    for (int i = 0; i < count; ++i)
    {
        const unsigned int type =
            m_random.Percent(10)
                ? static_cast<unsigned int>(m_random.Next())
                : m_random.Pick<unsigned int>({1, 3, 4, 1, 3, 4, 0, 2, 5, 0xFFFFFFFF});
        // Queued while the device thread sleeps, which then reads them all at
        // one signal: the driver signals the last.
        if (i + 1 < count)
        {
            fake.notifications.push_back(type);
            continue;
        }
        // A panel with an open device whose driver took its event reads them,
        // maybe at once.
        if (m_panel->Shown().open && fake.notificationEvent)
            m_driver.ExpectDrain();
        fake.Notify(type);
    }
    return count > 50 ? "a flood of notifications" : "notifications";
}

const char* PanelFuzz::StrayFaderMessage()
{
    // Any window may post it; the position is whatever the sender put there.
    ::PostMessageW(m_panel->m_hWnd, WM_PNGSLIDER_CHANGED,
                   m_random.Pick<WPARAM>({IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT, IDC_FADER_OUT_LEFT,
                                          IDC_FADER_OUT_RIGHT, 4242, 0}),
                   m_random.Percent(50) ? static_cast<LPARAM>(m_random.Next())
                                        : m_random.Between(-40000, 40000));
    return "fader message with any position";
}

void PanelFuzz::Settle()
{
    // The device thread reads a burst in its own time, until a read fails.
    // A hang here is the guard's to report.
    PumpUntil([&] { return m_driver.DrainEnded(); }, INFINITE);
    m_panel->Settle(INFINITE);
    const std::vector<std::string> calls = fake.TakeCalls();
    // Left out: the reads of a wake that comes late and finds nothing queued.
    for (const std::string& call : calls)
        if (call.rfind("ReadDeviceNotification", 0) != 0)
            for (char c : call)
                m_digest = (m_digest ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
    // Only a refresh refills the boxes, and every refresh asks for the streaming mode.
    m_refreshed = std::find(calls.begin(), calls.end(), "GetUsbStreamingMode()") != calls.end();
}

void PanelFuzz::Calm()
{
    Paint();
    m_driver.SetCalm(true);
    fake.deviceCount = 1;
    ::PostMessageW(m_panel->m_hWnd, WM_PNP_NOTIFY, 1, 0);
    Settle();
    m_panel->boxes.clear();
    m_driver.SetCalm(false);
}

std::vector<std::string> PanelFuzz::Mismatches()
{
    std::vector<std::string> found;
    const TestPanel& panel = *m_panel;
    const std::wstring rate = std::to_wstring(fake.currentRate) + L" Hz";
    const std::vector<std::wstring> rates = panel.Items(IDC_SAMPLE_RATE);
    if (std::find(rates.begin(), rates.end(), rate) != rates.end() &&
        panel.Selected(IDC_SAMPLE_RATE) != rate)
        found.push_back("rate shown \"" + Narrow(panel.Selected(IDC_SAMPLE_RATE)) + "\"");
    const uint8_t input = fake.Byte(11, 0);
    const wchar_t* inputText = input == 1 ? L"Analog In" : input == 2 ? L"SPDIF IN" : L"";
    if (panel.Selected(IDC_INPUT_SOURCE) != inputText)
        found.push_back("input shown \"" + Narrow(panel.Selected(IDC_INPUT_SOURCE)) + "\"");
    const std::pair<int, int> inputs[] = {{IDC_LABEL_IN_LEFT, 1}, {IDC_LABEL_IN_RIGHT, 2}};
    for (const auto& [label, channel] : inputs)
        if (panel.Text(label) !=
            std::to_wstring(fake.Volume(14, static_cast<uint8_t>(channel)) / 256))
            found.push_back("input level " + std::to_string(channel) + " shown " +
                            Narrow(panel.Text(label)));
    if (panel.Checked(IDC_MUTE_INPUT) != (fake.Byte(14, 1) != 0))
        found.push_back("input mute shown wrong");
    return found;
}

void PanelFuzz::Paint()
{
    for (int control :
         {IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT, IDC_FADER_OUT_LEFT, IDC_FADER_OUT_RIGHT,
          IDC_MUTE_INPUT, IDC_MUTE_OUTPUT, IDC_LINK_INPUT, IDC_LINK_OUTPUT})
        m_panel->Ask(control, WM_PAINT);
}

void PanelFuzz::CheckCombos(std::vector<std::string>& problems)
{
    const auto items = [&](int box)
    {
        const std::vector<std::wstring> texts = m_panel->Items(box);
        const std::vector<DWORD_PTR> data = m_panel->ItemData(box);
        std::vector<std::pair<std::wstring, DWORD_PTR>> list;
        for (size_t i = 0; i < texts.size() && i < data.size(); ++i)
            list.emplace_back(texts[i], data[i]);
        return list;
    };
    for (const auto& [text, rate] : items(IDC_SAMPLE_RATE))
        if (text != RateItem(static_cast<unsigned int>(rate)) || rate < 44100 || rate > 96000 ||
            !m_driver.ListedRates().count(static_cast<unsigned int>(rate)))
            problems.push_back("sample-rate item \"" + Narrow(text) + "\" (" +
                               std::to_string(rate) + ")");

    const auto sources = items(IDC_INPUT_SOURCE);
    if (!sources.empty() && sources != decltype(sources){{L"SPDIF IN", 2}, {L"Analog In", 1}})
        problems.push_back("input-source items");

    const decltype(sources) presets{{L"Min latency (1 ms)", 1}, {L"Low latency (2 ms)", 2},
                                    {L"Standard (4 ms)", 4},    {L"Relaxed (8 ms)", 8},
                                    {L"Safe (16 ms)", 16},      {L"Extra Safe (32 ms)", 32}};
    if (items(IDC_STREAMING_MODE) != presets)
        problems.push_back("streaming-mode items");

    const auto sizes = items(IDC_ASIO_BUFFER);
    int standard = 0;
    DWORD_PTR previous = 0;
    for (size_t i = 0; i < sizes.size(); ++i)
    {
        const auto& [text, size] = sizes[i];
        const auto value = static_cast<unsigned int>(size);
        const bool isStandard = value >= 64 && value <= 8192 && (value & (value - 1)) == 0;
        standard += isStandard;
        if (text != AsioItem(value) || (i > 0 && size <= previous) ||
            (!isStandard && !m_driver.ReportedAsioSize(value)))
            problems.push_back("ASIO item \"" + Narrow(text) + "\" (" + std::to_string(size) + ")");
        previous = size;
    }
    if (standard != 8 || sizes.size() > 9)
        problems.push_back("ASIO list of " + std::to_string(sizes.size()) + " items");

    const bool open = m_panel->Shown().open;
    for (int box : {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER})
        if ((::IsWindowEnabled(m_panel->Item(box)) != FALSE) != open)
            problems.push_back("a combo box enabled without a device, or the reverse");
}

void PanelFuzz::CheckFaders(std::vector<std::string>& problems)
{
    const std::pair<int, int> pairs[] = {{IDC_FADER_IN_LEFT, IDC_LABEL_IN_LEFT},
                                         {IDC_FADER_IN_RIGHT, IDC_LABEL_IN_RIGHT},
                                         {IDC_FADER_OUT_LEFT, IDC_LABEL_OUT_LEFT},
                                         {IDC_FADER_OUT_RIGHT, IDC_LABEL_OUT_RIGHT}};
    for (const auto& [fader, label] : pairs)
    {
        const auto [lo, hi] = m_panel->Range(fader);
        const int pos = m_panel->Position(fader);
        const auto where = [&]
        {
            std::ostringstream text;
            text << "fader " << fader << " [" << lo << ", " << hi << "] at " << pos;
            return text.str();
        };
        if (!(lo <= pos && pos <= hi))
        {
            problems.push_back(where() + ": outside its range");
            continue;
        }
        // The readout shows the volume of the position in whole decibels; a
        // value read beyond an end of the range leaves the fader at that end.
        const std::wstring text = m_panel->Text(label);
        wchar_t* end = nullptr;
        const long shown = std::wcstol(text.c_str(), &end, 10);
        const int expected = (lo + hi - pos) / 256;
        const bool matches = !text.empty() && *end == L'\0' && shown >= -128 && shown <= 127 &&
                             (shown == expected || (pos == lo && shown >= hi / 256) ||
                              (pos == hi && shown <= lo / 256));
        if (!matches)
            problems.push_back(where() + ": readout \"" + Narrow(text) + "\", expected " +
                               std::to_string(expected));
    }
}

void PanelFuzz::CheckBoxes(std::vector<std::string>& problems)
{
    static const std::wstring kInformation = L"At ";
    for (const ShownBox& box : m_panel->boxes)
    {
        const bool known =
            IsErrorText(box.text) ||
            box.text.rfind(L"The requested operation cannot be performed because ", 0) == 0 ||
            (box.text.rfind(kInformation, 0) == 0 &&
             box.text.find(L" Hz sampling rate the selected ASIO buffer size is too small") !=
                 std::wstring::npos);
        if (!known)
            problems.push_back("message box \"" + Narrow(box.text) + "\"");
    }
    m_boxesSeen += static_cast<unsigned>(m_panel->boxes.size());
    m_panel->boxes.clear();
}

std::vector<std::string> PanelFuzz::Problems(bool full)
{
    std::vector<std::string> problems;
    if (!::IsWindow(m_panel->m_hWnd))
        return {"the panel window is gone"};
    if (full || m_refreshed)
        CheckCombos(problems);
    CheckFaders(problems);
    CheckBoxes(problems);
    for (const std::string& call : m_driver.TakeFaults())
        problems.push_back("request to a control the driver did not describe: " + call);
    return problems;
}

struct Counts
{
    int gdi, user, handles;
    bool operator==(const Counts&) const = default;
};

Counts CountResources()
{
    return {GdiObjectCount(), UserObjectCount(), HandleCount(::GetCurrentProcessId())};
}

std::ostream& operator<<(std::ostream& out, const Counts& c)
{
    return out << "GDI " << c.gdi << ", USER " << c.user << ", handles " << c.handles;
}
} // namespace

TEST(PanelFuzz, HostileDriverAndUserLeaveThePanelSound)
{
    const uint64_t seed = FuzzSeed();
    const unsigned steps = FuzzSteps(kCiSteps);
    SCOPED_TRACE(ReplayHint(seed));
    fake.Reset();
    PanelFuzz fuzz(seed);
    ASSERT_TRUE(fuzz.Panel().m_hWnd) << "the panel was not created";

    const ULONGLONG start = ::GetTickCount64();
    std::optional<Counts> before;
    std::deque<std::string> recent;
    for (unsigned step = 1; step <= steps; ++step)
    {
        fuzz.Driver().NewStep();
        fuzz.Guard().Step(step, "acting");
        const char* action = fuzz.Act();
        fuzz.Guard().Step(step, action);
        fuzz.Settle();
        if (step % kStepsPerPaint == 0)
            fuzz.Paint();
        recent.push_back(std::to_string(step) + ": " + action);
        if (recent.size() > 8)
            recent.pop_front();
        const std::vector<std::string> problems = fuzz.Problems(step % 64 == 0 || step == steps);
        if (!problems.empty())
        {
            std::string report;
            for (const std::string& line : recent)
                report += "\n  " + line;
            report += "\nfound:";
            for (const std::string& problem : problems)
                report += "\n  " + problem;
            FAIL() << "step " << step << " of " << steps << "; last actions:" << report;
        }
        if (step == std::min(kWarmUpSteps, steps))
        {
            fuzz.Calm();
            before = CountResources();
        }
    }
    const ULONGLONG elapsed = ::GetTickCount64() - start;

    fuzz.Calm();
    EXPECT_EQ(fuzz.Mismatches(), std::vector<std::string>{}) << "the calm panel shows the device";
    const Counts after = CountResources();
    ASSERT_TRUE(before);
    EXPECT_EQ(after, *before) << "GDI/USER objects or handles left behind";
    std::printf("panel fuzz: %u steps in %llu ms, seed %llu, calls digest %016llx; %u requests "
                "checked, %u message boxes; %s\n",
                steps, elapsed, static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(fuzz.Digest()), fuzz.Driver().RequestsChecked(),
                fuzz.BoxesSeen(), ::testing::PrintToString(after).c_str());
}
