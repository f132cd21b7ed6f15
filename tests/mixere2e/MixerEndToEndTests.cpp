#include "ScreenProbe.h"
#include "app/resource.h"
#include "tests/support/SharedPanel.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/XInput.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// The real panel on the simulated KV58, its faders and buttons worked with
// the real mouse and keyboard through the X server, and the device read
// back through the simulator's tool. One panel serves the whole suite.
namespace
{
constexpr int kThumbTop = 8;    // thumb centre at the top of a fader
constexpr int kThumbSpan = 130; // pixels of its travel
constexpr int kInputMin = -22528;
// Warmth above which a mute or link button shows its "on" look (measured:
// mute about 46 on and -8 off, link about 21 on and -6 off).
constexpr double kWarm = 8;
// A highlighted thumb (hovered or focused) is drawn taller, from the same top.
constexpr int kThumbSlack = 9;

// The volume an input fader sends with its thumb centre at pixel y.
int InputVolumeAtPixel(int y)
{
    const int pos =
        static_cast<int>(kInputMin - kInputMin * static_cast<double>(y - kThumbTop) / kThumbSpan);
    return kInputMin - pos;
}

// The thumb centre's pixel for an input volume.
int InputPixelOfVolume(int volume)
{
    const int pos = kInputMin - volume;
    return static_cast<int>((pos - kInputMin) / static_cast<double>(-kInputMin) * kThumbSpan) +
           kThumbTop;
}

std::string VolumeSetPrefix(int unit, int channel)
{
    return "Set(" + std::to_string(unit) + ",0x01,2," + std::to_string(channel) + ",len=2,data=";
}

// The volume a logged volume request carries.
int VolumeOf(const std::string& line)
{
    const size_t data = line.find("data=");
    const auto byte = [&](size_t at)
    { return std::stoi(line.substr(data + 5 + at, 2), nullptr, 16); };
    return static_cast<int16_t>(byte(0) | (byte(2) << 8));
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

std::vector<std::string> VolumeSets(const std::vector<std::string>& log, int unit)
{
    std::vector<std::string> sets;
    const std::string prefix = "Set(" + std::to_string(unit) + ",0x01,2,";
    for (const std::string& line : log)
        if (StartsWith(line, prefix))
            sets.push_back(line);
    return sets;
}

std::string Point(int x, int y)
{
    return std::to_string(x) + " " + std::to_string(y);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class MixerEndToEnd : public SharedPanelSuite
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_panel && ::IsWindow(s_panel)) << "the panel did not start";
        ParkMouse();
        // The default device, shown: a mute report makes the panel read everything.
        ASSERT_EQ(RunSim(L"reset").exitCode, 0u);
        ASSERT_EQ(RunSim(L"mute in 0").exitCode, 0u);
        ASSERT_TRUE(WaitFor(
            [&] {
                return Readout(IDC_LABEL_IN_LEFT) == L"-10" &&
                       Readout(IDC_LABEL_OUT_RIGHT) == L"-20";
            },
            10000))
            << "shown: " << testing::PrintToString(Readout(IDC_LABEL_IN_LEFT));
        for (int link : {IDC_LINK_INPUT, IDC_LINK_OUTPUT})
            if (IsOn(link))
                Toggle(link, false);
    }

    HWND Item(int id) const { return ::GetDlgItem(s_panel, id); }
    std::wstring Readout(int id) const { return RemoteWindowText(Item(id)); }
    RECT Rect(int id) const
    {
        RECT rect{};
        ::GetWindowRect(Item(id), &rect);
        return rect;
    }
    int ThumbOf(int fader) const { return ThumbCentre(ScreenPixels(Item(fader))); }
    bool IsOn(int button) const { return Warmth(ScreenPixels(Item(button))) > kWarm; }

    // Out of the way of every control, so that nothing is hovered.
    static std::string Park()
    {
        return " mousemove " +
               Point(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    static void ParkMouse() { RunXdotool("xdotool" + Park()); }

    void Click(int id) const
    {
        const RECT r = Rect(id);
        RunXdotool("xdotool mousemove --sync " +
                   Point((r.left + r.right) / 2, (r.top + r.bottom) / 2) + " click 1 sleep 0.05" +
                   Park());
    }

    void Toggle(int button, bool on) const
    {
        Click(button);
        EXPECT_TRUE(WaitFor([&] { return IsOn(button) == on; })) << "button " << button;
    }

    // A Ctrl+click far below the thumb: a plain click there would move it down.
    bool CtrlClick(int fader) const
    {
        const RECT r = Rect(fader);
        return RunXdotool("xdotool mousemove --sync " + Point((r.left + r.right) / 2, r.top + 130) +
                          " keydown ctrl click 1 keyup ctrl sleep 0.05" + Park());
    }

    bool ThumbNear(int fader, int pixel) const
    {
        const bool found = WaitFor([&] { return std::abs(ThumbOf(fader) - pixel) <= kThumbSlack; });
        EXPECT_TRUE(found) << "thumb of " << fader << " at " << ThumbOf(fader) << ", not " << pixel;
        return found;
    }

    static bool SimIs(const char* key, int value)
    {
        return WaitFor([&] { return SimState()[key] == std::to_string(value); });
    }

    // Puts an input channel at a volume from outside and waits until the panel shows it.
    void SetInputVolume(int channel, int volume) const
    {
        ASSERT_EQ(RunSim(L"volume in " + std::to_wstring(channel) + L" " + std::to_wstring(volume))
                      .exitCode,
                  0u);
        const int label = channel == 1 ? IDC_LABEL_IN_LEFT : IDC_LABEL_IN_RIGHT;
        ASSERT_TRUE(WaitFor([&] { return Readout(label) == std::to_wstring(volume / 256); }, 5000));
    }

    // Volume requests of unit 14 so far, with the moment the log was read
    // (the middle of the tool's run).
    static std::pair<size_t, double> CountNow()
    {
        const ULONGLONG before = ::GetTickCount64();
        const size_t count = VolumeSets(SimLog(), 14).size();
        const ULONGLONG after = ::GetTickCount64();
        return {count, (before + after) / 2000.0};
    }

    // Drags an input fader down from near its top with the real mouse,
    // two pixels every 0.1 s, and measures the volume requests per second
    // while the button is held. Returns the pixel where the thumb ends.
    int DragInputFader(int fader, double& perSecond) const
    {
        const RECT r = Rect(fader);
        const int x = (r.left + r.right) / 2;
        const int start = 30; // off the thumb at 0 dB: the thumb jumps to the cursor
        constexpr int kSteps = 36;
        std::string script = "xdotool mousemove --sync " + Point(x, r.top + start) + " mousedown 1";
        for (int step = 1; step <= kSteps; ++step)
            script += " sleep 0.1 mousemove --sync " + Point(x, r.top + start + 2 * step);
        script += " sleep 0.2 mouseup 1 sleep 0.05" + Park();
        perSecond = 0;
        EXPECT_EQ(RunSim(L"log clear").exitCode, 0u);
        const XdotoolRun drag(script);
        EXPECT_TRUE(drag.Started()) << "xdotool is needed for real mouse input";
        // Measured only while the button is surely down.
        EXPECT_TRUE(WaitFor([] { return CountNow().first >= 3; }, 5000))
            << "the drag sends nothing";
        // Over the next 48 requests (about 1.5 s), or to the drag's end on a
        // machine too busy for them: the pace has a ceiling, and the bench
        // measures it.
        const auto [first, from] = CountNow();
        WaitFor([&] { return CountNow().first >= first + 48 || drag.Finished(); }, 10000);
        const auto [last, to] = CountNow();
        perSecond = (last - first) / (to - from);
        EXPECT_TRUE(drag.Wait(10000));
        return start + 2 * kSteps;
    }
};

void Report(const char* what, const std::vector<double>& rates)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s: median %.1f, min %.1f, max %.1f requests/s", what,
                  Median(rates), *std::min_element(rates.begin(), rates.end()),
                  *std::max_element(rates.begin(), rates.end()));
    std::printf("%s\n", text);
    testing::Test::RecordProperty(what, text);
}
} // namespace

TEST_F(MixerEndToEnd, ADragSendsVolumesAtTheTimersPaceAndTheDeviceFollows)
{
    std::vector<double> rates;
    for (int run = 0; run < 3; ++run)
    {
        SetInputVolume(1, 0);
        double rate = 0;
        const int end = DragInputFader(IDC_FADER_IN_LEFT, rate);
        rates.push_back(rate);
        const int expected = InputVolumeAtPixel(end);
        EXPECT_TRUE(SimIs("in.volume1", expected)) << "run " << run;
        EXPECT_EQ(Readout(IDC_LABEL_IN_LEFT), std::to_wstring(expected / 256));
        EXPECT_EQ(SimState()["in.volume2"], "-2560") << "unlinked: the right channel stays";
        // The device followed the thumb down, step by step.
        const std::vector<std::string> sets = VolumeSets(SimLog(), 14);
        std::vector<int> volumes;
        for (const std::string& line : sets)
        {
            ASSERT_TRUE(StartsWith(line, VolumeSetPrefix(14, 1))) << line;
            volumes.push_back(VolumeOf(line));
        }
        EXPECT_TRUE(std::is_sorted(volumes.rbegin(), volumes.rend())) << "only down";
        volumes.erase(std::unique(volumes.begin(), volumes.end()), volumes.end());
        EXPECT_GE(volumes.size(), 20u) << "the device follows the drag, not only its end";
    }
    // One request per 30 ms tick at most: about 33 a second.
    Report("unlinked drag", rates);
    for (double rate : rates)
        EXPECT_LT(rate, 40.0);
}

TEST_F(MixerEndToEnd, WithTheLinkOnThePartnerMovesAndBothChannelsAreSent)
{
    Toggle(IDC_LINK_INPUT, true);
    std::vector<double> rates;
    for (int run = 0; run < 3; ++run)
    {
        SetInputVolume(1, 0);
        SetInputVolume(2, 0);
        double rate = 0;
        const int end = DragInputFader(IDC_FADER_IN_RIGHT, rate);
        rates.push_back(rate);
        const int expected = InputVolumeAtPixel(end);
        EXPECT_TRUE(SimIs("in.volume2", expected)) << "run " << run;
        EXPECT_TRUE(SimIs("in.volume1", expected)) << "the partner follows";
        EXPECT_EQ(Readout(IDC_LABEL_IN_LEFT), std::to_wstring(expected / 256));
        EXPECT_TRUE(ThumbNear(IDC_FADER_IN_LEFT, end)) << "the partner's thumb moved";
        // Each message sends the dragged channel, then its partner, and the
        // release's pair ends it. While the device thread is busy a newer
        // value replaces one still waiting, so a pair may lose one half;
        // each channel still only goes down.
        const std::vector<std::string> sets = VolumeSets(SimLog(), 14);
        ASSERT_GE(sets.size(), 2u);
        EXPECT_TRUE(StartsWith(sets[sets.size() - 2], VolumeSetPrefix(14, 2)));
        EXPECT_TRUE(StartsWith(sets.back(), VolumeSetPrefix(14, 1)));
        EXPECT_EQ(VolumeOf(sets.back()), expected);
        for (int channel : {1, 2})
        {
            std::vector<int> volumes;
            for (const std::string& line : sets)
                if (StartsWith(line, VolumeSetPrefix(14, channel)))
                    volumes.push_back(VolumeOf(line));
            EXPECT_TRUE(std::is_sorted(volumes.rbegin(), volumes.rend())) << "channel " << channel;
        }
    }
    Toggle(IDC_LINK_INPUT, false);
    // Two requests per tick at most.
    Report("linked drag", rates);
    for (double rate : rates)
        EXPECT_LT(rate, 80.0);
}

TEST_F(MixerEndToEnd, CtrlClickSendsTheTopVolume)
{
    SetInputVolume(2, -11264);
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    ASSERT_TRUE(CtrlClick(IDC_FADER_IN_RIGHT));
    EXPECT_TRUE(SimIs("in.volume2", 0));
    EXPECT_TRUE(WaitFor([&] { return Readout(IDC_LABEL_IN_RIGHT) == L"0"; }));
    EXPECT_TRUE(ThumbNear(IDC_FADER_IN_RIGHT, kThumbTop));
    const std::vector<std::string> sets = VolumeSets(SimLog(), 14);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.back(), VolumeSetPrefix(14, 2) + "0000,timeout=500)");
    EXPECT_EQ(SimState()["in.volume1"], "-2560");
}

TEST_F(MixerEndToEnd, CtrlClickOnALinkedFaderTakesThePartnerToTheTopToo)
{
    SetInputVolume(1, -11264);
    SetInputVolume(2, -11264);
    Toggle(IDC_LINK_INPUT, true);
    ASSERT_TRUE(CtrlClick(IDC_FADER_IN_LEFT));
    EXPECT_TRUE(SimIs("in.volume1", 0));
    EXPECT_TRUE(SimIs("in.volume2", 0)) << "the partner stayed behind";
    EXPECT_TRUE(ThumbNear(IDC_FADER_IN_RIGHT, kThumbTop));
    Toggle(IDC_LINK_INPUT, false);
}

TEST_F(MixerEndToEnd, KeysAndTheWheelStepTheFocusedFaderByOneDecibel)
{
    // A press on the thumb's centre gives the fader the focus and leaves
    // the thumb where it is, at that pixel's volume. Without a window
    // manager the X focus follows the pointer, which stays over the fader.
    const RECT r = Rect(IDC_FADER_IN_LEFT);
    const int x = (r.left + r.right) / 2;
    const int thumb = InputPixelOfVolume(-2560);
    ASSERT_TRUE(RunXdotool("xdotool mousemove --sync " + Point(x, r.top + thumb) + " click 1"));
    ASSERT_TRUE(SimIs("in.volume1", InputVolumeAtPixel(thumb)));
    const std::pair<const char*, int> steps[] = {
        {"key Home", 0},     {"key Down", -256},  {"key Down", -512},  {"key Next", -1792},
        {"key Up", -1536},   {"key Prior", -256}, {"key End", -22528}, {"click 4", -22272},
        {"click 4", -22016}, {"click 5", -22272},
    };
    for (const auto& [action, volume] : steps)
    {
        ASSERT_TRUE(RunXdotool(std::string("xdotool ") + action));
        EXPECT_TRUE(SimIs("in.volume1", volume)) << action;
        EXPECT_TRUE(
            WaitFor([&] { return Readout(IDC_LABEL_IN_LEFT) == std::to_wstring(volume / 256); }))
            << action;
    }
    EXPECT_EQ(SimState()["in.volume2"], "-2560");
    ParkMouse();
}

TEST_F(MixerEndToEnd, ChangesFromOutsideMoveTheFaderAndTheMuteButton)
{
    ThumbNear(IDC_FADER_IN_LEFT, InputPixelOfVolume(-2560));
    ASSERT_EQ(RunSim(L"volume in 1 -11264").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return Readout(IDC_LABEL_IN_LEFT) == L"-44"; }));
    ThumbNear(IDC_FADER_IN_LEFT, InputPixelOfVolume(-11264));
    EXPECT_EQ(Readout(IDC_LABEL_IN_RIGHT), L"-10");

    EXPECT_FALSE(IsOn(IDC_MUTE_OUTPUT));
    ASSERT_EQ(RunSim(L"mute out 1").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return IsOn(IDC_MUTE_OUTPUT); }))
        << "warmth " << Warmth(ScreenPixels(Item(IDC_MUTE_OUTPUT)));
    EXPECT_FALSE(IsOn(IDC_MUTE_INPUT));
    ASSERT_EQ(RunSim(L"mute out 0").exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return !IsOn(IDC_MUTE_OUTPUT); }));
}

TEST_F(MixerEndToEnd, EachMuteClickSendsOneRequest)
{
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    Toggle(IDC_MUTE_INPUT, true);
    EXPECT_TRUE(SimIs("in.mute", 1));
    Toggle(IDC_MUTE_INPUT, false);
    EXPECT_TRUE(SimIs("in.mute", 0));
    std::vector<std::string> mutes;
    for (const std::string& line : SimLog())
        if (StartsWith(line, "Set(14,0x01,1,"))
            mutes.push_back(line);
    EXPECT_EQ(mutes, (std::vector<std::string>{"Set(14,0x01,1,0,len=1,data=01,timeout=500)",
                                               "Set(14,0x01,1,0,len=1,data=00,timeout=500)"}));
    EXPECT_EQ(SimState()["out.mute"], "0");
}
