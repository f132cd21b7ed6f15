#include "RunningPanel.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SimulatorTool.h"
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

namespace
{
// Wine's own tray window, moved clear of the panel (both open at the top
// left) while the object lives.
class TrayWindowMoved
{
public:
    explicit TrayWindowMoved(HWND icon) : m_tray(::GetAncestor(icon, GA_ROOT))
    {
        ::GetWindowRect(m_tray, &m_was);
        const int top = ::GetSystemMetrics(SM_CYSCREEN) - (m_was.bottom - m_was.top);
        ::SetWindowPos(m_tray, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ~TrayWindowMoved()
    {
        ::SetWindowPos(m_tray, nullptr, m_was.left, m_was.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    TrayWindowMoved(const TrayWindowMoved&) = delete;
    TrayWindowMoved& operator=(const TrayWindowMoved&) = delete;

private:
    HWND m_tray;
    RECT m_was{};
};

std::map<std::string, std::string> ReadPresetFile(const std::filesystem::path& path)
{
    std::map<std::string, std::string> keys;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        if (const size_t equals = line.find(" = "); equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 3);
    return keys;
}

class PanelPresets : public RunningPanel
{
protected:
    void TearDown() override
    {
        RunningPanel::TearDown();
        m_trayMoved.reset();
    }

    // Opens the tray menu with a real right click on the panel's icon.
    HWND RightClickTrayIcon(HWND panel)
    {
        HWND icon = nullptr;
        const std::wstring tooltip = WindowText(panel) + L" Control Panel";
        if (!WaitFor([&] { return (icon = TrayIconWindow(tooltip)) != nullptr; }))
            return nullptr;
        if (!m_trayMoved)
            m_trayMoved.emplace(icon);
        RECT place{};
        ::GetWindowRect(icon, &place);
        const POINT centre{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
        // The X focus on the panel: the keys for its menu then reach it.
        KeysInto(panel);
        // Straight onto the icon and pressed at once: a pointer resting there
        // brings up the icon's tooltip, which takes the press.
        const std::string click = "xdotool mousemove 700 700 mousemove --sync " +
                                  std::to_string(centre.x) + " " + std::to_string(centre.y) +
                                  " click 3";
        HWND menu = nullptr;
        for (int tries = 0; tries < 3 && !menu; ++tries)
            if (RunXdotool(click))
                WaitFor([&] { return (menu = FindPopupMenu(m_process.Id())) != nullptr; }, 2000);
        return menu;
    }

    // The name dialog, opened from the tray with real input.
    HWND OpenSaveDialog(HWND panel)
    {
        HWND dialog = nullptr;
        HWND menu = RightClickTrayIcon(panel);
        if (menu && RunXdotool("xdotool key p s"))
            WaitFor([&] { return (dialog = FindOwnedPopup(panel)) != nullptr; });
        return dialog;
    }

    // Types a name into the dialog's box with real keys and presses Enter
    // once the box holds it: under load the first keys after the X focus
    // moves can go astray, so the name is typed again until it is there.
    static bool EnterName(HWND dialog, const std::string& keys, const std::wstring& name)
    {
        HWND box = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        for (int tries = 0; box && tries < 3; ++tries)
            if (KeysInto(dialog, "ctrl+a " + keys) &&
                WaitFor([&] { return RemoteWindowText(box) == name; }, 2000))
                return KeysInto(dialog, "Return");
        return false;
    }

    // Answers the message box that the dialog shows with real keys, once it
    // says what is expected and holds the dialog still; returns when the
    // panel has done what followed.
    static void AnswerBox(HWND dialog, const wchar_t* says, const char* keys)
    {
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindOwnedPopup(dialog)) != nullptr; })) << keys;
        EXPECT_NE(BoxText(box).find(says), std::wstring::npos)
            << "shown: " << testing::PrintToString(BoxText(box));
        EXPECT_FALSE(::IsWindowEnabled(dialog)) << "the dialog takes input under its box";
        ASSERT_TRUE(KeysInto(box, keys));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); })) << keys;
        // Back in the dialog's loop (or the dialog ended): whatever followed
        // the answer is done.
        DWORD_PTR result = 0;
        EXPECT_TRUE(::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) ||
                    !::IsWindow(dialog));
    }

    // Real keys into a window of the panel, with the X focus put there first:
    // without a window manager nothing else moves it. No keys: the focus only.
    static bool KeysInto(HWND window, const std::string& keys = "")
    {
        const auto xWindow =
            reinterpret_cast<UINT_PTR>(::GetPropW(window, L"__wine_x11_whole_window"));
        return xWindow && RunXdotool("xdotool windowfocus --sync " + std::to_string(xWindow) +
                                     (keys.empty() ? "" : " key " + keys));
    }

    static std::wstring BoxText(HWND box)
    {
        std::wstring text;
        for (HWND child = ::GetWindow(box, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT))
            if (ClassName(child) == L"Static")
                text += RemoteWindowText(child);
        return text;
    }

    const ScratchAppData m_appData{L"kv58-panel-presets"};
    const std::filesystem::path m_folder = m_appData.Presets();
    std::optional<TrayWindowMoved> m_trayMoved;
};
} // namespace

TEST_F(PanelPresets, RightClickOnTheIconAppliesAPresetFromTheSubmenu)
{
    std::ofstream(m_folder / L"Analog.ini") << "rate = 44100\ninput = analog\n";
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);

    HWND menu = RightClickTrayIcon(panel);
    ASSERT_NE(menu, nullptr) << "xdotool and Wine's tray window are needed";
    // Presets, then its first item.
    ASSERT_TRUE(RunXdotool("xdotool key p Return"));
    EXPECT_TRUE(WaitFor([] { return SimState()["rate"] == "44100"; }, 10000));
    EXPECT_EQ(SimState()["input"], "1");
}

TEST_F(PanelPresets, SaveAsAsksForANameRefusesABadOneAndAsksBeforeReplacing)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    HWND dialog = OpenSaveDialog(panel);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"Save Preset");

    // A name no file can have: the reason, nothing written, and the dialog
    // open for a better name.
    ASSERT_TRUE(EnterName(dialog, "a colon b", L"a:b"));
    AnswerBox(dialog, L"cannot contain any of these characters", "Return");
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
    const std::filesystem::path file = m_folder / L"studio.ini";
    ASSERT_TRUE(EnterName(dialog, "s t u d i o", L"studio"));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    std::map<std::string, std::string> state = SimState();
    std::map<std::string, std::string> saved = ReadPresetFile(file);
    EXPECT_EQ(saved["rate"], state["rate"]);
    EXPECT_EQ(saved["streaming_mode_ms"], state["mode"]);
    EXPECT_EQ(saved["input"], state["input"] == "2" ? "spdif" : "analog");

    // The same name after the device changed: No keeps the file and the
    // dialog, Yes replaces the file.
    ASSERT_TRUE(RunSimulator(L"rate 96000"));
    const std::string before = FileText(file);
    ASSERT_NE(dialog = OpenSaveDialog(panel), nullptr);
    const wchar_t* question = L"\"studio\" exists already. Replace it?";
    ASSERT_TRUE(EnterName(dialog, "s t u d i o", L"studio"));
    AnswerBox(dialog, question, "n");
    EXPECT_EQ(FileText(file), before);
    ASSERT_TRUE(::IsWindowVisible(dialog));
    ASSERT_TRUE(KeysInto(dialog, "Return"));
    AnswerBox(dialog, question, "y");
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    EXPECT_EQ(ReadPresetFile(file)["rate"], "96000");
}
