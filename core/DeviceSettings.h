#pragma once
#include "AsioBufferSizes.h"
#include "DeviceResult.h"
#include "DeviceSession.h"
#include "SettingChoices.h"
#include <optional>
#include <vector>

// The device's settings, read and set through an open session. Getters give
// nothing when the driver fails; setters give the call's result.

// Sample rate. The rates the device lists within 44.1 to 96 kHz, in its order;
// nothing when it cannot list them.
std::optional<std::vector<unsigned int>> SupportedSampleRates(const DeviceSession& session);
// The same with the driver's status when it cannot list them.
DeviceResult ReadSupportedSampleRates(const DeviceSession& session,
                                      std::vector<unsigned int>& rates);
std::optional<unsigned int> CurrentSampleRate(const DeviceSession& session);
// Tells the device's HID function the rate; other rates have no report.
void SendRateReportFor(DeviceSession& session, unsigned int rate);
// Sets the rate and, when the device took it, sends its report.
DeviceResult SetSampleRate(DeviceSession& session, unsigned int rate);
constexpr unsigned int kLowestSampleRate = 44100;

// Streaming mode: its number is also the latency in milliseconds.
std::optional<unsigned int> StreamingMode(const DeviceSession& session);
DeviceResult SetStreamingMode(DeviceSession& session, unsigned int mode);

// ASIO buffer size.
std::optional<unsigned int> CurrentAsioBufferSize(const DeviceSession& session);
// The standard sizes and the one in use.
AsioBufferSizeList AsioBufferSizes(const DeviceSession& session);
DeviceResult SetAsioBufferSize(DeviceSession& session, unsigned int size);
struct AsioMinimum
{
    DeviceResult failure; // the call that failed, if one did
    unsigned int rate = 0;
    unsigned int minimum = 0;
};
// The smallest safe size at the current rate and streaming mode.
AsioMinimum MinimumAsioBufferSize(const DeviceSession& session);
// The panel's warning for a size below the minimum.
std::wstring AsioBufferTooSmallText(unsigned int rate);

// Input source.
enum InputSource : uint8_t
{
    kAnalogIn = 1,
    kSpdifIn = 2,
};
std::optional<uint8_t> ReadInputSource(const DeviceSession& session);
DeviceResult SetInputSource(DeviceSession& session, uint8_t source);
