#include "DeviceSettings.h"

namespace
{
// The device's input selector unit.
constexpr uint8_t kSelectorUnit = 11;
constexpr uint8_t kGetCur = 0x81;
constexpr uint8_t kSetCur = 0x01;
constexpr unsigned int kTimeoutMs = 500;
} // namespace

std::optional<uint8_t> ReadInputSource(const DeviceSession& session)
{
    uint8_t value = 0;
    if (!session.IsOpen() ||
        session.Api().AudioControlRequestGet(session.Device(), kSelectorUnit, kGetCur, 0, 0, &value,
                                             1, nullptr, kTimeoutMs) != 0)
        return std::nullopt;
    return value;
}

DeviceResult SetInputSource(DeviceSession& session, uint8_t source)
{
    return {L"DevSelectInput",
            session.Api().AudioControlRequestSet(session.Device(), kSelectorUnit, kSetCur, 0, 0,
                                                 &source, 1, nullptr, kTimeoutMs)};
}
