#pragma once
#include "../core/PresetApply.h"
#include <windows.h>
#include <string>
#include <vector>

// A message box of the panel: its text and style.
struct PanelBox
{
    std::wstring text;
    UINT style;
};

// What the panel tells the user about a preset it applied: the values it
// could not read, the reading's notices (unknown keys, nothing to apply),
// the device's refusals and warnings in its own words (each once), and the
// steps left undone.
std::vector<PanelBox> PresetReport(const PresetReading& reading, const PresetOutcome& outcome);
