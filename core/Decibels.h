#pragma once
#include <optional>
#include <string>
#include <string_view>

// Levels in decibels as text, keeping the driver's 1/256 dB steps exactly:
// -3200 is "-12.5", -1 is "-0.00390625", 0 is "0".
std::string DecibelText(int volume);
// A plain decimal number of decibels ("-12.5", "3", "+0.25") in 1/256 dB
// steps, rounded to the nearest step; nothing for anything else or for a
// magnitude beyond 1000 dB.
std::optional<int> ParseDecibels(std::string_view text);
