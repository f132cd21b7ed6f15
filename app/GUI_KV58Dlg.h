#pragma once
#include "../controls/DialogFontNormaliser.h"
#include "../controls/GdipButton.h"
#include "../controls/PngSlider.h"
#include "../controls/TransparentStatic2.h"
#include "../device/DeviceRecords.h"
#include "../device/HidApi.h"
#include "../device/UsbAudioApi.h"
#include "../device/WnHandle.h"
#include "../framework/Controls.h"
#include "../framework/Dialog.h"
#include "../framework/Gdi.h"
#include "../mixer/ChannelModel.h"
#include "../settings/AsioBufferSizes.h"
#include "TrayIcon.h"
#include <atomic>
#include <string>

constexpr UINT WM_PNP_NOTIFY = WM_APP + 3;
constexpr UINT WM_DEVICE_NOTIFY = WM_APP + 5;

// The control panel: the one window of the program and the owner of all its
// run-time state. Its operations live in the folder of the subsystem they
// belong to (device/, settings/, mixer/).
class CGUI_KV58Dlg : public CDialog
{
public:
    CGUI_KV58Dlg(const UsbAudioApi& api, const HidApi& hid, bool showAllowed);
    ~CGUI_KV58Dlg() override;

    // Device connection.
    UsbAudioStatus OpenDevice();
    void StopNotificationThread();
    void RefreshDeviceControls();
    LRESULT OnPnpNotification(WPARAM wParam);
    LRESULT OnDeviceNotification();

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
    LRESULT OnFaderChanged(WPARAM id, LPARAM position);
    void OnBnClickedMute1();
    void OnBnClickedMute2();

    // Tray.
    LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    void OnTrayOpen();
    void OnTrayHide();
    void OnTrayExit();

    HICON m_hIcon;
    UINT m_deviceIndex = 0;
    UsbAudioDeviceHandle m_hDevice = nullptr;
    HANDLE m_hHidDevice = INVALID_HANDLE_VALUE;
    DeviceProperties m_deviceProperties{};
    uint8_t m_inputSource = 0;
    ChannelGroup m_inputChannels{};
    ChannelGroup m_outputChannels{};
    WnHandle m_hNotifyThread;
    std::atomic<uint8_t> m_stopNotifyThread{0};
    WnAutoResetEvent m_notifyEvent;
    CTrayIcon m_trayIcon;
    CBitmap m_bmpBackground;
    bool m_bShowAllowed;
    AsioBufferSizeList m_asioBufferSizes;
    CComboBox m_cbSampleRate;
    CComboBox m_cbInputSource;
    CComboBox m_cbStreamingMode;
    CComboBox m_cbAsioBuffer;
    CSliderCtrl m_trackbars[8];

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
    void OnSysCommand(UINT id);
    void OnClose();
    void OnWindowPosChanging(WINDOWPOS* pos);
    LRESULT OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnCommand(WORD id, WORD code);
    void StartNotificationThread();
    static DWORD WINAPI NotificationThread(LPVOID dialog);
};
