#pragma once
#include "app/GUI_KV58Dlg.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/Pump.h"
#include <string>
#include <vector>

// A message box the panel would have shown.
struct ShownBox
{
    std::wstring text;
    std::wstring caption;
    UINT style;
};

// The panel on the in-process fake driver, created without a modal loop of
// its own; message boxes are recorded instead of shown.
class TestPanel : public CGUI_KV58Dlg
{
public:
    explicit TestPanel(const HidApi& hid = SystemHidApi())
        : CGUI_KV58Dlg(FakeUsbAudio::Instance().api(), hid, true)
    {
    }
    TestPanel(const UsbAudioApi& api, const HidApi& hid) : CGUI_KV58Dlg(api, hid, true) {}
    ~TestPanel() override
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }

    std::vector<ShownBox> boxes;

    // Waits until the device thread has done everything asked before and
    // every notification signalled before, and the panel shows the result.
    bool Settle(DWORD timeoutMs = 10000)
    {
        const uint64_t sync = m_device.Sync();
        return PumpUntil([&] { return m_state->done >= sync; }, timeoutMs);
    }
    // What a control tells the panel when the user changes it.
    void Notify(int id, WORD code)
    {
        ::SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(id, code),
                       reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, id)));
    }
    // What a fader tells the panel when it has moved to position.
    void FaderMoved(int id, int position)
    {
        ::SendMessageW(m_hWnd, WM_PNGSLIDER_CHANGED, static_cast<WPARAM>(id), position);
    }
    // Waits until the device thread has done everything asked before; the
    // panel has not taken the news yet.
    bool DeviceDone(DWORD timeoutMs = 10000)
    {
        return m_device.WaitUntilDone(m_device.Sync(), timeoutMs);
    }
    // The state the panel shows.
    const DeviceState& Shown() const { return *m_state; }

    // For tests that don't look at the icon: under Wine, the shell's tray
    // stalls two seconds when its last icon goes.
    void StayOutOfTheTray() { m_trayIcon.m_notify = &IgnoreShellCall; }

protected:
    static BOOL WINAPI IgnoreShellCall(DWORD, PNOTIFYICONDATAW) { return TRUE; }

    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style) override
    {
        boxes.push_back({text, caption, style});
        return IDOK;
    }
};
