#pragma once
#include "../device/HidApi.h"
#include "../device/UsbAudioApi.h"
#include <string>
#include <vector>

// What a run printed, as UTF-8.
struct CtlOutput
{
    std::string out;
    std::string err;
};

constexpr int kExitDone = 0;
constexpr int kExitRefused = 1; // the device refused or is absent
constexpr int kExitUsage = 2;

// Runs one command line of kv58ctl (without the program's name).
int RunKv58Ctl(const std::vector<std::string>& args, const UsbAudioApi& api, const HidApi& hid,
               CtlOutput& output);
