#pragma once
#include <cstdint>
#include <string>

// Fader positions are mirrored volumes, so that up is louder: the top of a
// fader (its range minimum) is the channel's maximum volume.
constexpr int PositionFromVolume(int rangeMin, int rangeMax, int volume)
{
    return rangeMin + rangeMax - volume;
}

// The volume of a position, kept within what the 16-bit control can carry.
constexpr int16_t VolumeFromPosition(int rangeMin, int rangeMax, int position)
{
    const int volume = rangeMin + rangeMax - position;
    return static_cast<int16_t>(volume < INT16_MIN   ? INT16_MIN
                                : volume > INT16_MAX ? INT16_MAX
                                                     : volume);
}

// Whole decibels of a 1/256 dB volume, truncated toward zero.
inline std::wstring ReadoutText(int volume)
{
    return std::to_wstring(volume / 256);
}
