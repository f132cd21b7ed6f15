#include "DeviceSummary.h"
#include "SettingChoices.h"

std::wstring DeviceSummary(const DeviceState& state)
{
    if (!state.open)
        return kNoDeviceText;
    std::wstring line;
    const auto add = [&line](const std::wstring& part)
    { line += (line.empty() ? L"" : L", ") + part; };
    if (state.rate)
        add(SampleRateText(*state.rate));
    for (const StreamingModeChoice& mode : kStreamingModes)
        if (state.streamingMode == mode.ms)
            add(StreamingModeText(mode));
    if (state.asioSize)
        add(std::to_wstring(*state.asioSize) + L" samples");
    return line;
}
