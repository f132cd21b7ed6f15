#pragma once
#include "../device/WnHandle.h"
#include "DeviceCommand.h"
#include "DeviceState.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class DeviceWorker;

// One thread that owns the device session and makes every driver call for a
// window, which therefore never waits on the device. The window sends
// commands and gets back copies of the device's state and the commands'
// outcomes; `changed` is called on the device thread whenever there is news
// (the window posts itself a message there).
class DeviceThread
{
public:
    DeviceThread(const UsbAudioApi& api, const HidApi& hid, std::function<void()> changed);
    // Stops the thread; see Stop.
    ~DeviceThread();
    DeviceThread(const DeviceThread&) = delete;
    DeviceThread& operator=(const DeviceThread&) = delete;

    // Each command is queued and gives its number; the state copy that
    // follows it carries that number in `done`.
    // Has the driver post message to window at each device arrival and removal.
    uint64_t WatchPnp(HWND window, UINT message);
    uint64_t Open();
    uint64_t Refresh();
    uint64_t SetRate(unsigned int rate);
    uint64_t SetStreamingMode(unsigned int mode);
    uint64_t SetAsioBufferSize(unsigned int size);
    uint64_t SetInput(uint8_t source);
    // Only the newest volume waiting for each level is kept: a stalled
    // device gets the last position of a drag, not every step of it.
    uint64_t SetVolume(Preset::Level level, int16_t volume);
    uint64_t SetMute(Preset::Direction direction, bool muted);
    uint64_t ApplyPreset(PresetReading reading);
    // An outcome's next step, once its notices are shown.
    uint64_t Resume(const DeviceCommand& then);
    // Done once everything asked before it and every notification the
    // driver signalled before it have been handled.
    uint64_t Sync();

    struct News
    {
        std::shared_ptr<const DeviceState> state;
        std::vector<DeviceOutcome> outcomes;
    };
    // The newest state and the outcomes not yet taken; `changed` is called
    // again at the next news after this.
    News TakeNews();
    // The newest state, for a look that takes nothing.
    std::shared_ptr<const DeviceState> State() const;
    // Waits at most the time given for the command to be done; true when it is.
    bool WaitUntilDone(uint64_t command, DWORD timeoutMs) const;

    // Lets the call in flight finish, closes the device and ends the thread.
    // False when that call has not returned within the grace: the thread is
    // left to end with the process, which the caller then ends before the
    // driver's library goes.
    bool Stop(DWORD graceMs);

private:
    std::shared_ptr<DeviceWorker> m_worker;
    WnHandle m_thread;
    bool m_abandoned = false;
};
