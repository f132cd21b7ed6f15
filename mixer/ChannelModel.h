#pragma once
#include "../device/DeviceRecords.h"
#include <cstdint>

// One direction's channels: record 0 is the master record the panel builds,
// records 1.. are the driver's channels (1 = left, 2 = right).
struct ChannelGroup
{
    ChannelRecord records[8];
    uint32_t count;
    uint8_t masterBuilt;
};
static_assert(sizeof(ChannelRecord) * 8 == 2720);
