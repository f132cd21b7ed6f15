#include "DeviceState.h"

Preset PresetOfState(const DeviceState& state)
{
    Preset preset;
    preset.rate = state.rate;
    preset.streamingModeMs = state.streamingMode;
    preset.asioBuffer = state.asioSize;
    preset.inputSource = state.inputSource;
    for (int level = 0; level < 4; ++level)
        if (state.described[level / 2] && state.volumes[level])
            preset.levels[level] = *state.volumes[level];
    for (int direction : {Preset::Input, Preset::Output})
        if (state.described[direction])
            preset.mutes[direction] = state.mutes[direction];
    return preset;
}
