#include "core/DeviceSettings.h"
#include "core/PresetApply.h"
#include "core/TextEncoding.h"
#include "tests/support/FakeUsbAudio.h"
#include <gtest/gtest.h>

// Presets applied through the core on the fake driver: the order of the
// steps, and a refused step reported without stopping the others.
namespace
{
class ApplyOnFake : public testing::Test
{
protected:
    void SetUp() override
    {
        fake.Reset();
        ASSERT_EQ(session.Open(), 0u);
        fake.TakeCalls();
    }

    // The calls that change the device, in order.
    std::vector<std::string> Changes()
    {
        std::vector<std::string> changes;
        for (const std::string& call : fake.TakeCalls())
            if (call.rfind("Set", 0) == 0)
                changes.push_back(call.substr(0, call.find(",timeout")));
        return changes;
    }

    FakeUsbAudio& fake = FakeUsbAudio::Instance();
    DeviceSession session{fake.api(), SystemHidApi()};
    ChannelModel channels{session};
};

Preset Recording()
{
    Preset preset;
    preset.rate = 44100;
    preset.streamingModeMs = 1;
    preset.asioBuffer = 64;
    preset.inputSource = kAnalogIn;
    preset.levels[Preset::InputLeft] = -3200;
    preset.levels[Preset::OutputRight] = 2560; // above the channel's 0 dB
    preset.mutes[Preset::Output] = true;
    return preset;
}

TEST_F(ApplyOnFake, AppliesInOrder)
{
    fake.minimumAsioBufferSize = 64;
    const PresetOutcome outcome = ApplyPreset(session, channels, Recording());
    const std::vector<std::string> expected = {
        "SetSampleRate(44100)",
        "SetUsbStreamingMode(1)",
        "SetASIOBufferSize(64)",
        "Set(11,0x01,0,0,len=1,data=01",
        "Set(14,0x01,2,1,len=2,data=80f3",
        "Set(15,0x01,2,2,len=2,data=0000",
        "Set(15,0x01,1,0,len=1,data=01",
    };
    EXPECT_EQ(Changes(), expected);
    EXPECT_TRUE(outcome.notApplied.empty());
    EXPECT_EQ(outcome.applied.size(), 7u);
    EXPECT_EQ(outcome.applied[5], "output right level 10 dB (kept to 0 dB)");
    EXPECT_TRUE(outcome.notices.empty());
}

TEST_F(ApplyOnFake, RefusedStepsAreReportedOnceAndTheRestRuns)
{
    fake.Fail("SetSampleRate", kStatusSoundDeviceInUse);
    fake.Fail("SetUsbStreamingMode", kStatusSoundDeviceInUse);
    fake.minimumAsioBufferSize = 256;
    Preset preset = Recording();
    preset.rate = 22050;
    PresetOutcome outcome = ApplyPreset(session, channels, preset);
    EXPECT_EQ(outcome.notApplied,
              (std::vector<std::string>{"rate 22050 Hz: the device does not list this rate",
                                        "streaming mode 1 ms: " + OneLine(kSoundDeviceInUseText)}));
    EXPECT_EQ(outcome.applied.front(), "ASIO buffer 64 samples");
    EXPECT_EQ(outcome.applied.size(), 5u);
    EXPECT_EQ(outcome.notices,
              (std::vector<Notice>{{Notice::Kind::Busy, kSoundDeviceInUseText},
                                   {Notice::Kind::Warning, AsioBufferTooSmallText(48000)}}));

    preset.rate = 44100;
    outcome = ApplyPreset(session, channels, preset);
    EXPECT_EQ(outcome.notApplied.size(), 2u);
    EXPECT_EQ(outcome.notices.front().text, kSoundDeviceInUseText) << "the same words only once";
    EXPECT_EQ(outcome.notices.size(), 2u);
}

TEST_F(ApplyOnFake, CaptureReadsWhatApplyWrites)
{
    ApplyPreset(session, channels, Recording());
    const Preset captured = CapturePreset(session, channels);
    EXPECT_EQ(captured.rate, 44100u);
    EXPECT_EQ(captured.streamingModeMs, 1u);
    EXPECT_EQ(captured.asioBuffer, 64u);
    EXPECT_EQ(captured.inputSource, kAnalogIn);
    EXPECT_EQ(captured.levels[Preset::InputLeft], -3200);
    EXPECT_EQ(captured.levels[Preset::OutputRight], 0);
    EXPECT_EQ(captured.mutes[Preset::Output], true);
    EXPECT_EQ(captured.mutes[Preset::Input], false);
    EXPECT_FALSE(captured.links[Preset::Input]) << "the panel adds its links";
}
} // namespace
