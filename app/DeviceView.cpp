#include "../core/DeviceSummary.h"
#include "GUI_KV58Dlg.h"
#include <initializer_list>

namespace
{
// Device work that takes longer than this shows the working cursor.
constexpr UINT kBusyDelayMs = 250;
} // namespace

void CGUI_KV58Dlg::OpenDevice()
{
    Sent(m_device.Open());
}

void CGUI_KV58Dlg::ShowFirstState()
{
    // A healthy device answers within this: the panel then opens showing it,
    // as it always has, and is filled once. A stalled one does not hold the
    // window longer: the panel opens with what it has, the device's state
    // follows.
    constexpr DWORD kFirstStateGraceMs = 100;
    if (m_device.WaitUntilDone(m_lastCommand, kFirstStateGraceMs))
        OnDeviceNews();
    else
        Render(*m_state, *m_state);
}

bool CGUI_KV58Dlg::EndDeviceWork(DWORD graceMs)
{
    *m_newsWindow = nullptr;
    return m_device.Stop(graceMs);
}

LRESULT CGUI_KV58Dlg::OnPnpNotification(WPARAM wParam)
{
    if (wParam == 1 || wParam == 2)
        OpenDevice();
    return 0;
}

void CGUI_KV58Dlg::OnDeviceNews()
{
    // A message box shown below runs a message loop: news that comes
    // meanwhile is taken when the boxes before it have been answered.
    if (m_showingNews)
    {
        m_moreNews = true;
        return;
    }
    m_showingNews = true;
    const std::shared_ptr<const DeviceState> shown = m_state;
    bool outcomes = false;
    do
    {
        m_moreNews = false;
        DeviceThread::News news = m_device.TakeNews();
        outcomes |= !news.outcomes.empty();
        for (const DeviceOutcome& outcome : news.outcomes)
            ShowOutcome(outcome);
        // The state that follows the boxes, as the refresh followed them.
        m_state = m_device.State();
    } while (m_moreNews);
    m_showingNews = false;
    // The message of news already taken (the first state's, taken at once)
    // brings nothing to show.
    if (m_state == shown && !outcomes)
        return;
    Render(*m_state, *shown);
}

void CGUI_KV58Dlg::Sent(uint64_t command, int control)
{
    m_lastCommand = command;
    if (control != 0)
        m_edits[control] = command;
    // The wait is timed from the first command the device has not done yet.
    if (!m_busy && !m_busyTimer && m_hWnd)
        m_busyTimer = ::SetTimer(m_hWnd, kBusyTimer, kBusyDelayMs, nullptr) != 0;
}

bool CGUI_KV58Dlg::Edited(int control, const DeviceState& state) const
{
    const auto edit = m_edits.find(control);
    return edit != m_edits.end() && edit->second > state.done;
}

void CGUI_KV58Dlg::Render(const DeviceState& state, const DeviceState& shown)
{
    ShowInputSources(state);
    ShowSampleRates(state, shown);
    ShowMixer(state);
    ShowStreamingModes(state);
    ShowAsioBufferSizes(state, shown);
    for (const CComboBox* box :
         {&m_cbInputSource, &m_cbSampleRate, &m_cbStreamingMode, &m_cbAsioBuffer})
        ::EnableWindow(box->m_hWnd, state.open);
    ShowDevicePresence(state);
    UpdateBusyCursor(state);
}

void CGUI_KV58Dlg::ShowDevicePresence(const DeviceState& state)
{
    if (state.done < m_firstOpen)
        return;
    // Shown or hidden only when that changes: a state comes at every drain.
    const bool shown = (::GetWindowLongW(m_noDevice.m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown == state.open)
        ::ShowWindow(m_noDevice.m_hWnd, state.open ? SW_HIDE : SW_SHOWNA);
    m_trayIcon.ShowStatus(DeviceSummary(state));
}

void CGUI_KV58Dlg::OnBusyTimer()
{
    ::KillTimer(m_hWnd, kBusyTimer);
    m_busyTimer = false;
    ShowBusy(m_state && m_lastCommand > m_state->done);
}

void CGUI_KV58Dlg::UpdateBusyCursor(const DeviceState& state)
{
    if (m_lastCommand > state.done)
        return;
    if (m_busyTimer)
        ::KillTimer(m_hWnd, kBusyTimer);
    m_busyTimer = false;
    ShowBusy(false);
}

void CGUI_KV58Dlg::ShowBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    // The cursor changes at once where it is over the panel, not at the next move.
    POINT cursor;
    if (!::GetCursorPos(&cursor))
        return;
    HWND under = ::WindowFromPoint(cursor);
    if (under == m_hWnd || ::IsChild(m_hWnd, under))
        ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

bool CGUI_KV58Dlg::OnSetCursor(HWND, UINT hitTest)
{
    if (!m_busy || hitTest != HTCLIENT)
        return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
}
