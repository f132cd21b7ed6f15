#pragma once
// The simulated device's own behaviour, on the locked shared state.
#include "../device/DeviceRecords.h"
#include "DeviceState.h"
#include <string>

namespace sim
{
// Everything cleared, then the default device (one attached).
void InitialiseState(DeviceState& state);
// The default device again, with an empty log and no faults; open handles
// and registered windows stay (their queued notifications are dropped).
void ResetDevice(DeviceState& state);

// The smallest safe ASIO buffer at this rate in the current streaming mode:
// the override when set; else 64 up to 2 ms, above that the power of two
// that holds rate x mode / 2000 samples, from 64 to 8192.
uint32_t MinimumAsioBuffer(const DeviceState& state, uint32_t rate);

bool IsSupportedRate(const DeviceState& state, uint32_t rate);
// What a busy driver answers to a change of rate or streaming mode; 0 when free.
uint32_t BusyStatus(const DeviceState& state);

// The channels of one group as the driver describes them; returns the count.
uint32_t DescribeChannels(bool inputGroup, ChannelRecord* records, uint32_t maxCount);

// USB Audio Class controls: the selector unit and the two feature units.
uint32_t ReadControl(const DeviceState& state, uint8_t entity, uint8_t selector, uint8_t channel,
                     uint8_t* data, uint32_t length, uint32_t* transferred);
uint32_t WriteControl(DeviceState& state, uint8_t entity, uint8_t selector, uint8_t channel,
                      const uint8_t* data, uint32_t length);

// Faults, by function name as the call log writes it ("SetSampleRate", "Get").
bool IsFaultableFunction(const std::string& function);
bool AddFault(DeviceState& state, const std::string& function, uint32_t status, bool once);
void ClearFaults(DeviceState& state);
// The status a fault asks this call to fail with, if any; a one-time fault ends here.
bool TakeFault(DeviceState& state, const char* function, uint32_t* status);

void AppendLog(DeviceState& state, const std::string& line);
void ClearLog(DeviceState& state);
} // namespace sim
