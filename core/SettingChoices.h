#pragma once
#include <string>

// The streaming modes and ASIO buffer sizes the panel offers, the preset
// reader accepts and kv58ctl takes: one list each, so they cannot drift.

struct StreamingModeChoice
{
    unsigned int ms; // the mode's number is also its latency
    const wchar_t* label;
};

constexpr StreamingModeChoice kStreamingModes[] = {
    {1, L"Min latency"}, {2, L"Low latency"}, {4, L"Standard"},
    {8, L"Relaxed"},     {16, L"Safe"},       {32, L"Extra Safe"},
};

constexpr unsigned int kAsioBufferSizes[] = {64, 128, 256, 512, 1024, 2048, 4096, 8192};

bool IsStreamingMode(unsigned int ms);
bool IsAsioBufferSize(unsigned int size);
// "48000 Hz", as the panel's box shows it.
std::wstring SampleRateText(unsigned int rate);
// "Standard (4 ms)", as the panel's box shows it.
std::wstring StreamingModeText(const StreamingModeChoice& mode);
// "1, 2, 4, 8, 16 or 32" and "1|2|4|8|16|32", for messages and usage.
std::string ListOfStreamingModes(const char* separator, const char* last);
std::string ListOfAsioBufferSizes(const char* separator, const char* last);
