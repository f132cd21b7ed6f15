#include "SimulatedDevice.h"
#include "simulator/Connections.h"
#include "simulator/DeviceModel.h"
#include <algorithm>

void SimulatedDevice::Reset()
{
    m_device.WithState([](sim::DeviceState& state) { sim::ResetDevice(state); });
}

void SimulatedDevice::ClearLog()
{
    m_device.WithState([](sim::DeviceState& state) { sim::ClearLog(state); });
}

std::vector<TimedCall> SimulatedDevice::Log()
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<TimedCall> calls;
    m_device.WithState(
        [&](sim::DeviceState& state)
        {
            for (uint32_t i = 0; i < state.logCount; ++i)
            {
                const uint32_t slot = (state.logHead + i) % sim::kLogCapacity;
                calls.push_back({static_cast<double>(state.logTime[slot]) * 1000.0 /
                                     static_cast<double>(frequency.QuadPart),
                                 state.log[slot]});
            }
        });
    return calls;
}

void SimulatedDevice::Attach(bool attached)
{
    m_device.WithState(
        [&](sim::DeviceState& state)
        {
            sim::SetAttachedDevices(state, attached ? std::max(state.devices, 1u) : 0);
            sim::PostPnpMessage(state, attached ? sim::kPnpArrival : sim::kPnpRemoval);
        });
}

void SimulatedDevice::Notify(uint32_t type, uint32_t count)
{
    m_device.WithState([&](sim::DeviceState& state)
                       { sim::QueueNotifications(state, type, count); });
}

void SimulatedDevice::SetInputVolume(int16_t value)
{
    m_device.WithState(
        [&](sim::DeviceState& state)
        {
            state.volume[sim::kInput][0] = value;
            state.volume[sim::kInput][1] = value;
        });
}

void SimulatedDevice::SetNotificationReadMs(uint32_t ms)
{
    m_device.WithState([&](sim::DeviceState& state) { state.notificationReadMs = ms; });
}

void SimulatedDevice::SetControlRequestMs(uint32_t ms)
{
    m_device.WithState([&](sim::DeviceState& state) { state.controlRequestMs = ms; });
}

void SimulatedDevice::FailControlRequests(uint32_t status)
{
    m_device.WithState(
        [&](sim::DeviceState& state)
        {
            for (const char* request : {"Get", "Set"})
                sim::AddFault(state, request, status, false);
        });
}

uint32_t SimulatedDevice::QueuedNotifications(DWORD process)
{
    uint32_t queued = 0;
    m_device.WithState(
        [&](sim::DeviceState& state)
        {
            for (const sim::OpenHandle& handle : state.handles)
                queued += handle.id && handle.ownerProcess == process ? handle.queueCount : 0;
        });
    return queued;
}
