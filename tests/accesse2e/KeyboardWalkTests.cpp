#include "app/resource.h"
#include "controls/ComApartment.h"
#include "tests/support/SharedPanel.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/XInput.h"
#include <gtest/gtest.h>
#include <oleacc.h>
#include <memory>
#include <string>
#include <vector>

// The real panel on the simulated KV58, asked as a screen reader asks it from
// its own process, and worked with the keyboard alone through the X server.
namespace
{
const VARIANT kSelf = []
{
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}();

std::wstring FromBstr(BSTR text)
{
    std::wstring result = text ? std::wstring(text, ::SysStringLen(text)) : L"<null>";
    ::SysFreeString(text);
    return result;
}

class KeyboardWalk : public SharedPanelSuite
{
protected:
    void SetUp() override { ASSERT_TRUE(s_panel && ::IsWindow(s_panel)) << "no panel"; }

    // The control that has the focus: a settings box for its edit field.
    static int FocusedId()
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(s_panel, nullptr), &info))
            return 0;
        HWND focus = info.hwndFocus;
        if (focus && ::GetParent(focus) != s_panel)
            focus = ::GetParent(focus);
        return focus ? ::GetDlgCtrlID(focus) : 0;
    }

    static bool Keys(const std::string& keys)
    {
        return RunXdotool("xdotool windowfocus --sync $(xdotool search --sync --name "
                          "'^Halvix HV10 $' | head -n 1) && xdotool key --delay 60 " +
                          keys);
    }

    static bool SimIs(const char* key, int value)
    {
        return WaitFor([&] { return SimState()[key] == std::to_string(value); });
    }

    struct Answer
    {
        std::wstring name;
        LONG role = -1;
        LONG state = -1;
        std::wstring value;
    };
    static Answer Ask(int id)
    {
        Answer answer;
        IAccessible* object = nullptr;
        if (::AccessibleObjectFromWindow(::GetDlgItem(s_panel, id),
                                         static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&object)) != S_OK ||
            !object)
            return answer;
        BSTR text = nullptr;
        object->get_accName(kSelf, &text);
        answer.name = FromBstr(text);
        text = nullptr;
        object->get_accValue(kSelf, &text);
        answer.value = FromBstr(text);
        VARIANT v;
        if (object->get_accRole(kSelf, &v) == S_OK && v.vt == VT_I4)
            answer.role = v.lVal;
        if (object->get_accState(kSelf, &v) == S_OK && v.vt == VT_I4)
            answer.state = v.lVal;
        object->Release();
        return answer;
    }

    CComApartment m_com;
};

constexpr int kTabOrder[] = {IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT, IDC_LINK_INPUT,
                             IDC_MUTE_INPUT,    IDC_FADER_OUT_LEFT, IDC_FADER_OUT_RIGHT,
                             IDC_LINK_OUTPUT,   IDC_MUTE_OUTPUT,    IDC_INPUT_SOURCE,
                             IDC_SAMPLE_RATE,   IDC_STREAMING_MODE, IDC_ASIO_BUFFER};
} // namespace

TEST_F(KeyboardWalk, FromAnotherProcessEveryControlAnswers)
{
    ASSERT_TRUE(WaitFor([] { return Ask(IDC_FADER_IN_LEFT).value == L"-10 dB"; }))
        << "value " << testing::PrintToString(Ask(IDC_FADER_IN_LEFT).value);
    EXPECT_EQ(FocusedId(), IDC_FADER_IN_LEFT) << "the first control has the focus at open";
    struct Case
    {
        int id;
        const wchar_t* name;
        LONG role;
        const wchar_t* value;
    };
    const Case cases[] = {
        {IDC_FADER_IN_LEFT, L"Input left", ROLE_SYSTEM_SLIDER, L"-10 dB"},
        {IDC_FADER_IN_RIGHT, L"Input right", ROLE_SYSTEM_SLIDER, L"-10 dB"},
        {IDC_FADER_OUT_LEFT, L"Output left", ROLE_SYSTEM_SLIDER, L"-20 dB"},
        {IDC_FADER_OUT_RIGHT, L"Output right", ROLE_SYSTEM_SLIDER, L"-20 dB"},
        {IDC_MUTE_INPUT, L"Mute input", ROLE_SYSTEM_CHECKBUTTON, L"<null>"},
        {IDC_MUTE_OUTPUT, L"Mute output", ROLE_SYSTEM_CHECKBUTTON, L"<null>"},
        {IDC_LINK_INPUT, L"Link input left and right", ROLE_SYSTEM_CHECKBUTTON, L"<null>"},
        {IDC_LINK_OUTPUT, L"Link output left and right", ROLE_SYSTEM_CHECKBUTTON, L"<null>"},
        {IDC_INPUT_SOURCE, L"Input source", ROLE_SYSTEM_COMBOBOX, nullptr},
        {IDC_SAMPLE_RATE, L"Sample rate", ROLE_SYSTEM_COMBOBOX, L"48000 Hz"},
        {IDC_STREAMING_MODE, L"USB streaming mode", ROLE_SYSTEM_COMBOBOX, nullptr},
        {IDC_ASIO_BUFFER, L"ASIO buffer size", ROLE_SYSTEM_COMBOBOX, nullptr},
    };
    for (const Case& c : cases)
    {
        const Answer answer = Ask(c.id);
        EXPECT_EQ(answer.name, c.name) << c.id;
        EXPECT_EQ(answer.role, c.role) << c.id;
        if (c.value)
        {
            EXPECT_EQ(answer.value, c.value) << c.id;
        }
        const LONG expected =
            STATE_SYSTEM_FOCUSABLE | (c.id == IDC_FADER_IN_LEFT ? STATE_SYSTEM_FOCUSED : 0);
        EXPECT_EQ(answer.state, expected) << c.id;
    }
}

TEST_F(KeyboardWalk, TabFollowsTheReadingOrderAndWraps)
{
    // From wherever the focus is, Tab to the first control.
    ASSERT_TRUE(
        WaitFor([] { return FocusedId() == IDC_FADER_IN_LEFT || (Keys("Tab"), false); }, 20000))
        << "xdotool is needed for real keys";
    for (size_t step = 1; step <= std::size(kTabOrder); ++step)
    {
        ASSERT_TRUE(Keys("Tab"));
        const int expected = kTabOrder[step % std::size(kTabOrder)];
        EXPECT_TRUE(WaitFor([&] { return FocusedId() == expected; }, 3000))
            << "step " << step << ": focus on " << FocusedId() << ", not " << expected;
    }
    ASSERT_TRUE(Keys("shift+Tab"));
    EXPECT_TRUE(WaitFor([] { return FocusedId() == IDC_ASIO_BUFFER; }, 3000)) << "Shift+Tab";
    ASSERT_TRUE(Keys("Tab"));
    EXPECT_TRUE(WaitFor([] { return FocusedId() == IDC_FADER_IN_LEFT; }, 3000));
}

TEST_F(KeyboardWalk, ArrowsStepTheFaderAndSpaceTogglesMute)
{
    ASSERT_TRUE(
        WaitFor([] { return FocusedId() == IDC_FADER_IN_LEFT || (Keys("Tab"), false); }, 20000));
    ASSERT_EQ(RunSim(L"log clear").exitCode, 0u);
    ASSERT_TRUE(Keys("Down"));
    EXPECT_TRUE(SimIs("in.volume1", -2816)) << "one decibel down";
    ASSERT_TRUE(Keys("Up Up"));
    EXPECT_TRUE(SimIs("in.volume1", -2304));
    EXPECT_EQ(SimState()["in.volume2"], "-2560");

    // Enter and Escape belong to the fader: the panel goes on.
    ASSERT_TRUE(Keys("Return Escape"));
    ::Sleep(500);
    EXPECT_TRUE(s_process->IsRunning());
    EXPECT_EQ(FocusedId(), IDC_FADER_IN_LEFT);

    ASSERT_TRUE(Keys("Tab Tab Tab"));
    ASSERT_TRUE(WaitFor([] { return FocusedId() == IDC_MUTE_INPUT; }, 3000));
    ASSERT_TRUE(Keys("space"));
    EXPECT_TRUE(SimIs("in.mute", 1));
    EXPECT_TRUE(WaitFor([] { return Ask(IDC_MUTE_INPUT).state & STATE_SYSTEM_CHECKED; }));
    ASSERT_TRUE(Keys("space"));
    EXPECT_TRUE(SimIs("in.mute", 0));
    std::vector<std::string> mutes;
    for (const std::string& line : SimLog())
        if (line.rfind("Set(14,0x01,1,", 0) == 0)
            mutes.push_back(line);
    EXPECT_EQ(mutes.size(), 2u) << "one request per press";
}
