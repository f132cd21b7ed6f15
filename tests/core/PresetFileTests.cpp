#include "core/Decibels.h"
#include "core/Preset.h"
#include "core/PresetStore.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

namespace
{
TEST(Decibels, KeepEveryStepExactly)
{
    const struct
    {
        int volume;
        const char* text;
    } cases[] = {
        {0, "0"},        {-3200, "-12.5"}, {-1, "-0.00390625"},     {1536, "6"},
        {-22528, "-88"}, {-32768, "-128"}, {32767, "127.99609375"}, {-3201, "-12.50390625"}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(DecibelText(c.volume), c.text);
        EXPECT_EQ(ParseDecibels(c.text), c.volume) << c.text;
    }
    EXPECT_EQ(ParseDecibels("+3"), 768);
    // Between steps, the nearest one, not the one toward zero; 1000 dB either way at most.
    const std::pair<const char*, int> unstepped[] = {
        {"-0.001", 0}, {"-12.499", -3200}, {"0.003", 1}, {"-1000", -256000}, {"1000", 256000}};
    for (const auto& [text, volume] : unstepped)
        EXPECT_EQ(ParseDecibels(text), volume) << text;
    for (const char* bad : {"", "-", ".", "1e3", "0x10", "inf", "nan", "3 ", "1.2.3", "--1", "2000",
                            "-1000.01", "1000.01"})
        EXPECT_EQ(ParseDecibels(bad), std::nullopt) << bad;
}

Preset FullPreset()
{
    Preset preset;
    preset.rate = 44100;
    preset.streamingModeMs = 1;
    preset.asioBuffer = 64;
    preset.inputSource = 1;
    preset.levels[Preset::InputLeft] = -3201;
    preset.levels[Preset::InputRight] = -1;
    preset.levels[Preset::OutputLeft] = 0;
    preset.levels[Preset::OutputRight] = -22528;
    preset.mutes[Preset::Input] = true;
    preset.mutes[Preset::Output] = false;
    preset.links[Preset::Input] = false;
    preset.links[Preset::Output] = true;
    return preset;
}

void ExpectSame(const Preset& a, const Preset& b)
{
    EXPECT_EQ(a.rate, b.rate);
    EXPECT_EQ(a.streamingModeMs, b.streamingModeMs);
    EXPECT_EQ(a.asioBuffer, b.asioBuffer);
    EXPECT_EQ(a.inputSource, b.inputSource);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a.levels[i], b.levels[i]) << "level " << i;
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(a.mutes[i], b.mutes[i]) << "mute " << i;
        EXPECT_EQ(a.links[i], b.links[i]) << "link " << i;
    }
}

TEST(PresetFile, RoundTripKeepsEverySetting)
{
    const PresetReading reading =
        ParsePreset(FormatPreset(FullPreset()), "Recording.ini", L"Recording");
    EXPECT_TRUE(reading.problems.empty());
    EXPECT_TRUE(reading.notices.empty());
    ExpectSame(reading.preset, FullPreset());
    // Only what a preset holds is written, with the line ends Notepad shows.
    Preset some;
    some.rate = 44100;
    some.mutes[Preset::Input] = true;
    EXPECT_EQ(FormatPreset(some), "[preset]\r\nrate = 44100\r\ninput_mute = on\r\n");
}

TEST(PresetFile, ReadsWhatItCanAndNamesWhatItCannot)
{
    const char text[] = "; by hand\r\n"
                        "[preset]\r\n"
                        "rate = 96000\r\n"
                        "colour = red\r\n"
                        "streaming_mode_ms = 3\r\n"
                        "asio_buffer=0\r\n"
                        "input = usb\r\n"
                        "input_left_db = loud\r\n"
                        "input_right_db = -200\r\n"
                        "output_left_db = -6.25\r\n"
                        "input_mute = maybe\r\n"
                        "output_link = on\r\n"
                        "just words\r\n"
                        "rate = fast\r\n"
                        "= 5\r\n"
                        "[other]\r\n"
                        "output_mute = nonsense\r\n";
    const PresetReading reading = ParsePreset(text, "Mixing.ini", L"Mixing");
    const std::vector<std::string> expected = {
        "Mixing.ini, line 5, streaming_mode_ms: \"3\" is not 1, 2, 4, 8, 16 or 32",
        "Mixing.ini, line 6, asio_buffer: \"0\" is not a number of samples",
        "Mixing.ini, line 7, input: \"usb\" is not spdif or analog",
        "Mixing.ini, line 8, input_left_db: \"loud\" is not a level from -128 to 127.99609375 dB",
        "Mixing.ini, line 9, input_right_db: \"-200\" is not a level from -128 to 127.99609375 dB",
        "Mixing.ini, line 11, input_mute: \"maybe\" is not on or off",
        "Mixing.ini, line 13: not a \"key = value\" line",
        "Mixing.ini, line 14, rate: given before on line 3, so \"fast\" is ignored",
        "Mixing.ini, line 15: not a \"key = value\" line",
    };
    EXPECT_EQ(reading.problems, expected);
    EXPECT_EQ(reading.notices,
              (std::vector<Notice>{{Notice::Kind::Note,
                                    L"Mixing.ini: keys this program does not know are ignored: "
                                    L"colour (line 4)"}}));
    // The malformed ones change nothing, not even an earlier good value.
    Preset read;
    read.rate = 96000;
    read.levels[Preset::OutputLeft] = -1600;
    read.links[Preset::Output] = true;
    ExpectSame(reading.preset, read);
}

class PresetFolder : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_folder = std::filesystem::path(temp) / L"kv58-preset-tests";
        std::filesystem::remove_all(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder;
};

TEST_F(PresetFolder, SavesListsLoadsAndDeletes)
{
    const PresetStore store(m_folder);
    EXPECT_TRUE(store.List().empty()) << "no folder yet is no presets";
    EXPECT_EQ(store.Save(L"Mixing", Preset{}), std::nullopt);
    EXPECT_EQ(store.Save(L"recording \u00e9", FullPreset()), std::nullopt);
    std::ofstream(m_folder / L"notes.txt") << "not a preset";
    EXPECT_EQ(store.List(), (std::vector<std::wstring>{L"Mixing", L"recording \u00e9"}));

    PresetReading reading;
    EXPECT_EQ(store.Load(L"recording \u00e9", reading), std::nullopt);
    ExpectSame(reading.preset, FullPreset());
    // Saving again replaces the whole file.
    EXPECT_EQ(store.Save(L"recording \u00e9", Preset{}), std::nullopt);
    EXPECT_EQ(store.Load(L"recording \u00e9", reading), std::nullopt);
    ExpectSame(reading.preset, Preset{});

    EXPECT_EQ(store.Delete(L"Mixing"), std::nullopt);
    EXPECT_EQ(store.Delete(L"Mixing"), "There is no preset \"Mixing\".");
    EXPECT_EQ(store.Load(L"Mixing", reading), "There is no preset \"Mixing\".");
    EXPECT_EQ(store.List(), std::vector<std::wstring>{L"recording \u00e9"});
}

// Another program holds the preset open without letting it be deleted: the
// file can still be written, but not replaced.
TEST_F(PresetFolder, ASaveThatCannotReplaceTheFileLeavesTheOldOneWhole)
{
    const PresetStore store(m_folder);
    ASSERT_EQ(store.Save(L"Mixing", FullPreset()), std::nullopt);
    const std::filesystem::path path = m_folder / L"Mixing.ini";
    const std::unique_ptr<void, decltype(&::CloseHandle)> held(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr),
        &::CloseHandle);
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(store.Save(L"Mixing", Preset{}), "Cannot write " + path.string() + ".");

    PresetReading reading;
    EXPECT_EQ(store.Load(L"Mixing", reading), std::nullopt);
    ExpectSame(reading.preset, FullPreset());
    std::vector<std::filesystem::path> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::filesystem::path>{L"Mixing.ini"}) << "no temporary file";
}

TEST_F(PresetFolder, RefusesNamesAFileCannotHave)
{
    const PresetStore store(m_folder);
    for (const wchar_t* name : {L"", L"a/b", L"a\\b", L"c:d", L"what?", L"star*", L"\"q\"", L"<x>",
                                L"a|b", L"tab\tname", L"dot.", L" lead", L"CON", L"com1", L"Lpt9"})
    {
        EXPECT_FALSE(PresetStore::NameProblem(name).empty()) << testing::PrintToString(name);
        EXPECT_TRUE(store.Save(name, Preset{})) << testing::PrintToString(name);
    }
    EXPECT_EQ(PresetStore::NameProblem(L"a/b"),
              "A preset name cannot contain any of these characters: \\ / : * ? \" < > |");
    EXPECT_TRUE(store.List().empty()) << "nothing was written";
    for (const wchar_t* name : {L"Recording 1 ms", L"mix.v2", L"CONSOLE", L"\u00e9t\u00e9"})
        EXPECT_EQ(PresetStore::NameProblem(name), "") << testing::PrintToString(name);
}

// Saved presets are ordinary .ini files: Windows' own profile API reads every
// value back.
TEST_F(PresetFolder, WindowsProfileApiReadsEveryValue)
{
    const PresetStore store(m_folder);
    ASSERT_EQ(store.Save(L"Recording", FullPreset()), std::nullopt);
    const std::wstring path = (m_folder / L"Recording.ini").wstring();
    const struct
    {
        const wchar_t* key;
        const wchar_t* value;
    } values[] = {
        {L"rate", L"44100"},
        {L"streaming_mode_ms", L"1"},
        {L"asio_buffer", L"64"},
        {L"input", L"analog"},
        {L"input_left_db", L"-12.50390625"},
        {L"input_right_db", L"-0.00390625"},
        {L"output_left_db", L"0"},
        {L"output_right_db", L"-88"},
        {L"input_mute", L"on"},
        {L"output_mute", L"off"},
        {L"input_link", L"off"},
        {L"output_link", L"on"},
    };
    for (const auto& v : values)
    {
        wchar_t read[64] = L"";
        ::GetPrivateProfileStringW(L"PRESET", v.key, L"(none)", read, 64, path.c_str());
        EXPECT_EQ(std::wstring(read), v.value) << testing::PrintToString(v.key);
    }
}
} // namespace
