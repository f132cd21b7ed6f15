#include "core/DeviceSettings.h"
#include "core/PresetApply.h"
#include "core/PresetStore.h"
#include "core/TextEncoding.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/ScratchFolder.h"
#include <gtest/gtest.h>
#include <fstream>

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

    std::vector<std::string> Changes() { return fake.TakeChanges(); }

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

// Text as Notepad saves it in "Unicode" and "Unicode big endian".
std::string Utf16(std::string_view text, bool little)
{
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : text)
        bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

// Preset files as users write them by hand, loaded from the folder and
// applied: what the user is told, and what reaches the device.
TEST_F(ApplyOnFake, HandWrittenFilesLoadAsWindowsReadsThem)
{
    const std::string text = "[preset]\r\nrate = 44100\r\ninput = analog\r\n";
    const std::vector<std::string> sent = {"SetSampleRate(44100)", "Set(11,0x01,0,0,len=1,data=01"};
    const struct
    {
        const char* name;
        std::string bytes;
        std::vector<std::string> problems;
        std::vector<Notice> notices;
        std::vector<std::string> calls;
    } cases[] = {
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + text, {}, {}, sent},
        {"UTF-16LE", Utf16(text, true), {}, {}, sent},
        {"UTF-16BE", Utf16(text, false), {}, {}, sent},
        {"LF, no spaces, no last line end", "[preset]\nrate=44100\ninput=analog", {}, {}, sent},
        {"CR", "[preset]\rrate = 44100\rinput = analog\r", {}, {}, sent},
        {"any case",
         "[ Preset ]\r\nRATE = 44100\r\nInput = ANALOG\r\nOutput_Mute = Yes\r\n",
         {},
         {},
         {sent[0], sent[1], "Set(15,0x01,1,0,len=1,data=01"}},
        {"a key given twice",
         text + "Rate = 96000\r\n",
         {"Case.ini, line 4, Rate: given before on line 2, so \"96000\" is ignored"},
         {},
         sent},
        {"an unknown key",
         text + "mood = calm\r\n",
         {},
         {{Notice::Kind::Note,
           L"Case.ini: keys this program does not know are ignored: mood (line 4)"}},
         sent},
        {"nothing to apply",
         "[preset]\r\nmood = calm\r\n[other]\r\nrate = 44100\r\n",
         {},
         {{Notice::Kind::Note,
           L"Case.ini: keys this program does not know are ignored: mood (line 2)"},
          {Notice::Kind::Error, L"\"Case\" has no setting this program knows."}},
         {}},
        {"a file of something else",
         "a=1\nb=2\nc=3\nd=4\ne=5\nf=6\ng=7\n",
         {},
         {{Notice::Kind::Note, L"Case.ini: keys this program does not know are ignored: a (line "
                               L"1), b (line 2), c (line 3), d (line 4), e (line 5) and 2 more"},
          {Notice::Kind::Error, L"\"Case\" has no setting this program knows."}},
         {}},
    };
    ScratchFolder folder(L"kv58-hand-written-presets");
    std::filesystem::create_directories(folder.Path());
    const PresetStore store(folder.Path());
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::ofstream(folder.Path() / L"Case.ini", std::ios::binary) << c.bytes;
        PresetReading reading;
        ASSERT_EQ(store.Load(L"Case", reading), std::nullopt);
        EXPECT_EQ(reading.problems, c.problems);
        EXPECT_EQ(reading.notices, c.notices);
        ApplyPreset(session, channels, reading.preset);
        EXPECT_EQ(Changes(), c.calls);
    }
}

TEST_F(ApplyOnFake, AFileWrittenByTheWindowsProfileApiApplies)
{
    ScratchFolder folder(L"kv58-profile-preset");
    std::filesystem::create_directories(folder.Path());
    const std::wstring path = (folder.Path() / L"Profile.ini").wstring();
    for (const auto& [key, value] :
         {std::pair{L"Rate", L"96000"}, {L"input", L"spdif"}, {L"output_mute", L"on"}})
        ASSERT_TRUE(::WritePrivateProfileStringW(L"Preset", key, value, path.c_str()));
    PresetReading reading;
    ASSERT_EQ(PresetStore(folder.Path()).Load(L"Profile", reading), std::nullopt);
    EXPECT_TRUE(reading.problems.empty());
    EXPECT_TRUE(reading.notices.empty());
    ApplyPreset(session, channels, reading.preset);
    EXPECT_EQ(Changes(),
              (std::vector<std::string>{"SetSampleRate(96000)", "Set(11,0x01,0,0,len=1,data=02",
                                        "Set(15,0x01,1,0,len=1,data=01"}));
}
} // namespace
