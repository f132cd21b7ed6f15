#include "core/DeviceSummary.h"
#include <gtest/gtest.h>

TEST(DeviceSummary, NamesWhatIsKnownAndSaysWhenNoDeviceIsThere)
{
    DeviceState full;
    full.open = true;
    full.rate = 48000;
    full.streamingMode = 4;
    full.asioSize = 512;
    DeviceState noRate = full;
    noRate.rate.reset();
    // A mode the panel does not offer has no label to show.
    DeviceState otherMode = full;
    otherMode.streamingMode = 3;
    DeviceState gone = full;
    gone.open = false;
    const struct
    {
        const DeviceState& state;
        const wchar_t* line;
    } cases[] = {
        {full, L"48000 Hz, Standard (4 ms), 512 samples"},
        {noRate, L"Standard (4 ms), 512 samples"},
        {otherMode, L"48000 Hz, 512 samples"},
        {gone, L"No KV58 connected"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceSummary(c.state), c.line);
}
