#pragma once
// What ties the simulated device to the processes that use it: open handles
// with their notification queues and events, and the windows registered for
// arrival and removal messages. All on the locked shared state.
#include "../device/tusbaudioapi.h"
#include "DeviceState.h"

namespace sim
{
constexpr WPARAM kPnpArrival = 1;
constexpr WPARAM kPnpRemoval = 2;

// The handle, or null when it is unknown or its device has gone.
OpenHandle* FindHandle(DeviceState& state, UsbAudioDeviceHandle device);
uint32_t OpenDeviceHandle(DeviceState& state, uint32_t deviceIndex, UsbAudioDeviceHandle* device);
void CloseDeviceHandle(OpenHandle& handle);
// Handles still open, not counting those of ended processes.
uint32_t CountOpenHandles(DeviceState& state);

// Changes the number of attached devices; handles of devices that went are
// invalid from now on. Tells no window.
void SetAttachedDevices(DeviceState& state, uint32_t devices);
void RegisterPnpWindow(DeviceState& state, HWND window, UINT message);
void PostPnpMessage(DeviceState& state, WPARAM arrivalOrRemoval);

// Queues count notifications of the type to every open handle, then signals
// each handle's event once.
void QueueNotifications(DeviceState& state, uint32_t type, uint32_t count,
                        const OpenHandle* except = nullptr);
bool TakeNotification(OpenHandle& handle, uint32_t* type);
} // namespace sim
