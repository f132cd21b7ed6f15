#include "../app/GUI_KV58Dlg.h"
#include <chrono>
#include <initializer_list>
#include <utility>

namespace
{
constexpr unsigned int kAllNotificationCategories = 0xFFFFFFFF;
constexpr unsigned int kNotifySampleRate = 1;
constexpr unsigned int kNotifyVolume = 3;
constexpr unsigned int kNotifyMute = 4;

// A slow driver (a read may take a millisecond) or one that never runs dry
// must not hold the panel: a drain reads for this long at a time, then lets
// the messages that queued up meanwhile through before it reads on.
constexpr auto kDrainSlice = std::chrono::milliseconds(4);
constexpr WPARAM kContinueDrain = 1;
constexpr UINT_PTR kDrainTimer = 0x8005;

// Waits for a thread to end while taking the messages other threads send to
// this one: the worker may be inside its SendMessage to this thread.
void WaitForThreadEnd(HANDLE thread)
{
    while (::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE,
                                         MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
} // namespace

UsbAudioStatus CGUI_KV58Dlg::OpenDevice()
{
    CloseDevice();

    if (const UsbAudioStatus status = m_api.EnumerateDevices(); status != 0)
        return status;
    if (m_api.GetDeviceCount() == 0)
        return kStatusNoDevice;
    UsbAudioDeviceHandle device = nullptr;
    if (const UsbAudioStatus status = m_api.OpenDeviceByIndex(m_deviceIndex, &device); status != 0)
        return status;
    if (!device)
        return kStatusNoDevice;
    m_hDevice = device;

    m_deviceProperties = {};
    m_api.GetDeviceProperties(m_hDevice, &m_deviceProperties);

    // Without an event the worker would have nothing to wait on.
    if (CreateNotifyEvent() != 0)
        return 0;
    m_api.RegisterDeviceNotification(m_hDevice, kAllNotificationCategories, m_notifyEvent.Get(), 0);
    StartNotificationThread();
    return 0;
}

void CGUI_KV58Dlg::CloseDevice()
{
    StopNotificationThread();
    // What is left of a drain belongs to this connection; the refresh after
    // a reopen re-reads everything.
    m_drain = {};
    if (m_hWnd)
        ::KillTimer(m_hWnd, kDrainTimer);
    if (m_hDevice)
    {
        m_api.CloseDevice(m_hDevice);
        m_hDevice = nullptr;
    }
}

DWORD CGUI_KV58Dlg::CreateNotifyEvent()
{
    return m_notifyEvent.Create();
}

void CGUI_KV58Dlg::StopNotificationThread()
{
    m_stopNotifyThread = 1;
    m_notifyEvent.Set();
    // The flag stays set and the event stays in place until the worker has
    // seen them and ended.
    if (m_hNotifyThread.IsValid())
    {
        WaitForThreadEnd(m_hNotifyThread.Get());
        m_hNotifyThread.Reset();
    }
}

void CGUI_KV58Dlg::StartNotificationThread()
{
    m_stopNotifyThread = 0;
    m_hNotifyThread.Reset(::CreateThread(nullptr, 0, &NotificationThread, this, 0, nullptr));
}

DWORD WINAPI CGUI_KV58Dlg::NotificationThread(LPVOID parameter)
{
    auto* dialog = static_cast<CGUI_KV58Dlg*>(parameter);
    // Neither changes while this worker runs: both are replaced only after it ended.
    const HANDLE event = dialog->m_notifyEvent.Get();
    const HWND window = dialog->m_hWnd;
    while (::WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0 && !dialog->m_stopNotifyThread)
        ::SendMessageW(window, WM_DEVICE_NOTIFY, 0, 0);
    return 0;
}

LRESULT CGUI_KV58Dlg::OnPnpNotification(WPARAM wParam)
{
    if (wParam != 1 && wParam != 2)
        return 0;
    if (m_stopNotifyThread && m_hNotifyThread.IsValid())
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
    if (m_stopNotifyThread || !m_hDevice)
        return 0;
    // While a drain goes on, a wake's notifications are read by its next
    // slice; a continuation left over from a closed connection is dropped.
    if (m_drain.continuing != (wParam == kContinueDrain))
        return 0;
    m_drain.continuing = false;

    // The event resets itself, so one wake may stand for many notifications:
    // read them all, then re-read each kind of state once.
    const auto sliceEnd = std::chrono::steady_clock::now() + kDrainSlice;
    for (;;)
    {
        unsigned int type = 0;
        unsigned char data[64];
        unsigned int length = 0;
        if (m_api.ReadDeviceNotification(m_hDevice, &type, data, sizeof data, &length) != 0)
            break;
        m_drain.rateChanged |= type == kNotifySampleRate;
        m_drain.mixerChanged |= type == kNotifyVolume || type == kNotifyMute;
        if (std::chrono::steady_clock::now() >= sliceEnd)
        {
            ContinueDrainLater();
            return 0;
        }
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
    m_notifyEvent.Set();
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
    unsigned int mode = 0;
    if (m_api.GetUsbStreamingMode(&mode) == 0)
        SelectStreamingMode(mode);

    BuildAsioBufferSizes();
    FillAsioBufferSizes();
    unsigned int size = 0;
    if (m_api.GetASIOBufferSize(&size) == 0)
        SelectAsioBufferSize(size);

    const BOOL enable = m_hDevice != nullptr;
    for (const CComboBox* box :
         {&m_cbInputSource, &m_cbSampleRate, &m_cbStreamingMode, &m_cbAsioBuffer})
        ::EnableWindow(box->m_hWnd, enable);
}
