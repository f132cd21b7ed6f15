#include "../core/DeviceSettings.h"
#include "GUI_KV58Dlg.h"
#include <chrono>
#include <initializer_list>
#include <utility>

namespace
{
// A slow driver (a read may take a millisecond) or one that never runs dry
// must not hold the panel: a drain reads for this long at a time, then lets
// the messages that queued up meanwhile through before it reads on.
constexpr auto kDrainSlice = std::chrono::milliseconds(4);
constexpr WPARAM kContinueDrain = 1;
constexpr UINT_PTR kDrainTimer = 0x8005;
} // namespace

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
    // What is left of a drain belongs to this connection; the refresh after
    // a reopen re-reads everything.
    m_drain = {};
    if (m_hWnd)
        ::KillTimer(m_hWnd, kDrainTimer);
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

LRESULT CGUI_KV58Dlg::OnDeviceNotification(WPARAM wParam)
{
    // A wake that reaches us while the worker is being stopped belongs to
    // the connection that is going away.
    if (m_session.m_stopNotifyThread || !m_session.IsOpen())
        return 0;
    // While a drain goes on, a wake's notifications are read by its next
    // slice; a continuation left over from a closed connection is dropped.
    if (m_drain.continuing != (wParam == kContinueDrain))
        return 0;
    m_drain.continuing = false;

    // The event resets itself, so one wake may stand for many notifications:
    // read them all, then re-read each kind of state once.
    const DeviceSession::Changes changes =
        m_session.ReadNotifications(std::chrono::steady_clock::now() + kDrainSlice);
    m_drain.rateChanged |= changes.rate;
    m_drain.mixerChanged |= changes.mixer;
    if (changes.more)
    {
        ContinueDrainLater();
        return 0;
    }
    const NotificationDrain drained = std::exchange(m_drain, {});
    if (drained.rateChanged)
        ShowCurrentSampleRate();
    if (drained.mixerChanged)
        ReadMixerState();
    return 0;
}

void CGUI_KV58Dlg::ContinueDrainLater()
{
    m_drain.continuing = true;
    // Posted messages are taken before input and painting: while those wait,
    // come back through a timer, which is taken after them.
    const bool inputOrPaintWaits = HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT)) != 0;
    if (inputOrPaintWaits && ::SetTimer(m_hWnd, kDrainTimer, USER_TIMER_MINIMUM, nullptr))
        return;
    if (::PostMessageW(m_hWnd, WM_DEVICE_NOTIFY, kContinueDrain, 0))
        return;
    // Nothing would bring the drain back: the worker's next wake goes on with it.
    m_drain.continuing = false;
    m_session.m_notifyEvent.Set();
}

bool CGUI_KV58Dlg::OnDrainTimer(UINT_PTR id)
{
    if (id != kDrainTimer)
        return false;
    ::KillTimer(m_hWnd, kDrainTimer);
    OnDeviceNotification(kContinueDrain);
    return true;
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
