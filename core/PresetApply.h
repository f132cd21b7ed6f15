#pragma once
#include "ChannelModel.h"
#include "DeviceSession.h"
#include "Notice.h"
#include "Preset.h"
#include <string>
#include <vector>

// What applying a preset did: each step it held, applied or not, and the
// panel's notices for refusals and warnings, each said once.
struct PresetOutcome
{
    std::vector<std::string> applied;
    std::vector<std::string> notApplied; // "step: reason"
    std::vector<Notice> notices;
};

// The device's current settings; the links are the panel's to add.
Preset CapturePreset(DeviceSession& session, ChannelModel& channels);

// Applies the device settings in order: rate, streaming mode, ASIO buffer,
// input, then levels and mutes. A refused step does not stop the others.
// The links are left to the caller: only a running panel has them.
PresetOutcome ApplyPreset(DeviceSession& session, ChannelModel& channels, const Preset& preset);
