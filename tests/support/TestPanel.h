#pragma once
#include "app/GUI_KV58Dlg.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/Pump.h"
#include <commctrl.h>
#include <string>
#include <utility>
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
    // showAllowed false: as started hidden, the panel is never shown.
    TestPanel(const UsbAudioApi& api, const HidApi& hid, bool showAllowed = true)
        : CGUI_KV58Dlg(api, hid, showAllowed)
    {
    }
    ~TestPanel() override
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }

    std::vector<ShownBox> boxes;

    // Waits until the device thread has done everything asked before (also
    // by messages already posted to the panel) and every notification
    // signalled before, and the panel shows the result. What the panel asks
    // on seeing that result, such as a buffer size set after its warning,
    // is waited for too.
    bool Settle(DWORD timeoutMs = 10000)
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        const ULONGLONG end = ::GetTickCount64() + timeoutMs;
        const auto shown = [&](uint64_t command)
        {
            const ULONGLONG now = ::GetTickCount64();
            return now < end && PumpUntil([&] { return Shown().done >= command; },
                                          static_cast<DWORD>(end - now));
        };
        for (uint64_t sync = Device().Sync();;)
        {
            if (!shown(sync))
                return false;
            // Numbers follow each other: no gap, nothing was asked meanwhile.
            const uint64_t next = Device().Sync();
            if (next == sync + 1)
                return shown(next);
            sync = next;
        }
    }
    // Waits until the device thread has done everything asked before; the
    // panel has not taken the news yet.
    bool DeviceDone(DWORD timeoutMs = 10000)
    {
        return Device().WaitUntilDone(Device().Sync(), timeoutMs);
    }
    // The state the panel shows.
    using CGUI_KV58Dlg::Shown;
    // Asks the device thread to read the device again, as the panel does
    // after a failure; Settle waits until the panel shows it.
    void Refresh() { Device().Refresh(); }
    // What the driver tells the panel when a device arrives or goes.
    void DeviceChanged() { ::SendMessageW(m_hWnd, WM_PNP_NOTIFY, 1, 0); }

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
    // The panel's controls as a user or a tool meets them, by control id.
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT Ask(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendDlgItemMessageW(m_hWnd, id, msg, wParam, lParam);
    }
    std::wstring Text(int id) const
    {
        wchar_t text[64] = L"";
        ::GetDlgItemTextW(m_hWnd, id, text, 64);
        return text;
    }
    bool Checked(int id) const { return Ask(id, BM_GETCHECK) == BST_CHECKED; }
    void Click(int id) const { Ask(id, BM_CLICK); }
    int Position(int id) const { return static_cast<int>(Ask(id, TBM_GETPOS)); }
    std::pair<int, int> Range(int id) const
    {
        return {static_cast<int>(Ask(id, TBM_GETRANGEMIN)),
                static_cast<int>(Ask(id, TBM_GETRANGEMAX))};
    }
    // The mouse pressed on a fader's thumb, or a Ctrl+click anywhere on it.
    void Press(int id, WPARAM keys = MK_LBUTTON) const
    {
        RECT thumb{};
        Ask(id, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        Ask(id, WM_LBUTTONDOWN, keys,
            MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2));
    }
    void Release(int id) const { Ask(id, WM_LBUTTONUP); }
    // The control object behind an id: for what only a skinned control's
    // images tell, and for the framework's wrapping of a box's messages.
    template <typename Control> const Control& ControlOf(int id) const
    {
        return dynamic_cast<const Control&>(*CWnd::FromHandle(Item(id)));
    }
    // read(box, index) for each item of box id.
    template <typename Read> auto EachItem(int id, Read read) const
    {
        const CComboBox& box = ControlOf<CComboBox>(id);
        std::vector<decltype(read(box, 0))> items;
        for (int i = 0; i < box.GetCount(); ++i)
            items.push_back(read(box, i));
        return items;
    }
    // A combo box's items, their data, and the selected item's text.
    std::vector<std::wstring> Items(int id) const
    {
        return EachItem(id, [](const CComboBox& box, int i) { return box.GetLBText(i); });
    }
    std::vector<DWORD_PTR> ItemData(int id) const
    {
        return EachItem(id, [](const CComboBox& box, int i) { return box.GetItemData(i); });
    }
    std::wstring Selected(int id) const
    {
        const CComboBox& box = ControlOf<CComboBox>(id);
        return box.GetCurSel() == CB_ERR ? L"" : box.GetLBText(box.GetCurSel());
    }
    // The user picks the item with this text; false when there is none.
    bool Choose(int id, const std::wstring& text)
    {
        const CComboBox& box = ControlOf<CComboBox>(id);
        const int index = box.FindStringExact(text);
        if (index == CB_ERR)
            return false;
        box.SetCurSel(index);
        Notify(id, CBN_SELCHANGE);
        return true;
    }

    // For tests that don't look at the icon: under Wine, the shell's tray
    // stalls two seconds when its last icon goes.
    void StayOutOfTheTray() { RouteShellCalls(&IgnoreShellCall); }
    using CGUI_KV58Dlg::RouteShellCalls;

protected:
    static BOOL WINAPI IgnoreShellCall(DWORD, PNOTIFYICONDATAW) { return TRUE; }

    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style) override
    {
        boxes.push_back({text, caption, style});
        return IDOK;
    }
};
