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

class StatusReport : public PanelTest
{
protected:
    void ExpectOneBox(const std::wstring& text, const std::wstring& caption, UINT style)
    {
        ASSERT_EQ(panel->boxes.size(), 1u);
        EXPECT_EQ(panel->boxes[0].text, text);
        EXPECT_EQ(panel->boxes[0].caption, caption);
        EXPECT_EQ(panel->boxes[0].style, style);
        panel->boxes.clear();
    }
    void ReportStatusError(const wchar_t* label, UsbAudioStatus status)
    {
        panel->ShowNotice({Notice::Kind::Error, StatusErrorText(s_api, label, status)});
    }
    void ReportBusyOrError(const wchar_t* label, UsbAudioStatus status)
    {
        panel->ShowNotice(BusyOrErrorNotice(s_api, {label, status}));
    }
};

} // namespace

TEST_F(StatusReport, ErrorNamesTheCallAndTheStatusInEightUpperCaseDigits)
{
    ReportStatusError(L"TUSBAUDIO_SetASIOBufferSize", 0xE0001002);
    ExpectOneBox(L"TUSBAUDIO_SetASIOBufferSize failed. \r\nStatus = 0xE0001002 (fake error)",
                 kTitle, 0x10);
    ReportStatusError(L"DevSelectInput", 31);
    ExpectOneBox(L"DevSelectInput failed. \r\nStatus = 0x0000001F (fake error)", kTitle, 0x10);
    ReportStatusError(L"X", 0xE0000023);
    ExpectOneBox(L"X failed. \r\nStatus = 0xE0000023 (no device)", kTitle, 0x10);
}

TEST_F(StatusReport, AStatusWithoutTextLeavesTheBracketsEmpty)
{
    s_api.StatusCodeStringW = &NoStatusText;
    ReportStatusError(L"TUSBAUDIO_SetSampleRate", 0xE0000001);
    ExpectOneBox(L"TUSBAUDIO_SetSampleRate failed. \r\nStatus = 0xE0000001 ()", kTitle, 0x10);
}

TEST_F(StatusReport, BusyTextsAndTheInformationBox)
{
    panel->ShowNotice({Notice::Kind::Busy, kAsioText});
    ExpectOneBox(kAsioText, kTitle, MB_OK | MB_ICONERROR);
    for (Notice::Kind kind : {Notice::Kind::Warning, Notice::Kind::Note})
    {
        panel->ShowNotice({kind, L"Any text at all"});
        ExpectOneBox(L"Any text at all", L"VOSTRAND KV58 Audio Control Panel", 0x40);
    }
}

TEST_F(StatusReport, BusyCodesGetTheirOwnTextsOthersTheGenericOne)
{
    ReportBusyOrError(L"TUSBAUDIO_SetUsbStreamingMode", 0xE0001002);
    ExpectOneBox(kAsioText, kTitle, 0x10);
    ReportBusyOrError(L"TUSBAUDIO_SetUsbStreamingMode", 0xE0001001);
    ExpectOneBox(kSoundText, kTitle, 0x10);
    ReportBusyOrError(L"TUSBAUDIO_SetUsbStreamingMode", 0xE0001003);
    ExpectOneBox(L"TUSBAUDIO_SetUsbStreamingMode failed. \r\nStatus = 0xE0001003 (fake error)",
                 kTitle, 0x10);
}

namespace
{
// The panel as the program runs it: boxes are real windows.
class RealBoxPanel : public CGUI_KV58Dlg
{
public:
    RealBoxPanel() : CGUI_KV58Dlg(FakeUsbAudio::Instance().api(), FakeHid::Instance().api(), true)
    {
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
    g_seen = SeenBox{};
    g_seen.owner = panel.m_hWnd;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadAndCloseBox);
    ASSERT_NE(timer, 0u);

    panel.ShowNotice({Notice::Kind::Error, StatusErrorText(FakeUsbAudio::Instance().api(),
                                                           L"TUSBAUDIO_SetSampleRate", 31)});
    ::KillTimer(nullptr, timer);

    ASSERT_NE(g_seen.box, nullptr) << "no box owned by the panel appeared";
    EXPECT_EQ(g_seen.text, L"TUSBAUDIO_SetSampleRate failed. \r\nStatus = 0x0000001F (fake error)");
    EXPECT_EQ(g_seen.caption, kTitle);
    EXPECT_FALSE(::IsWindow(g_seen.box)) << "the box is gone once the call returns";
}
