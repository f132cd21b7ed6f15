#include "app/resource.h"
#include "controls/AccessibleComboBox.h"
#include "controls/ComApartment.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include <gtest/gtest.h>
#include <oleacc.h>
#include <functional>
#include <memory>
#include <vector>

namespace
{
FakeUsbAudio& fake = FakeUsbAudio::Instance();

// An owned COM reference.
template <class T> struct ComRef
{
    T* p = nullptr;
    ~ComRef()
    {
        if (p)
            p->Release();
    }
    T* operator->() const { return p; }
};

std::wstring FromBstr(BSTR text)
{
    std::wstring result = text ? std::wstring(text, ::SysStringLen(text)) : L"<null>";
    ::SysFreeString(text);
    return result;
}

const VARIANT kSelf = []
{
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}();

// The panel on the fake driver, asked as a screen reader would ask it.
class AccessibleObjects : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        fake.Reset();
        s_com = std::make_unique<CComApartment>();
        s_panel = std::make_unique<TestPanel>();
        s_panel->StayOutOfTheTray();
        s_panel->Create();
    }
    static void TearDownTestSuite()
    {
        s_panel.reset();
        s_com.reset();
    }

    void SetUp() override
    {
        ASSERT_NE(panel().m_hWnd, nullptr);
        fake.Reset();
        panel().DeviceChanged();
        ASSERT_TRUE(panel().Settle());
        fake.TakeCalls();
    }

    static ComRef<IAccessible> ObjectOf(int id)
    {
        ComRef<IAccessible> object;
        EXPECT_EQ(::AccessibleObjectFromWindow(
                      ::GetDlgItem(panel().m_hWnd, id), static_cast<DWORD>(OBJID_CLIENT),
                      __uuidof(IAccessible), reinterpret_cast<void**>(&object.p)),
                  S_OK);
        return object;
    }
    static std::wstring Name(IAccessible* object)
    {
        BSTR name = nullptr;
        object->get_accName(kSelf, &name);
        return FromBstr(name);
    }
    static std::wstring Value(IAccessible* object)
    {
        BSTR value = nullptr;
        object->get_accValue(kSelf, &value);
        return FromBstr(value);
    }
    static LONG Role(IAccessible* object)
    {
        VARIANT role;
        return object->get_accRole(kSelf, &role) == S_OK && role.vt == VT_I4 ? role.lVal : -1;
    }
    static LONG State(IAccessible* object)
    {
        VARIANT state;
        return object->get_accState(kSelf, &state) == S_OK && state.vt == VT_I4 ? state.lVal : -1;
    }

    static TestPanel& panel() { return *s_panel; }
    static std::unique_ptr<CComApartment> s_com;
    static std::unique_ptr<TestPanel> s_panel;
};

std::unique_ptr<CComApartment> AccessibleObjects::s_com;
std::unique_ptr<TestPanel> AccessibleObjects::s_panel;
} // namespace

TEST_F(AccessibleObjects, EveryControlAnswersWithItsNameRoleValueAndState)
{
    fake.SetVolume(14, 1, -2560);
    fake.SetVolume(15, 2, -5120);
    panel().Refresh();
    panel().Click(IDC_MUTE_OUTPUT);
    ASSERT_TRUE(panel().Settle());
    ::SetFocus(panel().Item(IDC_FADER_IN_RIGHT));
    struct Case
    {
        int id;
        const wchar_t* name;
        LONG role;
        const wchar_t* value;
        LONG state;
    };
    const LONG focusable = STATE_SYSTEM_FOCUSABLE;
    const Case cases[] = {
        {IDC_FADER_IN_LEFT, L"Input left", ROLE_SYSTEM_SLIDER, L"-10 dB", focusable},
        {IDC_FADER_IN_RIGHT, L"Input right", ROLE_SYSTEM_SLIDER, nullptr,
         focusable | STATE_SYSTEM_FOCUSED},
        {IDC_FADER_OUT_LEFT, L"Output left", ROLE_SYSTEM_SLIDER, nullptr, focusable},
        {IDC_FADER_OUT_RIGHT, L"Output right", ROLE_SYSTEM_SLIDER, L"-20 dB", focusable},
        {IDC_MUTE_INPUT, L"Mute input", ROLE_SYSTEM_CHECKBUTTON, nullptr, focusable},
        {IDC_MUTE_OUTPUT, L"Mute output", ROLE_SYSTEM_CHECKBUTTON, nullptr,
         focusable | STATE_SYSTEM_CHECKED},
        {IDC_LINK_INPUT, L"Link input left and right", ROLE_SYSTEM_CHECKBUTTON, nullptr, focusable},
        {IDC_LINK_OUTPUT, L"Link output left and right", ROLE_SYSTEM_CHECKBUTTON, nullptr,
         focusable},
        {IDC_INPUT_SOURCE, L"Input source", ROLE_SYSTEM_COMBOBOX, nullptr, focusable},
        {IDC_SAMPLE_RATE, L"Sample rate", ROLE_SYSTEM_COMBOBOX, L"48000 Hz", focusable},
        {IDC_STREAMING_MODE, L"USB streaming mode", ROLE_SYSTEM_COMBOBOX, nullptr, focusable},
        {IDC_ASIO_BUFFER, L"ASIO buffer size", ROLE_SYSTEM_COMBOBOX, L"  512 samples", focusable},
    };
    for (const Case& c : cases)
    {
        ComRef<IAccessible> object = ObjectOf(c.id);
        ASSERT_NE(object.p, nullptr) << c.id;
        EXPECT_EQ(Name(object.p), c.name) << c.id;
        EXPECT_EQ(Role(object.p), c.role) << c.id;
        EXPECT_EQ(State(object.p) & ~STATE_SYSTEM_INVISIBLE, c.state) << c.id;
        if (c.value)
        {
            EXPECT_EQ(Value(object.p), c.value) << c.id;
        }
    }
    // The value is what the control shows: the readout, or the box's text.
    wchar_t text[32] = L"";
    ::GetWindowTextW(panel().Item(IDC_LABEL_OUT_LEFT), text, 32);
    EXPECT_EQ(Value(ObjectOf(IDC_FADER_OUT_LEFT).p), std::wstring(text) + L" dB");
    ::GetWindowTextW(panel().Item(IDC_INPUT_SOURCE), text, 32);
    EXPECT_EQ(Value(ObjectOf(IDC_INPUT_SOURCE).p), text);
    EXPECT_EQ(Value(ObjectOf(IDC_MUTE_INPUT).p), L"<null>") << "buttons have no value";
}

TEST_F(AccessibleObjects, WithoutADeviceFadersAndBoxesAreUnavailable)
{
    fake.deviceCount = 0;
    panel().DeviceChanged();
    ASSERT_TRUE(panel().Settle());
    for (int id : {IDC_FADER_IN_LEFT, IDC_FADER_OUT_RIGHT, IDC_SAMPLE_RATE, IDC_ASIO_BUFFER})
        EXPECT_TRUE(State(ObjectOf(id).p) & STATE_SYSTEM_UNAVAILABLE) << id;
    EXPECT_FALSE(State(ObjectOf(IDC_MUTE_INPUT).p) & STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(AccessibleObjects, TypedValueMovesTheFaderAsAKeyStepDoes)
{
    ComRef<IAccessible> fader = ObjectOf(IDC_FADER_IN_LEFT);
    struct Case
    {
        const wchar_t* typed;
        HRESULT result;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"-12 dB", S_OK, L"-12 dB"},     {L"-30", S_OK, L"-30 dB"},
        {L" -7.5db ", S_OK, L"-7 dB"},    {L"+40 dB", S_OK, L"0 dB"},  // clamped to the top
        {L"-500", S_OK, L"-88 dB"},       {L"1e12 dB", S_OK, L"0 dB"}, // beyond any volume
        {L"-1e12", S_OK, L"-88 dB"},      {L"loud", E_INVALIDARG, L"-88 dB"},
        {L"dB", E_INVALIDARG, L"-88 dB"}, {L"", E_INVALIDARG, L"-88 dB"},
    };
    for (const Case& c : cases)
    {
        BSTR typed = ::SysAllocString(c.typed);
        EXPECT_EQ(fader->put_accValue(kSelf, typed), c.result) << c.typed;
        ::SysFreeString(typed);
        PumpFor(30);
        EXPECT_EQ(Value(fader.p), c.shown) << c.typed;
    }
    // Each accepted value sent its volume, as a key step does.
    const std::vector<std::string> sets = fake.CallsTo("Set(14,0x01,2,1");
    ASSERT_EQ(sets.size(), 7u);
    EXPECT_NE(sets[0].find("data=00f4"), std::string::npos) << sets[0]; // -12 x 256
}

TEST_F(AccessibleObjects, DefaultActionTogglesMuteAndLink)
{
    ComRef<IAccessible> mute = ObjectOf(IDC_MUTE_INPUT);
    ComRef<IAccessible> link = ObjectOf(IDC_LINK_OUTPUT);
    for (IAccessible* button : {mute.p, link.p})
    {
        EXPECT_EQ(button->accDoDefaultAction(kSelf), S_OK);
        EXPECT_TRUE(State(button) & STATE_SYSTEM_CHECKED);
    }
    // The mute is sent by the device thread.
    ASSERT_TRUE(panel().Settle());
    EXPECT_EQ(fake.TakeCalls(),
              (std::vector<std::string>{"Set(14,0x01,1,0,len=1,data=01,timeout=500)"}));
    EXPECT_EQ(mute->accDoDefaultAction(kSelf), S_OK);
    EXPECT_FALSE(panel().Checked(IDC_MUTE_INPUT));
    EXPECT_TRUE(panel().Checked(IDC_LINK_OUTPUT));
    panel().Ask(IDC_LINK_OUTPUT, BM_SETCHECK, BST_UNCHECKED);
    VARIANT other;
    other.vt = VT_I4;
    other.lVal = 1;
    EXPECT_EQ(mute->accDoDefaultAction(other), E_INVALIDARG) << "the control has no children";
}

TEST(AccessibleObject, OutlivingItsWindowAnswersNotConnected)
{
    CComApartment com;
    CAccessibleComboBox box;
    box.m_accessibleName = L"Sample rate";
    HWND window = ::CreateWindowExW(0, L"ComboBox", L"", CBS_DROPDOWNLIST, 0, 0, 80, 80, nullptr,
                                    nullptr, nullptr, nullptr);
    ASSERT_TRUE(box.SubclassWindow(window));
    ComRef<IAccessible> object;
    ASSERT_EQ(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object.p)),
              S_OK);
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(kSelf, &name), S_OK);
    EXPECT_EQ(FromBstr(name), L"Sample rate");
    ::DestroyWindow(window);
    VARIANT role;
    EXPECT_EQ(object->get_accName(kSelf, &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->get_accRole(kSelf, &role), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->accDoDefaultAction(kSelf), CO_E_OBJNOTCONNECTED);
}

namespace
{
struct SeenEvent
{
    DWORD event;
    HWND window;
};
std::vector<SeenEvent> seen;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                          DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF)
        seen.push_back({event, window});
}

size_t Count(DWORD event, HWND window)
{
    size_t count = 0;
    for (const SeenEvent& e : seen)
        count += e.event == event && e.window == window;
    return count;
}
} // namespace

// Out of context, as a screen reader in another process hears them.
TEST_F(AccessibleObjects, EventsTellOfEveryChange)
{
    TestPanel& p = panel();
    HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordEvent,
                          ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    struct Case
    {
        const char* what;
        std::function<void()> act;
        DWORD event;
        HWND window;
        size_t count;
    };
    const Case cases[] = {
        {"drag step: the press off the thumb, then one move",
         [&]
         {
             p.Ask(IDC_FADER_IN_LEFT, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(13, 100));
             p.Ask(IDC_FADER_IN_LEFT, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(13, 120));
             p.Ask(IDC_FADER_IN_LEFT, WM_LBUTTONUP, 0, MAKELPARAM(13, 120));
         },
         EVENT_OBJECT_VALUECHANGE, p.Item(IDC_FADER_IN_LEFT), 2},
        {"key", [&] { p.Ask(IDC_FADER_IN_LEFT, WM_KEYDOWN, VK_DOWN, 0); }, EVENT_OBJECT_VALUECHANGE,
         p.Item(IDC_FADER_IN_LEFT), 1},
        {"linked partner",
         [&]
         {
             p.Ask(IDC_LINK_INPUT, BM_SETCHECK, BST_CHECKED);
             p.Ask(IDC_FADER_IN_LEFT, WM_KEYDOWN, VK_HOME, 0);
         },
         EVENT_OBJECT_VALUECHANGE, p.Item(IDC_FADER_IN_RIGHT), 1},
        {"device notification",
         [&]
         {
             fake.SetVolume(15, 1, -7680);
             fake.Notify(3);
         },
         EVENT_OBJECT_VALUECHANGE, p.Item(IDC_FADER_OUT_LEFT), 1},
        {"a click on mute", [&] { p.Click(IDC_MUTE_INPUT); }, EVENT_OBJECT_STATECHANGE,
         p.Item(IDC_MUTE_INPUT), 1},
        {"the device showing the same mute state",
         [&] { p.Ask(IDC_LINK_INPUT, BM_SETCHECK, BST_CHECKED); }, EVENT_OBJECT_STATECHANGE,
         p.Item(IDC_LINK_INPUT), 0},
        {"focus", [&] { ::SetFocus(p.Item(IDC_FADER_OUT_RIGHT)); }, EVENT_OBJECT_FOCUS,
         p.Item(IDC_FADER_OUT_RIGHT), 1},
    };
    p.Ask(IDC_FADER_IN_LEFT, WM_KEYDOWN, VK_HOME, 0);
    p.Ask(IDC_FADER_IN_RIGHT, WM_KEYDOWN, VK_END, 0);
    for (const Case& c : cases)
    {
        PumpFor(100);
        seen.clear();
        c.act();
        PumpFor(300);
        // The system may tell of the focus itself as well.
        if (c.event == EVENT_OBJECT_FOCUS)
            EXPECT_GE(Count(c.event, c.window), c.count) << c.what;
        else
            EXPECT_EQ(Count(c.event, c.window), c.count) << c.what;
    }
    ::UnhookWinEvent(hook);
    p.Ask(IDC_LINK_INPUT, BM_SETCHECK, BST_UNCHECKED);
}
