#pragma once
#include <windows.h>
#include <functional>
#include <string>

class CAccessibleObject;
class CPngSlider;
class CGdipButton;
class CAccessibleComboBox;

// What assistive technology is told about a fader; the panel fills it in.
struct FaderDescription
{
    std::wstring name;
    // The readout that shows the fader's value in whole decibels.
    HWND readout = nullptr;
    // The position for a value in decibels, before clamping to the range.
    std::function<long long(double decibels)> positionOf;
    // False while the panel has no device.
    std::function<bool()> available;
};

// One object per kind of control; each starts with one reference, the caller's.
CAccessibleObject* NewFaderAccessible(CPngSlider& fader);
CAccessibleObject* NewToggleAccessible(CGdipButton& button);
CAccessibleObject* NewComboAccessible(CAccessibleComboBox& box);

// A typed value such as "-12 dB", "-12" or " -3.5 db "; false when it is no number.
bool ParseDecibels(const std::wstring& text, double& decibels);
