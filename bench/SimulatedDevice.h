#pragma once
#include "simulator/SharedDevice.h"
#include <string>
#include <vector>

// One call of the simulated driver, with its time on NowMs()'s clock.
struct TimedCall
{
    double ms;
    std::string text;
};

// The simulated device, changed in place rather than through kv58sim: a
// process per change would be what the figures measure.
class SimulatedDevice
{
public:
    void Reset();
    void ClearLog();
    std::vector<TimedCall> Log();
    void Attach(bool attached);
    void Notify(uint32_t type, uint32_t count);
    void SetInputVolume(int16_t value);
    // Each notification read then takes this long: a slow bus.
    void SetNotificationReadMs(uint32_t ms);
    // Each control request (Get, Set) then takes this long: a stalled device.
    void SetControlRequestMs(uint32_t ms);
    // Every control request then fails at once with the status given.
    void FailControlRequests(uint32_t status);
    // Notifications still queued for the handles one process opened.
    uint32_t QueuedNotifications(DWORD process);

private:
    sim::SharedDevice m_device;
};
