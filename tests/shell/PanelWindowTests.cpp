#include "RunningPanel.h"
#include "app/resource.h"
#include <algorithm>

namespace
{
class PanelWindow : public RunningPanel
{
protected:
    static constexpr const char* kTitlePattern = "^Halvix HV10 $";

    static HWND Combo(HWND panel, int id) { return ::GetDlgItem(panel, id); }

    // All four settings boxes usable and showing a setting.
    static bool BoxesFilledAndEnabled(HWND panel)
    {
        for (int id : {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER})
        {
            HWND box = Combo(panel, id);
            if (!::IsWindowEnabled(box) || ::SendMessageW(box, CB_GETCOUNT, 0, 0) <= 0 ||
                ::SendMessageW(box, CB_GETCURSEL, 0, 0) < 0)
                return false;
        }
        return true;
    }

    static bool AnyBoxEnabled(HWND panel)
    {
        for (int id : {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER})
            if (::IsWindowEnabled(Combo(panel, id)))
                return true;
        return false;
    }

    // The combo box that holds the focus, itself or through its edit field.
    static HWND FocusedCombo(HWND panel)
    {
        for (HWND window = FocusOf(panel); window && window != panel; window = ::GetParent(window))
            if (ClassName(window) == L"ComboBox")
                return window;
        return nullptr;
    }
};
} // namespace

TEST_F(PanelWindow, TitleTooltipAndClientSize)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    // The whole title, trailing blank included: the search by title ignores case only.
    EXPECT_EQ(WindowText(panel), L"Halvix HV10 ");

    const std::vector<std::wstring> tips = TrayTooltips();
    // The title, then the simulated device's state.
    EXPECT_NE(std::find(tips.begin(), tips.end(),
                        L"Halvix HV10  Control Panel\n48000 Hz, Standard (4 ms), 512 samples"),
              tips.end())
        << "tooltips: " << testing::PrintToString(tips);

    RECT client{};
    ::GetClientRect(panel, &client);
    EXPECT_EQ(client.right - client.left, 450);
    EXPECT_EQ(client.bottom - client.top, 276);
}

TEST_F(PanelWindow, CloseButtonAndAltF4OnlyHideThePanel)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);

    ::PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));
    ::Sleep(300);
    EXPECT_TRUE(m_process.IsRunning());
    EXPECT_TRUE(TrayIconExists(panel, kTrayIconId));

    PostTrayMouse(panel, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
    ASSERT_TRUE(PressKeysIn(kTitlePattern, "alt+F4")) << "xdotool is needed for real keys";
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); })) << "Alt+F4";
    ::Sleep(300);
    EXPECT_TRUE(m_process.IsRunning());
    EXPECT_TRUE(TrayIconExists(panel, kTrayIconId));
}

TEST_F(PanelWindow, HiddenPanelFollowsTheDevice)
{
    ASSERT_TRUE(RunSimulator(L"devices 0"));
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(AnyBoxEnabled(panel)) << "no device yet";
    ::PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }));

    ASSERT_TRUE(RunSimulator(L"plug"));
    EXPECT_TRUE(WaitFor([&] { return BoxesFilledAndEnabled(panel); })) << "while hidden";
    PostTrayMouse(panel, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
    EXPECT_TRUE(BoxesFilledAndEnabled(panel));
}

TEST_F(PanelWindow, EscapeEndsTheProgram)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    // The first fader has the focus and keeps Escape; the input link button does not.
    ASSERT_TRUE(PressKeysIn(kTitlePattern, "Tab Tab Escape")) << "xdotool is needed for real keys";
    EXPECT_TRUE(m_process.WaitExit(10000));
    EXPECT_FALSE(::IsWindow(panel));
}

TEST_F(PanelWindow, EnterInAComboBoxEndsTheProgram)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return BoxesFilledAndEnabled(panel); }));
    // A click puts the focus into the box's edit field.
    HWND source = Combo(panel, IDC_INPUT_SOURCE);
    RECT box;
    ::GetWindowRect(source, &box);
    // xdotool runs detached: click again until the focus has arrived.
    ASSERT_TRUE(WaitFor(
        [&] {
            return ClickAt(POINT{box.left + 10, box.top + 8}) &&
                   WaitFor([&] { return FocusedCombo(panel) == source; }, 1000);
        },
        8000))
        << "xdotool is needed for real clicks";
    ASSERT_TRUE(PressKeysIn(kTitlePattern, "Return")) << "xdotool is needed for real keys";
    EXPECT_TRUE(m_process.WaitExit(10000));
    EXPECT_FALSE(::IsWindow(panel));
}
