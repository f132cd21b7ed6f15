#include "PanelFixture.h"
#include "core/DeviceResult.h"
#include "tests/support/Pump.h"

namespace
{
const std::wstring kTitle = L"Halvix HV10 ";
const std::wstring kAsioText =
    L"The requested operation cannot be performed because ASIO is currently in use. Please close "
    L"any active application and try again.";
const std::wstring kSoundText =
    L"The requested operation cannot be performed because a Windows sound device is currently in "
    L"use. Please close any active application and try again.";

const wchar_t* WINAPI NoStatusText(UsbAudioStatus)
{
    return nullptr;
}
} // namespace

// The texts of the boxes; which box each kind gets is seen where a setting fails.
TEST(StatusReport, ErrorsNameTheCallAndTheStatusBusyCodesGetTheirOwnTexts)
{
    UsbAudioApi api = FakeUsbAudio::Instance().api();
    const struct
    {
        const wchar_t* label;
        UsbAudioStatus status;
        std::wstring text;
    } cases[] = {
        {L"TUSBAUDIO_SetASIOBufferSize", 0xE0001002,
         L"TUSBAUDIO_SetASIOBufferSize failed. \r\nStatus = 0xE0001002 (fake error)"},
        {L"DevSelectInput", 31, L"DevSelectInput failed. \r\nStatus = 0x0000001F (fake error)"},
        {L"X", 0xE0000023, L"X failed. \r\nStatus = 0xE0000023 (no device)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusErrorText(api, c.label, c.status), c.text);

    const wchar_t* const call = L"TUSBAUDIO_SetUsbStreamingMode";
    const struct
    {
        UsbAudioStatus status;
        Notice::Kind kind;
        std::wstring text;
    } busy[] = {
        {0xE0001002, Notice::Kind::Busy, kAsioText},
        {0xE0001001, Notice::Kind::Busy, kSoundText},
        {0xE0001003, Notice::Kind::Error,
         L"TUSBAUDIO_SetUsbStreamingMode failed. \r\nStatus = 0xE0001003 (fake error)"},
    };
    for (const auto& c : busy)
    {
        const Notice notice = BusyOrErrorNotice(api, {call, c.status});
        EXPECT_EQ(notice.kind, c.kind) << c.status;
        EXPECT_EQ(notice.text, c.text);
    }

    api.StatusCodeStringW = &NoStatusText;
    EXPECT_EQ(StatusErrorText(api, L"TUSBAUDIO_SetSampleRate", 0xE0000001),
              L"TUSBAUDIO_SetSampleRate failed. \r\nStatus = 0xE0000001 ()")
        << "a status without text leaves the brackets empty";
}

namespace
{
// The panel as the program runs it: boxes are real windows.
class RealBoxPanel : public TestPanel
{
public:
    RealBoxPanel() : TestPanel(FakeUsbAudio::Instance().api(), FakeHid::Instance().api()) {}

protected:
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style) override
    {
        return CGUI_KV58Dlg::ShowMessageBox(text, caption, style);
    }
};

// What the timer saw of the box; static because a timer procedure has no context.
struct SeenBox
{
    HWND owner = nullptr;
    HWND box = nullptr;
    std::wstring text;
    std::wstring caption;
    int ticks = 0;
};
SeenBox g_seen;

BOOL CALLBACK FindOwnedBox(HWND window, LPARAM)
{
    wchar_t className[32] = L"";
    ::GetClassNameW(window, className, 32);
    if (std::wstring(className) != L"#32770" || ::GetWindow(window, GW_OWNER) != g_seen.owner)
        return TRUE;
    g_seen.box = window;
    return FALSE;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[512] = L"";
    ::GetWindowTextW(window, text, 512);
    return text;
}

BOOL CALLBACK CancelOtherDialog(HWND window, LPARAM)
{
    if (window != g_seen.owner && ::IsWindowVisible(window))
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CALLBACK ReadAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindOwnedBox, 0);
    if (!g_seen.box && ++g_seen.ticks > 200)
    {
        // No box as expected: close whatever holds the thread, so the run goes on.
        ::KillTimer(nullptr, timer);
        ::EnumThreadWindows(::GetCurrentThreadId(), &CancelOtherDialog, 0);
    }
    if (!g_seen.box)
        return;
    ::KillTimer(nullptr, timer);
    g_seen.text = WindowText(::GetDlgItem(g_seen.box, 0xFFFF));
    g_seen.caption = WindowText(g_seen.box);
    ::PostMessageW(::GetDlgItem(g_seen.box, IDOK), BM_CLICK, 0, 0);
}
} // namespace

TEST(StatusReportBox, ShowsARealModalBoxOwnedByThePanelThatOkCloses)
{
    FakeUsbAudio::Instance().Reset();
    FakeHid::Instance().Reset();
    RealBoxPanel panel;
    ASSERT_TRUE(panel.Create());
    ASSERT_TRUE(panel.Settle());
    g_seen = SeenBox{};
    g_seen.owner = panel.m_hWnd;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadAndCloseBox);
    ASSERT_NE(timer, 0u);

    FakeUsbAudio::Instance().Fail("Set(11,0)", 31);
    panel.Choose(IDC_INPUT_SOURCE, L"Analog In");
    PumpUntil([] { return g_seen.box != nullptr; }, 10000);
    ::KillTimer(nullptr, timer);

    ASSERT_NE(g_seen.box, nullptr) << "no box owned by the panel appeared";
    EXPECT_EQ(g_seen.text, L"DevSelectInput failed. \r\nStatus = 0x0000001F (fake error)");
    EXPECT_EQ(g_seen.caption, kTitle);
    EXPECT_FALSE(::IsWindow(g_seen.box)) << "the box is gone once the call returns";
}
