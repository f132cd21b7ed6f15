#include "../core/DeviceSettings.h"
#include "GUI_KV58Dlg.h"
#include <initializer_list>

UsbAudioStatus CGUI_KV58Dlg::OpenDevice()
{
    if (const UsbAudioStatus status = m_session.Open(); status != 0)
        return status;
    // Without an event the worker would have nothing to wait on.
    if (CreateNotifyEvent() != 0)
        return 0;
    const HWND window = m_hWnd;
    m_session.Watch([window] { ::SendMessageW(window, WM_DEVICE_NOTIFY, 0, 0); });
    return 0;
}

void CGUI_KV58Dlg::CloseDevice()
{
    m_session.Close();
}

DWORD CGUI_KV58Dlg::CreateNotifyEvent()
{
    return m_session.CreateNotifyEvent();
}

void CGUI_KV58Dlg::StopNotificationThread()
{
    m_session.StopNotificationThread();
}

LRESULT CGUI_KV58Dlg::OnPnpNotification(WPARAM wParam)
{
    if (wParam != 1 && wParam != 2)
        return 0;
    if (m_session.IsStopping())
    {
        // Sent to us while a reopen waits for the old worker: reopen once
        // more when that one is done.
        ::PostMessageW(m_hWnd, WM_PNP_NOTIFY, wParam, 0);
        return 0;
    }
    OpenDevice();
    RefreshDeviceControls();
    return 0;
}

LRESULT CGUI_KV58Dlg::OnDeviceNotification()
{
    // A wake that reaches us while the worker is being stopped belongs to
    // the connection that is going away.
    if (m_session.m_stopNotifyThread || !m_session.IsOpen())
        return 0;
    const DeviceSession::Changes changes = m_session.ReadNotifications();
    if (changes.rate)
        ShowCurrentSampleRate();
    if (changes.mixer)
        ReadMixerState();
    return 0;
}

void CGUI_KV58Dlg::RefreshDeviceControls()
{
    FillInputSources();
    FillSampleRates();
    LoadChannelGroups();
    ReadMixerState();

    FillStreamingModes();
    if (const std::optional<unsigned int> mode = StreamingMode(m_session))
        SelectStreamingMode(*mode);

    BuildAsioBufferSizes();
    FillAsioBufferSizes();
    if (const std::optional<unsigned int> size = CurrentAsioBufferSize(m_session))
        SelectAsioBufferSize(*size);

    const BOOL enable = m_session.IsOpen();
    for (const CComboBox* box :
         {&m_cbInputSource, &m_cbSampleRate, &m_cbStreamingMode, &m_cbAsioBuffer})
        ::EnableWindow(box->m_hWnd, enable);
}
