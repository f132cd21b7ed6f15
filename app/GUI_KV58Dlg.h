#pragma once
#include "../controls/AccessibleComboBox.h"
#include "../controls/DialogFontNormaliser.h"
#include "../controls/DisplayScale.h"
#include "../controls/GdipButton.h"
#include "../controls/PngSlider.h"
#include "../controls/TransparentStatic2.h"
#include "../core/DeviceThread.h"
#include "../core/PresetStore.h"
#include "../framework/Controls.h"
#include "../framework/Dialog.h"
#include "../framework/Gdi.h"
#include "../core/ChannelModel.h"
#include "../core/AsioBufferSizes.h"
#include "RestartRegistration.h"
#include "SkinArt.h"
#include "TrayIcon.h"
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr UINT WM_PNP_NOTIFY = WM_APP + 3;
// Posted by the device thread when it has a new state or outcome.
constexpr UINT WM_DEVICE_NEWS = WM_APP + 5;
constexpr UINT WM_APPLY_PRESET = WM_APP + 9;
// WM_COPYDATA's tag for a preset's name (UTF-16, without its terminator)
// that another instance hands to the running panel.
constexpr ULONG_PTR kPresetCopyData = 0x4B563538;

// The control panel: the one window of the program, a view over the device
// thread. It shows the states the thread hands over and sends it the user's
// choices; it never calls the driver and never waits for the device.
class CGUI_KV58Dlg : public CDialog
{
public:
    CGUI_KV58Dlg(const UsbAudioApi& api, const HidApi& hid, bool showAllowed);
    ~CGUI_KV58Dlg() override;

    // Ends the device thread; false when a driver call has not returned
    // within the grace (the process must then end without waiting for it).
    bool EndDeviceWork(DWORD graceMs);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The one way the panel shows a message box; tests override it.
    virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style);

    // Where the tray icon's requests to the shell go; tests record them.
    void RouteShellCalls(decltype(&::Shell_NotifyIconW) notify) { m_trayIcon.m_notify = notify; }

    // What tests wait and look through: the core's commands, and the state on show.
    DeviceThread& Device() { return m_device; }
    const DeviceState& Shown() const { return *m_state; }

private:
    static constexpr UINT_PTR kBusyTimer = 0x8005;

    // Where the device thread posts its news; null once the window is gone.
    // Shared with the thread, which may outlive this object at the program's end.
    std::shared_ptr<std::atomic<HWND>> m_newsWindow = std::make_shared<std::atomic<HWND>>();
    DeviceThread m_device;
    // The state on show.
    std::shared_ptr<const DeviceState> m_state;

    // Asks for the device to be opened again.
    void OpenDevice();
    // The first open: states before it is done do not know whether there is a device.
    uint64_t m_firstOpen = 0;
    void ShowNotice(const Notice& notice);
    void ApplyPresetNamed(const std::wstring& name);
    // Saves the current settings and links; false after telling the user why not.
    bool SavePresetAs(const std::wstring& name);

    // The skin for m_dpi: the background and the images the controls share.
    std::unique_ptr<CSkinArt> m_skin;
    // The skin for the system's DPI, decoded while the window is made; taken
    // by the first skinning if the window has that DPI.
    std::future<std::unique_ptr<CSkinArt>> m_skinInAdvance =
        CSkinArt::DecodeAside(WindowDpi(nullptr));
    PresetStore m_presets;
    CTrayIcon m_trayIcon;
    IconHandle m_trayImage;
    bool m_bShowAllowed;
    CAccessibleComboBox m_cbSampleRate;
    CAccessibleComboBox m_cbInputSource;
    CAccessibleComboBox m_cbStreamingMode;
    CAccessibleComboBox m_cbAsioBuffer;
    CPngSlider m_fader1;
    CPngSlider m_fader2;
    CPngSlider m_fader3;
    CPngSlider m_fader4;
    CGdipButton m_btnMute1;
    CGdipButton m_btnMute2;
    CGdipButton m_btnLink1;
    CGdipButton m_btnLink2;
    CTransparentStatic2 m_label1;
    CTransparentStatic2 m_label2;
    CTransparentStatic2 m_label3;
    CTransparentStatic2 m_label4;
    // Shown while no device is open.
    CTransparentStatic2 m_noDevice;

    // The user's choices.
    void OnSelchangeSampleRate();
    void OnSelchangeStreamingMode();
    void OnSelchangeAsioBufferSize();
    void OnSelchangeInputSource();
    void SendFaderVolume(CPngSlider& fader);
    LRESULT OnFaderChanged(WPARAM id, LPARAM position);
    void OnBnClickedMute1();
    void OnBnClickedMute2();

    // Waits a moment for the device's first state, so the panel opens showing it.
    void ShowFirstState();
    LRESULT OnPnpNotification(WPARAM wParam);
    // Shows what the device thread has to tell, then its newest state.
    void OnDeviceNews();
    void ShowOutcome(const DeviceOutcome& outcome);
    void ShowInformation(const std::wstring& text);

    // Rendering a state.
    // Lists are filled again only where state differs from the one shown.
    void Render(const DeviceState& state, const DeviceState& shown);
    void ShowSampleRates(const DeviceState& state, const DeviceState& shown);
    void ShowStreamingModes(const DeviceState& state);
    void ShowAsioBufferSizes(const DeviceState& state, const DeviceState& shown);
    void ShowInputSources(const DeviceState& state);
    void ShowMixer(const DeviceState& state);
    // The no-device line and the tray icon's tip.
    void ShowDevicePresence(const DeviceState& state);
    // Which level, readout, partner and link button belong to a fader.
    struct FaderBinding
    {
        CPngSlider* fader;
        Preset::Level level;
        CWnd* readout;
        CPngSlider* partner;
        CGdipButton* link;
    };
    std::array<FaderBinding, 4> FaderBindings();
    std::optional<FaderBinding> BindingOf(const CPngSlider& fader);
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    void OnTrayPresetSave();
    void OnTrayPresetFolder();
    // The names behind the tray menu's preset items, from ID_TRAY_PRESET_FIRST on.
    std::vector<std::wstring> m_trayPresets;
    // Names handed over by other instances, applied once their sender returned.
    std::vector<std::wstring> m_pendingPresets;
    // Display scale: lays the panel out and skins it for m_dpi.
    void ScaleToWindowDpi();
    // The always-open sample-rate box sizes its field by its font alone; its
    // margins follow the resolution too, so its list shows as at 96 DPI.
    void ScaleSampleRateField();
    LRESULT OnDpiChanged(WPARAM dpis, const RECT* suggested);

    // Tray.
    LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    void OnTrayOpen();
    void OnTrayHide();
    void OnTrayExit();
    // Ends the panel, also from inside one of its boxes, which go as if cancelled.
    void OnClose();
    // Logoff, shutdown, or the Restart Manager closing the panel for an update.
    void OnEndSession(bool ending);
    void OnWindowPosChanged(const WINDOWPOS* pos);
    // Set once the panel is ending: no box opens and no box's next step is taken.
    bool m_closing = false;
    CRestartRegistration m_restart;
    HICON m_hIcon;
    // Broadcast by the shell when it starts anew with an empty tray.
    const UINT m_taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    CDialogFontNormaliser m_fontNormaliser;
    // The resolution the panel is laid out and skinned for.
    UINT m_dpi = 96;
    // The controls in the template's order, which the font normaliser walks;
    // skinning brings some of them to the top.
    std::vector<HWND> m_templateOrder;
    // The icon drawn for the title bar's and the taskbar's sizes at m_dpi,
    // and for the notification area's at the start.
    IconHandle m_bigIcon;
    IconHandle m_smallIcon;
    CSliderCtrl m_trackbars[8];

    void OnPaint();
    // Hands the clean background to the skinned controls.
    void CaptureBackgrounds(const CDC& composition);
    void SetWindowIcons();
    // m_skin, made anew when the window's DPI is not the skin's.
    CSkinArt& SkinForWindowDpi();
    // Names, values and the Tab order for screen readers and the keyboard.
    void DescribeControls();
    // Tab follows reading order; skinning brings controls to the top, so
    // this runs after every skinning.
    void StackControlsInReadingOrder();
    void OnSysCommand(UINT id);
    void OnWindowPosChanging(WINDOWPOS* pos);
    LRESULT OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnCommand(WORD id, WORD code);
    // A command sent for a control: until the device has done it, the
    // control shows the user's value rather than an older state's.
    void Sent(uint64_t command, int control = 0);
    bool Edited(int control, const DeviceState& state) const;
    // The working-in-background cursor while device work has waited long.
    void OnBusyTimer();
    // Ends the working cursor once the state shows every command done.
    void UpdateBusyCursor(const DeviceState& state);
    void ShowBusy(bool busy);
    bool OnSetCursor(HWND window, UINT hitTest);

    bool m_backgroundsCaptured = false;
    // The newest command sent for each control, by control id.
    std::map<int, uint64_t> m_edits;
    uint64_t m_lastCommand = 0;
    bool m_busyTimer = false;
    bool m_busy = false;
    // Set while outcomes are shown: news that comes meanwhile waits for them.
    bool m_showingNews = false;
    bool m_moreNews = false;
    // The sample-rate field's height over its font's, as the box first set it.
    int m_sampleRateFieldMargin = -1;
};
