#include "GUI_KV58Dlg.h"
#include "../controls/DisplayScale.h"
#include "../framework/ResourceString.h"
#include "../framework/WinApp.h"
#include "AboutDlg.h"
#include "resource.h"
#include <utility>

namespace
{
// Sizes at 96 DPI.
constexpr SIZE kMuteSize{34, 32};
constexpr SIZE kLinkSize{15, 38};
// Display resolutions the panel lays itself out for; others are not a monitor's.
constexpr UINT kLowestDpi = 48;
constexpr UINT kHighestDpi = 960;

void SkinButton(CGdipButton& button, CSkinArt& skin, SkinImage standard, SkinImage alternate,
                SIZE size96)
{
    const SIZE size = ScaleToDpi(size96, skin.Dpi());
    button.m_dpi = skin.Dpi();
    button.SetStandardImage(skin.Image(standard), size.cx, size.cy);
    button.SetAlternateImage(skin.Image(alternate), size.cx, size.cy);
    button.m_toggleMode = TRUE;
}
} // namespace

CGUI_KV58Dlg::CGUI_KV58Dlg(const UsbAudioApi& api, const HidApi& hid, bool showAllowed)
    : CDialog(IDD_GUI_KV58_DIALOG), m_device(api, hid,
                                             [newsWindow = m_newsWindow]
                                             {
                                                 if (HWND window = *newsWindow)
                                                     ::PostMessageW(window, WM_DEVICE_NEWS, 0, 0);
                                             }),
      m_state(m_device.State()), m_bShowAllowed(showAllowed),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CGUI_KV58Dlg::~CGUI_KV58Dlg()
{
    EndDeviceWork(INFINITE);
}

void CGUI_KV58Dlg::DoDataExchange()
{
    DDX_Control(IDC_SAMPLE_RATE, m_cbSampleRate);
    DDX_Control(IDC_INPUT_SOURCE, m_cbInputSource);
    DDX_Control(IDC_TRACKBAR_1002, m_trackbars[0]);
    DDX_Control(IDC_TRACKBAR_1003, m_trackbars[4]);
    DDX_Control(IDC_STREAMING_MODE, m_cbStreamingMode);
    DDX_Control(IDC_ASIO_BUFFER, m_cbAsioBuffer);
    DDX_Control(IDC_TRACKBAR_1007, m_trackbars[1]);
    DDX_Control(IDC_TRACKBAR_1006, m_trackbars[2]);
    DDX_Control(IDC_TRACKBAR_1008, m_trackbars[5]);
    DDX_Control(IDC_TRACKBAR_1009, m_trackbars[6]);
    DDX_Control(IDC_TRACKBAR_1010, m_trackbars[7]);
    DDX_Control(IDC_TRACKBAR_1012, m_trackbars[3]);
    DDX_Control(IDC_FADER_OUT_LEFT, m_fader3);
    DDX_Control(IDC_FADER_OUT_RIGHT, m_fader4);
    DDX_Control(IDC_FADER_IN_LEFT, m_fader1);
    DDX_Control(IDC_FADER_IN_RIGHT, m_fader2);
    DDX_Control(IDC_LABEL_IN_LEFT, m_label1);
    DDX_Control(IDC_LABEL_IN_RIGHT, m_label2);
    DDX_Control(IDC_LABEL_OUT_LEFT, m_label3);
    DDX_Control(IDC_LABEL_OUT_RIGHT, m_label4);
    DDX_Control(IDC_MUTE_INPUT, m_btnMute1);
    DDX_Control(IDC_MUTE_OUTPUT, m_btnMute2);
    DDX_Control(IDC_LINK_INPUT, m_btnLink1);
    DDX_Control(IDC_LINK_OUTPUT, m_btnLink2);
    DDX_Control(IDC_NO_DEVICE, m_noDevice);
}

BOOL CGUI_KV58Dlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The device is opened while the panel lays itself out and skins itself.
    *m_newsWindow = m_hWnd;
    Sent(m_device.WatchPnp(m_hWnd, WM_PNP_NOTIFY));
    OpenDevice();
    m_firstOpen = m_lastCommand;
    m_restart.Update(!m_bShowAllowed);
    KeepDialogLayoutOnDpiChange(m_hWnd);
    m_dpi = WindowDpi(m_hWnd);

    const std::wstring title = LoadResString(IDS_TITLE);
    m_trayIcon.m_owner = m_hWnd;
    m_trayIcon.m_id = kTrayIconId;
    // The notification area keeps the size it had at the start.
    m_trayImage = SkinForWindowDpi().TakeIcon(SkinIcon::Tray);
    {
        // The shell answers while the panel lays itself out and skins itself.
        // What other windows send meanwhile is answered before the panel has
        // its title, by which other programs find it, as during the shell's
        // call it always was.
        const CShellCall trayAdded = m_trayIcon.AddAside((title + L" Control Panel").c_str(),
                                                         m_trayImage ? m_trayImage.get() : m_hIcon);
        m_fontNormaliser.Apply(::GetModuleHandleW(nullptr), m_hWnd, m_dpi);
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT))
            m_templateOrder.push_back(child);
        if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE))
        {
            const std::wstring about = LoadResString(IDS_ABOUTBOX);
            if (!about.empty())
            {
                ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
                ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
            }
        }
        SetWindowIcons();
        ScaleToWindowDpi();
        for (CPngSlider* fader : {&m_fader1, &m_fader2, &m_fader3, &m_fader4})
        {
            fader->m_vertical = TRUE;
            // Steps are in volume units, whatever the scale.
            fader->m_lineStep = 256;  // 1 dB
            fader->m_pageStep = 1280; // 5 dB
        }
        DescribeControls();
        StackControlsInReadingOrder();
    }
    // The first state's tip is a call to the shell too: the title follows it.
    ShowFirstState();
    ::SetWindowTextW(m_hWnd, title.c_str());
    return TRUE;
}

void CGUI_KV58Dlg::SetWindowIcons()
{
    CSkinArt& skin = SkinForWindowDpi();
    m_bigIcon = skin.TakeIcon(SkinIcon::Big);
    m_smallIcon = skin.TakeIcon(SkinIcon::Small);
    // The small one first: given the big one alone, the system makes a small
    // one from it, only to be replaced.
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon.get() : m_hIcon));
    SendMessage(WM_SETICON, ICON_BIG,
                reinterpret_cast<LPARAM>(m_bigIcon ? m_bigIcon.get() : m_hIcon));
}

CSkinArt& CGUI_KV58Dlg::SkinForWindowDpi()
{
    if (m_skinInAdvance.valid())
        m_skin = m_skinInAdvance.get();
    // The old art goes once every control has let go of it.
    if (!m_skin || m_skin->Dpi() != m_dpi)
        m_skin = std::make_unique<CSkinArt>(m_dpi);
    return *m_skin;
}

void CGUI_KV58Dlg::ScaleToWindowDpi()
{
    CSkinArt& skin = SkinForWindowDpi();
    // Laid out anew: the controls take their backgrounds again.
    m_backgroundsCaptured = false;
    for (CGdipButton* mute : {&m_btnMute1, &m_btnMute2})
        SkinButton(*mute, skin, SkinImage::MuteOff, SkinImage::MuteOn, kMuteSize);
    for (CGdipButton* link : {&m_btnLink1, &m_btnLink2})
        SkinButton(*link, skin, SkinImage::LinkOff, SkinImage::LinkOn, kLinkSize);
    for (CPngSlider* fader : {&m_fader1, &m_fader2, &m_fader3, &m_fader4})
    {
        fader->m_dpi = m_dpi;
        fader->SetTrackImage(skin.Image(SkinImage::FaderTrack));
        fader->SetThumbImage(skin.Image(SkinImage::FaderThumb));
    }
    ScaleSampleRateField();
}

LRESULT CGUI_KV58Dlg::OnDpiChanged(WPARAM dpis, const RECT* suggested)
{
    if (suggested)
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    // A resolution no monitor has leaves the layout as it is.
    const UINT dpi = LOWORD(dpis);
    if (dpi == m_dpi || dpi < kLowestDpi || dpi > kHighestDpi)
        return 0;
    m_dpi = dpi;
    // Back in the order the normaliser walks; skinning brings the same
    // controls to the top again.
    HWND previous = HWND_TOP;
    for (HWND child : m_templateOrder)
    {
        ::SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = child;
    }
    m_fontNormaliser.Apply(::GetModuleHandleW(nullptr), m_hWnd, m_dpi);
    ScaleToWindowDpi();
    StackControlsInReadingOrder();
    SetWindowIcons();
    // The readouts take their background again at their next erase.
    for (CTransparentStatic2* label : {&m_label1, &m_label2, &m_label3, &m_label4, &m_noDevice})
        label->m_capturedBackground.DeleteObject();
    // The controls get their new background now; their looks are built from
    // it at their next paint, which follows the panel's own.
    CDC composition;
    if (composition.CreateCompatibleDC(nullptr))
    {
        ScopedSelect background(composition.GetSafeHdc(), m_skin->Background().GetSafeHandle());
        CaptureBackgrounds(composition);
    }
    // The panel first, then its controls: the readouts copy what it painted.
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 0;
}

int CGUI_KV58Dlg::ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style)
{
    if (m_closing)
        return IDCANCEL;
    // Over the panel's own dialog when one is open (the preset name asked
    // for): the box then holds that dialog still until it is answered.
    HWND owner = ::GetLastActivePopup(m_hWnd);
    if (!owner || !::IsWindowVisible(owner) || !::IsWindowEnabled(owner))
        owner = m_hWnd;
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), style);
}

void CGUI_KV58Dlg::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    if (::IsIconic(m_hWnd))
    {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
        RECT client;
        ::GetClientRect(m_hWnd, &client);
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, m_hIcon);
    }
    else
    {
        CDC composition;
        composition.CreateCompatibleDC(dc);
        const CBitmap& bitmap = m_skin->Background();
        ScopedSelect background(composition.GetSafeHdc(), bitmap.GetSafeHandle());
        const SIZE size = bitmap.GetSize();
        ::BitBlt(dc, 0, 0, size.cx, size.cy, composition.GetSafeHdc(), 0, 0, SRCCOPY);
        // Taken once per layout: the background under a control never changes
        // between paints, and each copy makes a new bitmap.
        if (!m_backgroundsCaptured)
            CaptureBackgrounds(composition);
    }
    ::EndPaint(m_hWnd, &paint);
}

void CGUI_KV58Dlg::CaptureBackgrounds(const CDC& composition)
{
    // The skinned controls keep the clean background under them.
    for (CPngSlider* fader : {&m_fader1, &m_fader2, &m_fader3, &m_fader4})
        fader->CaptureBackground(composition);
    for (CGdipButton* button : {&m_btnMute1, &m_btnMute2, &m_btnLink1, &m_btnLink2})
        button->CaptureBackground(composition);
    m_backgroundsCaptured = true;
}

void CGUI_KV58Dlg::OnSysCommand(UINT id)
{
    switch (id & 0xFFF0)
    {
    case IDM_ABOUTBOX:
    {
        CAboutDlg about(this);
        about.DoModal();
        return;
    }
    case SC_CLOSE:
        // Closing only hides the panel; it goes on living in the tray.
        ::ShowWindow(m_hWnd, SW_HIDE);
        return;
    }
    Default();
}

void CGUI_KV58Dlg::OnWindowPosChanging(WINDOWPOS* pos)
{
    // A hidden start stays hidden until the user opens or hides it from the tray.
    if (!m_bShowAllowed)
        pos->flags &= ~SWP_SHOWWINDOW;
}

LRESULT CGUI_KV58Dlg::OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
    wchar_t className[256] = L"";
    HWND control = reinterpret_cast<HWND>(lParam);
    ::GetClassNameW(control, className, 256);
    // The missing device in the logo's amber, every other text in white.
    if (wcscmp(className, L"Static") == 0)
        ::SetTextColor(reinterpret_cast<HDC>(wParam),
                       control == m_noDevice.m_hWnd ? RGB(242, 160, 44) : RGB(255, 255, 255));
    return result;
}

bool CGUI_KV58Dlg::OnCommand(WORD id, WORD code)
{
    // The command part of the message map: control notifications and the
    // tray menu's commands (code 0, also when another instance posts Exit).
    struct CommandEntry
    {
        WORD id;
        WORD code;
        void (CGUI_KV58Dlg::*handler)();
    };
    static constexpr CommandEntry kCommands[] = {
        {IDC_MUTE_INPUT, BN_CLICKED, &CGUI_KV58Dlg::OnBnClickedMute1},
        {IDC_MUTE_OUTPUT, BN_CLICKED, &CGUI_KV58Dlg::OnBnClickedMute2},
        {IDC_INPUT_SOURCE, CBN_SELCHANGE, &CGUI_KV58Dlg::OnSelchangeInputSource},
        {IDC_STREAMING_MODE, CBN_SELCHANGE, &CGUI_KV58Dlg::OnSelchangeStreamingMode},
        {IDC_ASIO_BUFFER, CBN_SELCHANGE, &CGUI_KV58Dlg::OnSelchangeAsioBufferSize},
        {IDC_SAMPLE_RATE, CBN_SELCHANGE, &CGUI_KV58Dlg::OnSelchangeSampleRate},
        {ID_TRAY_EXIT, 0, &CGUI_KV58Dlg::OnTrayExit},
        {ID_TRAY_HIDE, 0, &CGUI_KV58Dlg::OnTrayHide},
        {ID_TRAY_OPEN, 0, &CGUI_KV58Dlg::OnTrayOpen},
        {ID_TRAY_PRESET_SAVE, 0, &CGUI_KV58Dlg::OnTrayPresetSave},
        {ID_TRAY_PRESET_FOLDER, 0, &CGUI_KV58Dlg::OnTrayPresetFolder},
    };
    for (const CommandEntry& entry : kCommands)
        if (entry.id == id && entry.code == code)
        {
            (this->*entry.handler)();
            return true;
        }
    const size_t preset = static_cast<size_t>(id) - ID_TRAY_PRESET_FIRST;
    if (code == 0 && id >= ID_TRAY_PRESET_FIRST && preset < m_trayPresets.size())
    {
        ApplyPresetNamed(m_trayPresets[preset]);
        return true;
    }
    return false;
}

LRESULT CGUI_KV58Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == m_taskbarCreated && msg != 0)
    {
        m_trayIcon.AddAgain();
        return 0;
    }
    switch (msg)
    {
    case WM_DEVICE_NEWS:
        OnDeviceNews();
        return 0;
    case WM_TIMER:
        if (wParam != kBusyTimer)
            break;
        OnBusyTimer();
        return 0;
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam)))
            return TRUE;
        break;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_APPLY_PRESET:
        for (std::vector<std::wstring> names = std::exchange(m_pendingPresets, {});
             const std::wstring& name : names)
            ApplyPresetNamed(name);
        return 0;
    case WM_PNP_NOTIFY:
        return OnPnpNotification(wParam);
    case WM_TRAY_NOTIFY:
        return OnTrayNotify(wParam, lParam);
    case WM_PNGSLIDER_CHANGE_END:
        return 0;
    case WM_PNGSLIDER_CHANGED:
        return OnFaderChanged(wParam, lParam);
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_DPICHANGED:
        return OnDpiChanged(wParam, reinterpret_cast<const RECT*>(lParam));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        // Nothing to save and nothing to ask: the session may end at once.
        return TRUE;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return 0;
    case WM_WINDOWPOSCHANGED:
        OnWindowPosChanged(reinterpret_cast<const WINDOWPOS*>(lParam));
        break;
    case WM_DESTROY:
        // Whether it ends through the tray's Exit (WM_CLOSE) or through Escape
        // or Enter, the panel leaves no dead icon in the tray.
        m_trayIcon.Remove();
        *m_newsWindow = nullptr;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORMSGBOX:
        return OnCtlColor(msg, wParam, lParam);
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}
