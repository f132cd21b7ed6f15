#include "app/resource.h"
#include "core/VolumeMapping.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/TestPanel.h"
#include "core/DeviceSession.h"
#include "core/ChannelModel.h"
#include <gtest/gtest.h>
#include <memory>

namespace
{
FakeUsbAudio& fake = FakeUsbAudio::Instance();

// One panel serves every test: destroying a panel costs seconds under Wine.
// Each test starts from the device's default state and a panel that has
// just read it, as a freshly opened panel would.
class Mixer : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        fake.Reset();
        s_panel = std::make_unique<TestPanel>();
        s_panel->StayOutOfTheTray();
        s_panel->Create();
    }
    static void TearDownTestSuite() { s_panel.reset(); }

    void SetUp() override
    {
        ASSERT_NE(panel.m_hWnd, nullptr) << "the panel was not created";
        fake.Reset();
        // Links are the panel's own: each test starts unlinked.
        for (int link : {IDC_LINK_INPUT, IDC_LINK_OUTPUT})
            panel.Ask(link, BM_SETCHECK, BST_UNCHECKED);
        panel.DeviceChanged();
        Settle();
        // Nothing a previous test posted may reach this one.
        MSG msg;
        while (::PeekMessageW(&msg, panel.m_hWnd, WM_PNGSLIDER_CHANGED, WM_PNGSLIDER_CHANGE_END,
                              PM_REMOVE))
        {
        }
        Calls();
    }

    void Settle() { ASSERT_TRUE(panel.Settle()) << "the device thread did not settle"; }
    void Refresh()
    {
        panel.Refresh();
        Settle();
    }
    // Calls made by everything asked so far.
    std::vector<std::string> Calls()
    {
        Settle();
        return fake.TakeCalls();
    }

    // The request the mixer sends for a volume on (unit, channel).
    static std::string VolumeSet(int unit, int channel, int16_t volume)
    {
        char text[96];
        const auto bits = static_cast<uint16_t>(volume);
        snprintf(text, sizeof text, "Set(%d,0x01,2,%d,len=2,data=%02x%02x,timeout=500)", unit,
                 channel, bits & 0xFF, bits >> 8);
        return text;
    }

    static std::unique_ptr<TestPanel> s_panel;
    TestPanel& panel = *s_panel;
    // The channel model on its own, over a session of its own.
    DeviceSession session{fake.api(), SystemHidApi()};
    ChannelModel channels{session};
};

std::unique_ptr<TestPanel> Mixer::s_panel;
} // namespace

TEST(VolumeMapping, PositionsMirrorVolumesAndReadoutsTruncateTowardZero)
{
    EXPECT_EQ(PositionFromVolume(-22528, 0, 0), -22528);
    EXPECT_EQ(PositionFromVolume(-22528, 0, -22528), 0);
    EXPECT_EQ(VolumeFromPosition(-22528, 0, -22528), 0);
    EXPECT_EQ(VolumeFromPosition(-22528, 0, 0), -22528);
    EXPECT_EQ(VolumeFromPosition(-32768, 32767, -32768), 32767);
    EXPECT_EQ(VolumeFromPosition(0, 100, 500), -400);
    EXPECT_EQ(VolumeFromPosition(-32768, -32768, 32767), -32768) << "kept within 16 bits";
    const std::pair<int, const wchar_t*> readouts[] = {
        {-128, L"0"},  {-383, L"-1"}, {-384, L"-1"}, {-22528, L"-88"},
        {-256, L"-1"}, {255, L"0"},   {0, L"0"},     {512, L"2"}};
    for (auto [volume, text] : readouts)
        EXPECT_EQ(ReadoutText(volume), text) << volume;
}

TEST_F(Mixer, InputRangeIsFixedWhateverTheDriverSays)
{
    fake.inputChannels = {FakeUsbAudio::Channel(3, 7, -100, 100, 0),
                          FakeUsbAudio::Channel(3, 8, 5, 6, 0)};
    Refresh();
    for (int fader : {IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT})
        EXPECT_EQ(panel.Range(fader), std::make_pair(-22528, 0));
    ASSERT_EQ(session.Open(), 0u);
    channels.Load();
    const ChannelGroup& input = channels.m_inputChannels;
    EXPECT_EQ(input.count, 3u) << "two channels and the master record";
    EXPECT_EQ(input.records[1].featureUnitId, 14);
    EXPECT_EQ(input.records[2].channelNumber, 2);
    EXPECT_EQ(input.records[0].identifier, -1);
    EXPECT_EQ(input.records[0].controlFlags, 2u);
    EXPECT_EQ(input.records[0].featureUnitId, 14);
    EXPECT_EQ(input.records[0].channelNumber, 0);
    EXPECT_EQ(fake.CallsTo("GetChannelProperties"),
              (std::vector<std::string>{"GetChannelProperties(1,7)", "GetChannelProperties(0,7)",
                                        "GetChannelProperties(1,7)", "GetChannelProperties(0,7)"}));
}

TEST_F(Mixer, ReadoutsAndPositionsComeFromTheValuesRead)
{
    const std::pair<int16_t, const wchar_t*> cases[] = {
        {-128, L"0"}, {-383, L"-1"}, {-22528, L"-88"}, {-256, L"-1"}, {255, L"0"}};
    for (auto [volume, text] : cases)
    {
        fake.SetVolume(14, 1, volume);
        Refresh();
        EXPECT_EQ(panel.Text(IDC_LABEL_IN_LEFT), text) << volume;
    }
    // 255 lies above the input maximum: the fader stops at its top.
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), panel.Range(IDC_FADER_IN_LEFT).first);
    fake.SetVolume(14, 2, -22528);
    fake.SetVolume(15, 1, -24576);
    fake.SetVolume(15, 2, -32768);
    Refresh();
    EXPECT_EQ(panel.Position(IDC_FADER_IN_RIGHT), 0) << "the quietest volume sits at the bottom";
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_LEFT), 0);
    EXPECT_EQ(panel.Text(IDC_LABEL_OUT_LEFT), L"-96");
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_RIGHT), 0) << "below the minimum: at the bottom";
    EXPECT_EQ(panel.Text(IDC_LABEL_OUT_RIGHT), L"-128") << "the readout shows the value read";
}

TEST_F(Mixer, TopAndBottomOfAnInputFaderSendTheRangeEnds)
{
    // One at a time: a second move replaces the first while that still waits.
    panel.FaderMoved(IDC_FADER_IN_LEFT, -22528);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(14, 1, 0)}));
    panel.FaderMoved(IDC_FADER_IN_LEFT, 0);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(14, 1, -22528)}));
    EXPECT_EQ(panel.Text(IDC_LABEL_IN_LEFT), L"-88");
}

TEST_F(Mixer, OneChannelOutputGroupLeavesTheRightRecordEmpty)
{
    fake.outputChannels = {FakeUsbAudio::Channel(15, 1, -24576, 0)};
    Refresh();
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_RIGHT), std::make_pair(0, 0));
    Calls();
    panel.FaderMoved(IDC_FADER_OUT_RIGHT, 1234);
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_RIGHT), 0);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(0, 0, 0)}));
}

TEST_F(Mixer, OutputGroupWithoutVolumeControlKeepsThePreviousRanges)
{
    fake.outputChannels = {FakeUsbAudio::Channel(15, 1, -1000, 0, 0),
                           FakeUsbAudio::Channel(15, 2, -1000, 0, 0)};
    Refresh();
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_LEFT).first, -24576);
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_RIGHT).first, -24576);
}

TEST_F(Mixer, ReversedRangeFromTheDriverIsUsedTheRightWayRound)
{
    fake.outputChannels = {FakeUsbAudio::Channel(15, 1, 0, -6000),
                           FakeUsbAudio::Channel(15, 2, 0, -6000)};
    fake.SetVolume(15, 1, -3000);
    fake.SetVolume(15, 2, -1000);
    Refresh();
    Refresh();
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_LEFT).first, -6000);
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_LEFT).second, 0);
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_LEFT), -3000);
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_RIGHT), -5000);
    Calls();
    panel.FaderMoved(IDC_FADER_OUT_RIGHT, panel.Position(IDC_FADER_OUT_RIGHT));
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(15, 2, -1000)})) << "no drift";
}

TEST_F(Mixer, ChannelCountBeyondTheBufferIsClamped)
{
    fake.outputChannels.assign(9, FakeUsbAudio::Channel(15, 1, -1000, 0));
    fake.claimedChannelCount = 500;
    Refresh();
    ASSERT_EQ(session.Open(), 0u);
    channels.Load();
    EXPECT_EQ(channels.m_inputChannels.count, 8u) << "seven driver records and the master record";
    EXPECT_EQ(channels.m_outputChannels.count, 8u);
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_LEFT).first, -1000);
    fake.SetVolume(15, 1, -500);
    Refresh();
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_LEFT), -500);
}

TEST_F(Mixer, FailedChannelQueryLeavesTheGroupEmptyWhateverTheDriverWrote)
{
    fake.fillBeforeFailing = true;
    fake.Fail("GetChannelProperties(output)", 0xE0000001);
    Refresh();
    ASSERT_EQ(session.Open(), 0u);
    channels.Load();
    EXPECT_EQ(channels.m_outputChannels.count, 0u);
    EXPECT_EQ(channels.m_outputChannels.records[1].featureUnitId, 0);
    EXPECT_EQ(panel.Range(IDC_FADER_OUT_LEFT).first, -24576) << "the previous range stays";
    EXPECT_EQ(channels.m_inputChannels.count, 3u);
    Calls();
    panel.FaderMoved(IDC_FADER_OUT_LEFT, -24576);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(0, 0, 0)}));
}

TEST_F(Mixer, TheDeviceDoesNotMoveAFaderTheUserHoldsOrHasJustMoved)
{
    panel.Press(IDC_FADER_IN_LEFT);
    const int shown = panel.Position(IDC_FADER_IN_LEFT);
    fake.SetVolume(14, 1, -5120);
    fake.Notify(3);
    Settle();
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), shown) << "held by the mouse";
    // A release whose message waits in the queue behind the device's news wins.
    fake.SetVolume(14, 1, -5120);
    panel.Refresh();
    ASSERT_TRUE(panel.DeviceDone());
    panel.Release(IDC_FADER_IN_LEFT);
    Settle();
    EXPECT_EQ(fake.Volume(14, 1), -22528 - shown);
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), shown);
}

TEST_F(Mixer, FailedReadsShowZeroVolumeAndAnUnmutedButton)
{
    fake.SetByte(14, 1, 1);
    fake.Fail("Get(14,1)", 0xE0000001);
    fake.Fail("Get(15,2)", 0xE0000001);
    Refresh();
    EXPECT_FALSE(panel.Checked(IDC_MUTE_INPUT))
        << "a failed mute read shows untoggled even if muted";
    EXPECT_EQ(panel.Text(IDC_LABEL_OUT_LEFT), L"0");
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_LEFT), -24576) << "the position of 0 dB";
    fake.ClearFailures();
    Refresh();
    EXPECT_TRUE(panel.Checked(IDC_MUTE_INPUT));
}

TEST_F(Mixer, WithoutADeviceReadsChangeNothingAndMovesStillShow)
{
    fake.deviceCount = 0;
    panel.DeviceChanged();
    fake.SetVolume(14, 1, -10240);
    Refresh();
    EXPECT_EQ(panel.Text(IDC_LABEL_IN_LEFT), L"-10") << "unchanged";
    for (const std::string& call : Calls())
        EXPECT_NE(call.rfind("Get(", 0), 0u) << call;
    panel.FaderMoved(IDC_FADER_IN_LEFT, -20480);
    EXPECT_EQ(panel.Text(IDC_LABEL_IN_LEFT), L"-8");
    // Without a device the channels are undescribed; the driver refuses the request.
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(0, 0, -2048)}));
}

TEST_F(Mixer, UnlinkedMoveSendsOnlyTheMovedChannel)
{
    panel.FaderMoved(IDC_FADER_IN_RIGHT, -1000);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(14, 2, -21528)}));
}

TEST_F(Mixer, LinkedMoveTakesThePartnerAlongByPositionWithoutEcho)
{
    panel.Click(IDC_LINK_OUTPUT);
    panel.FaderMoved(IDC_FADER_OUT_RIGHT, -4000);
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_LEFT), -4000);
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{VolumeSet(15, 2, -20576), VolumeSet(15, 1, -20576)}));
    // The partner takes the message's position, clamped in its own range.
    panel.FaderMoved(IDC_FADER_OUT_LEFT, 99999);
    EXPECT_EQ(panel.Position(IDC_FADER_OUT_RIGHT), 0);
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, panel.m_hWnd, WM_PNGSLIDER_CHANGED, WM_PNGSLIDER_CHANGED,
                                PM_NOREMOVE));
}

TEST_F(Mixer, ResetRequestPutsTheFaderAtTheTopBeforeSending)
{
    panel.FaderMoved(IDC_FADER_IN_LEFT, -20000);
    Calls();
    panel.Press(IDC_FADER_IN_LEFT, MK_LBUTTON | MK_CONTROL);
    panel.Release(IDC_FADER_IN_LEFT);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(14, 1, 0)}));
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), -22528);
    EXPECT_EQ(panel.Text(IDC_LABEL_IN_LEFT), L"0");
    panel.FaderMoved(IDC_FADER_IN_LEFT, -20000);
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), -20000) << "one reset per Ctrl+click";
}

TEST_F(Mixer, ResetOfALinkedFaderTakesThePartnerToTheTopToo)
{
    // A quick Ctrl+click posts one message, carrying the position before the reset.
    panel.Click(IDC_LINK_INPUT);
    panel.FaderMoved(IDC_FADER_IN_RIGHT, -20000);
    Calls();
    panel.Press(IDC_FADER_IN_RIGHT, MK_LBUTTON | MK_CONTROL);
    panel.Release(IDC_FADER_IN_RIGHT);
    EXPECT_EQ(Calls(), (std::vector<std::string>{VolumeSet(14, 2, 0), VolumeSet(14, 1, 0)}));
    EXPECT_EQ(panel.Position(IDC_FADER_IN_LEFT), -22528);
}

TEST_F(Mixer, MessagesFromUnknownIdsAreIgnored)
{
    panel.FaderMoved(IDC_SAMPLE_RATE, 0);
    panel.FaderMoved(4242, 0);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Mixer, EachMuteClickSendsOneRequestWithTheNewState)
{
    panel.Click(IDC_MUTE_INPUT);
    panel.Click(IDC_MUTE_OUTPUT);
    panel.Click(IDC_MUTE_OUTPUT);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"Set(14,0x01,1,0,len=1,data=01,timeout=500)",
                                                 "Set(15,0x01,1,0,len=1,data=01,timeout=500)",
                                                 "Set(15,0x01,1,0,len=1,data=00,timeout=500)"}));
}
