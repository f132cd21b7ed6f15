#include "PanelFixture.h"
#include "core/DeviceResult.h"
#include "tests/support/ScratchFolder.h"
#include <filesystem>
#include <fstream>
#include <optional>

// Saving and applying presets in the panel: what the user is asked and told.
namespace
{
// The name the tray's save dialog is given, when it appears.
const wchar_t* g_saveName = nullptr;

BOOL CALLBACK EnterNameInto(HWND window, LPARAM)
{
    if (!::IsWindowVisible(window) || !::GetDlgItem(window, IDC_PRESET_NAME))
        return TRUE;
    ::SetDlgItemTextW(window, IDC_PRESET_NAME, g_saveName);
    ::SendMessageW(window, WM_COMMAND, IDOK, 0);
    // A refused name leaves the dialog open for another; this user gives up.
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    g_saveName = nullptr;
    return FALSE;
}

void CALLBACK EnterName(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &EnterNameInto, 0);
    if (!g_saveName)
        ::KillTimer(nullptr, timer);
}

class PanelPresets : public PanelTest
{
protected:
    // The panel takes its presets from the user's application data.
    static void SetUpTestSuite()
    {
        s_appData = std::make_unique<ScratchAppData>(L"kv58-panel-presets-in-process");
        PanelTest::SetUpTestSuite();
    }
    static void TearDownTestSuite()
    {
        PanelTest::TearDownTestSuite();
        s_appData.reset();
    }
    void SetUp() override
    {
        PanelTest::SetUp();
        std::filesystem::remove_all(m_folder);
    }

    std::string File(const wchar_t* name) const
    {
        std::string text;
        std::getline(std::ifstream(m_folder / name, std::ios::binary), text, '\0');
        return text;
    }
    // Save current settings as… from the tray menu, naming the preset.
    void SaveAs(const wchar_t* name) const
    {
        g_saveName = name;
        ASSERT_NE(::SetTimer(nullptr, 0, 20, &EnterName), 0u);
        ::SendMessageW(panel->m_hWnd, WM_COMMAND, ID_TRAY_PRESET_SAVE, 0);
        ASSERT_EQ(g_saveName, nullptr) << "the name dialog did not appear";
    }
    // What another start of the program with -preset NAME hands over.
    void Apply(const std::wstring& name) const
    {
        COPYDATASTRUCT data{kPresetCopyData, static_cast<DWORD>(name.size() * sizeof(wchar_t)),
                            const_cast<wchar_t*>(name.data())};
        ::SendMessageW(panel->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    void Unlink() const
    {
        for (int link : {IDC_LINK_INPUT, IDC_LINK_OUTPUT})
            panel->Ask(link, BM_SETCHECK, BST_UNCHECKED);
    }

    static inline std::unique_ptr<ScratchAppData> s_appData;
    const std::filesystem::path m_folder = s_appData->Presets();
};
} // namespace

// The name dialog's refusals and questions are seen end to end; here, what
// only the panel knows goes into the file: its links.
TEST_F(PanelPresets, SavingTakesThePanelsLinks)
{
    panel->Click(IDC_LINK_OUTPUT);
    SaveAs(L"Mix");
    const std::string file = File(L"Mix.ini");
    EXPECT_NE(file.find("input_link = off\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("output_link = on\r\n"), std::string::npos) << file;
    Unlink();
}

TEST_F(PanelPresets, ApplyingReportsARefusalOnceAndSetsTheLinks)
{
    std::filesystem::create_directories(m_folder);
    std::ofstream(m_folder / L"Busy.ini") << "rate = 44100\nstreaming_mode_ms = 2\ninput = analog\n"
                                             "input_link = on\nvolume = 11\n";
    fake.Fail("SetSampleRate", kStatusAsioInUse);
    fake.Fail("SetUsbStreamingMode", kStatusAsioInUse);
    Apply(L"Busy");
    Settle();
    ASSERT_EQ(panel->boxes.size(), 3u);
    EXPECT_EQ(panel->boxes[0].text,
              L"Busy.ini: keys this program does not know are ignored: volume (line 5)");
    EXPECT_EQ(panel->boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(panel->boxes[1].text, kAsioInUseText);
    EXPECT_EQ(panel->boxes[2].text.rfind(L"Not applied:\r\nrate 44100 Hz: ", 0), 0u);
    EXPECT_EQ(fake.Byte(11, 0), 1) << "the input still changed";
    EXPECT_TRUE(panel->Checked(IDC_LINK_INPUT));
    Unlink();

    panel->boxes.clear();
    Apply(L"Missing");
    Settle();
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, L"There is no preset \"Missing\".");
}

TEST_F(PanelPresets, APresetWithNothingToApplyIsAnErrorOneWithOnlyLinksIsNot)
{
    const struct
    {
        const wchar_t* name;
        const char* text;
        std::vector<std::wstring> boxes;
        bool outputLinked;
    } cases[] = {
        {L"Other", "[mixer]\nrate = 44100\n", {L"\"Other\" has no setting this program knows."}, false},
        {L"Linked", "output_link = on\n", {}, true},
    };
    std::filesystem::create_directories(m_folder);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        std::ofstream(m_folder / (std::wstring(c.name) + L".ini")) << c.text;
        panel->boxes.clear();
        fake.TakeCalls();
        Apply(c.name);
        Settle();
        std::vector<std::wstring> shown;
        for (const ShownBox& box : panel->boxes)
        {
            shown.push_back(box.text);
            EXPECT_EQ(box.style & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        }
        EXPECT_EQ(shown, c.boxes);
        EXPECT_EQ(panel->Checked(IDC_LINK_OUTPUT), c.outputLinked);
        for (const std::string& call : fake.TakeCalls())
            EXPECT_NE(call.rfind("Set", 0), 0u) << call;
        Unlink();
    }
}
