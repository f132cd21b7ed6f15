#pragma once
#include "ChannelModel.h"
#include "../device/WnLock.h"
#include "DeviceCommand.h"
#include "DeviceSession.h"
#include "DeviceState.h"
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The device thread's side of DeviceThread: the queue the window fills, and
// the session with everything only the device thread touches.
class DeviceWorker
{
public:
    DeviceWorker(const UsbAudioApi& api, const HidApi& hid, std::function<void()> changed);
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Shared with the window's thread.
    uint64_t Post(DeviceCommand command);
    void RequestStop();
    std::shared_ptr<const DeviceState> State() const;
    std::shared_ptr<const DeviceState> TakeNews(std::vector<DeviceOutcome>& outcomes);
    bool WaitUntilDone(uint64_t command, DWORD timeoutMs) const;

    // The thread's body: commands first, then the driver's notifications.
    void Run();

private:
    std::optional<DeviceCommand> Next();
    void Publish(DeviceOutcome outcome);
    void Execute(const DeviceCommand& command, DeviceOutcome& outcome);
    // The commands' driver calls.
    void OpenDevice();
    void RefreshState();
    void ReadCurrentRate();
    void ReadMixer();
    void SetRate(unsigned int rate, DeviceOutcome& outcome);
    void SetStreamingMode(unsigned int mode, DeviceOutcome& outcome);
    bool CheckMinimumAsioBufferSize(unsigned int size, DeviceOutcome& outcome);
    void SetAsioBufferSize(unsigned int size, DeviceOutcome& outcome);
    void SetCheckedAsioBufferSize(unsigned int size, DeviceOutcome& outcome);
    void SetInput(uint8_t source, DeviceOutcome& outcome);
    void SetVolume(unsigned int level, int16_t volume);
    void SetMute(unsigned int direction, bool muted);
    void ApplyPreset(const PresetReading& reading, DeviceOutcome& outcome);
    // Reads one slice of notifications; the state is re-read and handed on
    // once the driver ran dry.
    void Drain();
    // A drain is owed or under way; takes a signal the wait has not seen.
    bool DrainOwed();
    bool Stopping() const;

    // Shared, under m_lock.
    mutable WnLock m_lock;
    // Woken at every state handed over.
    mutable CONDITION_VARIABLE m_handedOver = CONDITION_VARIABLE_INIT;
    std::deque<DeviceCommand> m_queue;
    uint64_t m_lastNumber = 0;
    bool m_stopping = false;
    std::shared_ptr<const DeviceState> m_published;
    std::vector<DeviceOutcome> m_outcomes;
    // `changed` was called and its news not taken yet.
    bool m_told = false;
    const std::function<void()> m_changed;
    WnAutoResetEvent m_wake;

    // The device thread's own.
    DeviceSession m_session;
    ChannelModel m_channels{m_session};
    DeviceState m_state;
    bool m_watching = false;
    // The wait took the auto-reset notification event: its drain is owed,
    // though the event no longer says so.
    bool m_notified = false;
    DeviceSession::Changes m_drained;
};
