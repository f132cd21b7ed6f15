#include "PanelFixture.h"
#include "core/DeviceResult.h"
#include "tests/support/ScratchFolder.h"
#include <filesystem>
#include <fstream>

// Saving and applying presets in the panel: what the user is asked and told.
namespace
{
class PanelPresets : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        panel->m_presets = PresetStore(m_folder);
    }

    std::string File(const wchar_t* name) const
    {
        std::string text;
        std::getline(std::ifstream(m_folder / name, std::ios::binary), text, '\0');
        return text;
    }

    ScratchFolder m_scratch{L"kv58-panel-presets"};
    const std::filesystem::path& m_folder = m_scratch.Path();
};
} // namespace

TEST_F(PanelPresets, SavingRefusesBadNamesAndAsksBeforeReplacing)
{
    EXPECT_FALSE(panel->SavePresetAs(L"a/b"));
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text,
              L"A preset name cannot contain any of these characters: \\ / : * ? \" < > |");

    panel->m_btnLink2.SetToggled(true);
    EXPECT_TRUE(panel->SavePresetAs(L"Mix"));
    EXPECT_NE(File(L"Mix.ini").find("output_link = on\r\n"), std::string::npos) << File(L"Mix.ini");

    // The recorded box answers IDOK, which is not a yes: the file stays.
    panel->boxes.clear();
    fake.SetVolume(15, 1, -256);
    const std::string before = File(L"Mix.ini");
    EXPECT_FALSE(panel->SavePresetAs(L"Mix"));
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, L"A preset named \"Mix\" exists already. Replace it?");
    EXPECT_EQ(panel->boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(File(L"Mix.ini"), before);
    panel->m_btnLink2.SetToggled(false);
}

TEST_F(PanelPresets, ApplyingReportsARefusalOnceAndSetsTheLinks)
{
    std::filesystem::create_directories(m_folder);
    std::ofstream(m_folder / L"Busy.ini") << "rate = 44100\nstreaming_mode_ms = 2\ninput = analog\n"
                                             "input_link = on\nvolume = 11\n";
    fake.Fail("SetSampleRate", kStatusAsioInUse);
    fake.Fail("SetUsbStreamingMode", kStatusAsioInUse);
    panel->ApplyPresetNamed(L"Busy");
    Settle();
    ASSERT_EQ(panel->boxes.size(), 3u);
    EXPECT_EQ(panel->boxes[0].text,
              L"Busy.ini: keys this program does not know are ignored: volume (line 5)");
    EXPECT_EQ(panel->boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(panel->boxes[1].text, kAsioInUseText);
    EXPECT_EQ(panel->boxes[2].text.rfind(L"Not applied:\r\nrate 44100 Hz: ", 0), 0u);
    EXPECT_EQ(fake.Byte(11, 0), 1) << "the input still changed";
    EXPECT_TRUE(panel->m_btnLink1.m_toggled);
    panel->m_btnLink1.SetToggled(false);

    panel->boxes.clear();
    panel->ApplyPresetNamed(L"Missing");
    Settle();
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, L"There is no preset \"Missing\".");
}

TEST_F(PanelPresets, APresetWithNothingToApplyIsAnError)
{
    std::filesystem::create_directories(m_folder);
    std::ofstream(m_folder / L"Other.ini") << "[mixer]\nrate = 44100\n";
    fake.TakeCalls();
    panel->ApplyPresetNamed(L"Other");
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, L"\"Other\" has no setting this program knows.");
    EXPECT_EQ(panel->boxes[0].style & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    for (const std::string& call : fake.TakeCalls())
        EXPECT_NE(call.rfind("Set", 0), 0u) << call;
}
