#pragma once
#include "../controls/AccessibleComboBox.h"
#include "../controls/DialogFontNormaliser.h"
#include "../controls/GdipButton.h"
#include "../controls/PngSlider.h"
#include "../controls/TransparentStatic2.h"
#include "../core/DeviceSession.h"
#include "../core/PresetStore.h"
#include "../framework/Controls.h"
#include "../framework/Dialog.h"
#include "../framework/Gdi.h"
#include "../mixer/ChannelModel.h"
#include "../settings/AsioBufferSizes.h"
#include "SkinArt.h"
#include "TrayIcon.h"
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr UINT WM_PNP_NOTIFY = WM_APP + 3;
constexpr UINT WM_DEVICE_NOTIFY = WM_APP + 5;
constexpr UINT WM_APPLY_PRESET = WM_APP + 9;
// WM_COPYDATA's tag for a preset's name (UTF-16, without its terminator)
// that another instance hands to the running panel.
constexpr ULONG_PTR kPresetCopyData = 0x4B563538;

// The control panel: the one window of the program, a view over the device
// session. Its operations fill the controls from the session and send the
// user's choices to it.
class CGUI_KV58Dlg : public CDialog
{
public:
    CGUI_KV58Dlg(const UsbAudioApi& api, const HidApi& hid, bool showAllowed);
    ~CGUI_KV58Dlg() override;

    // Device connection.
    UsbAudioStatus OpenDevice();
    // Stops the worker and closes the device; the panel's end.
    void CloseDevice();
    void StopNotificationThread();
    void RefreshDeviceControls();
    LRESULT OnPnpNotification(WPARAM wParam);
    // wParam 0 from the worker; a drain's own continuation otherwise.
    LRESULT OnDeviceNotification(WPARAM wParam = 0);

    // Status reporting.
    void ReportStatusError(const wchar_t* label, UsbAudioStatus status);
    void ReportAsioInUse();
    void ReportSoundDeviceInUse();
    void ShowInformation(const std::wstring& text);
    void ReportBusyOrError(const wchar_t* label, UsbAudioStatus status);

    // HID link.
    UsbAudioStatus SendHidRateReport(bool firstFlag, bool secondFlag);
    UsbAudioStatus OpenHidDevice(uint16_t vendorId, uint16_t productId);

    // Sample rate.
    void FillSampleRates();
    void ShowCurrentSampleRate();
    void OnSelchangeSampleRate();
    void SendRateReportFor(unsigned int rate);

    // Streaming mode and ASIO buffer size.
    void FillStreamingModes();
    void SelectStreamingMode(unsigned int mode);
    void BuildAsioBufferSizes();
    void FillAsioBufferSizes();
    void SelectAsioBufferSize(unsigned int size);
    bool CheckMinimumAsioBufferSize(unsigned int size);
    void OnSelchangeStreamingMode();
    void OnSelchangeAsioBufferSize();

    // Input source.
    void FillInputSources();
    void OnSelchangeInputSource();

    // Mixer.
    void LoadChannelGroups();
    void ReadMixerState();
    void SendFaderVolume(CPngSlider& fader);
    // Which channel, readout, partner and link button belong to a fader.
    struct FaderBinding
    {
        CPngSlider* fader;
        ChannelGroup* group;
        int record;
        CWnd* readout;
        CPngSlider* partner;
        CGdipButton* link;
    };
    std::array<FaderBinding, 4> FaderBindings();
    std::optional<FaderBinding> BindingOf(const CPngSlider& fader);
    void ShowChannel(const ChannelRecord& record, CPngSlider& fader, CWnd& readout);
    void ShowMute(const ChannelGroup& group, CGdipButton& button);
    void SendMute(const ChannelGroup& group, const CGdipButton& button);
    LRESULT OnFaderChanged(WPARAM id, LPARAM position);
    void OnBnClickedMute1();
    void OnBnClickedMute2();

    // Presets.
    void ApplyPresetNamed(const std::wstring& name);
    // Saves the current settings and links; false after telling the user why not.
    bool SavePresetAs(const std::wstring& name);
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    void OnTrayPresetSave();
    void OnTrayPresetFolder();
    PresetStore m_presets;
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

    HICON m_hIcon;
    DeviceSession m_session;
    ChannelModel m_channels{m_session};
    uint8_t m_inputSource = 0;
    // A drain of the driver's queue that goes on in slices.
    struct NotificationDrain
    {
        bool continuing = false;
        bool rateChanged = false;
        bool mixerChanged = false;
    };
    NotificationDrain m_drain;
    CTrayIcon m_trayIcon;
    // Broadcast by the shell when it starts anew with an empty tray.
    const UINT m_taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    CDialogFontNormaliser m_fontNormaliser;
    // The resolution the panel is laid out and skinned for.
    UINT m_dpi = 96;
    // The controls in the template's order, which the font normaliser walks;
    // skinning brings some of them to the top.
    std::vector<HWND> m_templateOrder;
    // The skin for m_dpi: the background and the images the controls share.
    std::unique_ptr<CSkinArt> m_skin;
    struct IconDestroyer
    {
        void operator()(HICON icon) const { ::DestroyIcon(icon); }
    };
    using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
    // The icon drawn for the title bar's and the taskbar's sizes at m_dpi,
    // and for the notification area's at the start.
    IconHandle m_bigIcon;
    IconHandle m_smallIcon;
    IconHandle m_trayImage;
    bool m_bShowAllowed;
    AsioBufferSizeList m_asioBufferSizes;
    CAccessibleComboBox m_cbSampleRate;
    CAccessibleComboBox m_cbInputSource;
    CAccessibleComboBox m_cbStreamingMode;
    CAccessibleComboBox m_cbAsioBuffer;
    CSliderCtrl m_trackbars[8];
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

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The one way the panel shows a message box; tests override it.
    virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style);

    const UsbAudioApi& m_api;
    const HidApi& m_hid;

private:
    void OnPaint();
    // Hands the clean background to the skinned controls.
    void CaptureBackgrounds(const CDC& composition);
    void SetWindowIcons();
    // Names, values and the Tab order for screen readers and the keyboard.
    void DescribeControls();
    // Tab follows reading order; skinning brings controls to the top, so
    // this runs after every skinning.
    void StackControlsInReadingOrder();
    void OnSysCommand(UINT id);
    void OnWindowPosChanging(WINDOWPOS* pos);
    LRESULT OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnCommand(WORD id, WORD code);
    void ContinueDrainLater();
    // False when the timer is not the drain's.
    bool OnDrainTimer(UINT_PTR id);
    // Creates the notification event anew: 0 or the error (tests make it fail).
    virtual DWORD CreateNotifyEvent();

    bool m_backgroundsCaptured = false;
    // The sample-rate field's height over its font's, as the box first set it.
    int m_sampleRateFieldMargin = -1;
};
