#pragma once
// The simulated KV58 as every process of the session sees it: one block of
// shared memory, changed only under the simulator's lock.
#include <cstdint>

namespace sim
{
constexpr uint32_t kMaxRates = 16;
constexpr uint32_t kMaxDevices = 2;
constexpr uint32_t kMaxHandles = 16;
constexpr uint32_t kQueueCapacity = 32768;
constexpr uint32_t kMaxPnpWindows = 16;
constexpr uint32_t kMaxFaults = 32;
constexpr uint32_t kFunctionNameLength = 32;
constexpr uint32_t kLogCapacity = 4096;
constexpr uint32_t kLogLineLength = 160;

// Status codes of the simulated driver besides the panel's own.
constexpr uint32_t kStatusInvalidParameter = 0xE0000003;
constexpr uint32_t kStatusInvalidHandle = 0xE0000004;
constexpr uint32_t kStatusTooManyHandles = 0xE0000006;
constexpr uint32_t kStatusSimulatorUnavailable = 0xE0000007;
constexpr uint32_t kStatusNoNotification = 0xE0000010;
constexpr uint32_t kStatusNoSuchControl = 0xE0000040;
constexpr uint32_t kStatusRequestRefused = 0xE0000041;

enum class Busy : uint32_t
{
    None,
    SoundDevice,
    Asio
};

enum Direction
{
    kInput,
    kOutput
};

// A device handle that a process opened, with the notifications queued for it.
struct OpenHandle
{
    uint32_t id; // 0: slot free
    uint32_t deviceIndex;
    uint32_t ownerProcess;
    uint64_t event; // the owner's event handle; 0: none registered
    uint32_t queueHead;
    uint32_t queueCount;
    uint32_t queue[kQueueCapacity];
};

struct PnpWindow
{
    uint64_t window; // 0: slot free
    uint32_t message;
    uint32_t ownerProcess;
};

struct Fault
{
    char function[kFunctionNameLength]; // empty: slot free
    uint32_t status;
    uint32_t once;
};

struct DeviceState
{
    uint32_t magic;
    uint32_t layoutVersion;
    int64_t session; // the session that initialised this block

    uint32_t devices;
    uint32_t rates[kMaxRates];
    uint32_t rateCount;
    uint32_t rate;
    uint32_t streamingMode;
    uint32_t asioBuffer;
    uint32_t minimumBufferOverride; // 0: computed from rate and mode
    uint8_t inputSelector;
    uint8_t mute[2];      // by Direction
    int16_t volume[2][2]; // by Direction, then channel 1 and 2
    Busy busy;
    uint32_t notificationReadMs; // how long each notification read takes: a slow bus
    uint32_t controlRequestMs;   // how long each control request takes: a stalled device

    uint32_t lastHandleId;
    OpenHandle handles[kMaxHandles];
    PnpWindow pnpWindows[kMaxPnpWindows];
    Fault faults[kMaxFaults];

    uint32_t logHead; // oldest line
    uint32_t logCount;
    char log[kLogCapacity][kLogLineLength];
    int64_t logTime[kLogCapacity]; // performance counter at each call
};
} // namespace sim
