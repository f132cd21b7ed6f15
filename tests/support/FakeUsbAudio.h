#pragma once
#include "device/DeviceRecords.h"
#include "device/UsbAudioApi.h"
#include "device/WnHandle.h"
#include "device/WnLock.h"
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

// An in-process stand-in for the driver: the test sets its state, the code
// under test calls it through api(), and every call is logged as text such as
//   "SetSampleRate(48000)"
//   "Get(11,0x81,0,0,len=1,timeout=500)"      -- AudioControlRequestGet
//   "Set(14,0x01,2,1,len=2,data=00a8,timeout=500)"  -- data bytes in hex, in order
// The driver's functions are plain C functions, so the fake is one instance.
class FakeUsbAudio
{
public:
    static FakeUsbAudio& Instance();
    // Back to a plugged-in KV58 at 48000 Hz, with an empty log.
    void Reset();
    const UsbAudioApi& api() const;

    // Makes the named function (as in the log, e.g. "SetSampleRate") return
    // status until cleared; getters then leave their outputs untouched.
    void Fail(const std::string& function, UsbAudioStatus status);
    void ClearFailures() { failures.clear(); }

    // A script that plays a misbehaving driver: asked after each call is
    // logged (with its text), it may change the state the call is about to
    // read, and a status it returns is the call's answer.
    std::function<std::optional<UsbAudioStatus>(const std::string& call)> script;
    // The script's answer to the call being made.
    std::optional<UsbAudioStatus> scripted;

    // Makes every call of the named function (as in the log: "Get", "Set",
    // "SetSampleRate") take this long before it answers, as a stalled device
    // does; ClearStalls ends the stalls in progress at once. Safe to call
    // while the device thread is inside a call.
    void Stall(const std::string& function, DWORD ms);
    void ClearStalls();

    // Queues a notification and signals the registered event.
    void Notify(unsigned int type);

    // Calls logged since the last Reset or TakeCalls, and clears the log.
    std::vector<std::string> TakeCalls();
    // The calls that changed the device since the last take, in order,
    // without their timeouts ("SetSampleRate(44100)", "Set(11,0x01,0,0,len=1,data=01"),
    // and clears the log.
    std::vector<std::string> TakeChanges();
    // Logged calls of one function (by prefix "SetSampleRate(").
    std::vector<std::string> CallsTo(const std::string& function);
    // These three and the logging itself may run while the device thread calls.
    void Log(std::string call);

    // State.
    unsigned int deviceCount = 1;
    uint32_t vendorId = 0x152A;
    uint32_t productId = 0x8758;
    std::vector<unsigned int> supportedRates;
    // A count the rate query reports instead of the rates it filled; 0: the true count.
    unsigned int claimedRateCount = 0;
    unsigned int currentRate = 48000;
    unsigned int streamingMode = 4;
    unsigned int asioBufferSize = 512;
    unsigned int minimumAsioBufferSize = 128; // for any rate and mode
    std::vector<ChannelRecord> inputChannels;
    std::vector<ChannelRecord> outputChannels;
    // A count the channel query reports instead of the records it filled
    // (a faulty driver); 0: the true count.
    unsigned int claimedChannelCount = 0;
    // A failing channel query still fills the records and the count first.
    bool fillBeforeFailing = false;
    // Current value of each control, by (entity, selector, channel).
    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, std::vector<uint8_t>> controls;
    std::deque<unsigned int> notifications;
    // Non-zero: a driver that never runs dry, every read gives this type.
    unsigned int endlessType = 0;
    HANDLE notificationEvent = nullptr;
    HWND pnpWindow = nullptr;
    UINT pnpMessage = 0;
    int openHandles = 0;
    std::map<std::string, UsbAudioStatus> failures;
    // The driver's text for every status when set, null included.
    std::optional<const wchar_t*> statusText;
    std::vector<std::string> calls;

    // Convenience for the controls the panel uses.
    void SetVolume(uint8_t unit, uint8_t channel, int16_t volume);
    int16_t Volume(uint8_t unit, uint8_t channel) const;
    void SetByte(uint8_t unit, uint8_t selector, uint8_t value);
    uint8_t Byte(uint8_t unit, uint8_t selector) const;

    static ChannelRecord Channel(uint8_t unit, uint8_t channel, int16_t min, int16_t max,
                                 uint32_t flags = 1);

private:
    FakeUsbAudio();

    // Guards the log and the stalls.
    WnLock m_lock;
    std::map<std::string, DWORD> m_stalls;
    WnHandle m_stallsCleared;
    // How long calls of the function stall now.
    DWORD StallOf(const std::string& function);
};

// The handle the fake hands out for its one device.
extern UsbAudioDeviceHandle const kFakeDeviceHandle;
