#pragma once
#include <windows.h>
#include <functional>

// Dispatches this thread's messages until the condition holds or the time
// is up; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Dispatches this thread's messages for a while.
void PumpFor(DWORD ms);
