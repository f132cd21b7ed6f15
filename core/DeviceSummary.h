#pragma once
#include "DeviceState.h"
#include <string>

constexpr wchar_t kNoDeviceText[] = L"No KV58 connected";

// The device's state in one line, for the tray icon's tip:
// "48000 Hz, Standard (4 ms), 512 samples", or kNoDeviceText. A setting that
// could not be read is left out.
std::wstring DeviceSummary(const DeviceState& state);
