#pragma once
#include "DeviceState.h"
#include <windows.h>

namespace sim
{
// This process's view of the simulated device. The state lives in a file of
// the user's temporary folder, so that it outlasts the processes that change
// it; a block written in an earlier session starts over at the default state.
class SharedDevice
{
public:
    SharedDevice();
    ~SharedDevice();
    SharedDevice(const SharedDevice&) = delete;
    SharedDevice& operator=(const SharedDevice&) = delete;

    // Runs action on the locked state; false when the state cannot be reached.
    template <typename Action> bool WithState(Action&& action)
    {
        if (!Acquire())
            return false;
        struct Unlock
        {
            SharedDevice& device;
            ~Unlock() { device.Release(); }
        } unlock{*this};
        action(*m_state);
        return true;
    }

private:
    bool Acquire();
    void Release();

    HANDLE m_file = INVALID_HANDLE_VALUE;
    HANDLE m_mapping = nullptr;
    HANDLE m_lock = nullptr;
    DeviceState* m_state = nullptr;
};
} // namespace sim
