#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The output report that tells the device's HID function the sample rate, as
// handed to the write call: byte 0 is the report id.
constexpr std::size_t kHidRateReportSize = 28;
using HidRateReport = std::array<uint8_t, kHidRateReportSize>;

constexpr HidRateReport BuildHidRateReport(bool firstFlag, bool secondFlag)
{
    HidRateReport report{};
    report[22] = 0x01;
    report[23] = 0x23;
    report[24] = static_cast<uint8_t>(0x20 | (firstFlag ? 0x01 : 0) | (secondFlag ? 0x02 : 0));
    return report;
}
