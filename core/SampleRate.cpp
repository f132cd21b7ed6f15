#include "DeviceSettings.h"
#include <algorithm>

namespace
{
constexpr unsigned int kMaxRates = 16;
constexpr unsigned int kHighestRate = 96000;
} // namespace

DeviceResult ReadSupportedSampleRates(const DeviceSession& session,
                                      std::vector<unsigned int>& offered)
{
    offered.clear();
    if (!session.IsOpen())
        return {L"TUSBAUDIO_GetSupportedSampleRates", kStatusNoDevice};
    unsigned int rates[kMaxRates] = {};
    unsigned int count = 0;
    const DeviceResult result{
        L"TUSBAUDIO_GetSupportedSampleRates",
        session.Api().GetSupportedSampleRates(session.Device(), kMaxRates, rates, &count)};
    if (!result.Ok())
        return result;
    // A driver that claims more rates than it was given room for is not believed.
    count = std::min(count, kMaxRates);
    for (unsigned int i = 0; i < count; ++i)
        if (rates[i] >= kLowestSampleRate && rates[i] <= kHighestRate)
            offered.push_back(rates[i]);
    return result;
}

std::optional<std::vector<unsigned int>> SupportedSampleRates(const DeviceSession& session)
{
    std::vector<unsigned int> rates;
    if (!ReadSupportedSampleRates(session, rates).Ok())
        return std::nullopt;
    return rates;
}

std::optional<unsigned int> CurrentSampleRate(const DeviceSession& session)
{
    unsigned int current = 0;
    if (!session.IsOpen() || session.Api().GetCurrentSampleRate(session.Device(), &current) != 0)
        return std::nullopt;
    return current;
}

void SendRateReportFor(DeviceSession& session, unsigned int rate)
{
    switch (rate)
    {
    case 44100:
        session.SendHidRateReport(false, false);
        break;
    case 48000:
        session.SendHidRateReport(false, true);
        break;
    case 96000:
        session.SendHidRateReport(true, false);
        break;
    }
}

DeviceResult SetSampleRate(DeviceSession& session, unsigned int rate)
{
    const DeviceResult result{L"TUSBAUDIO_SetSampleRate",
                              session.Api().SetSampleRate(session.Device(), rate)};
    if (result.Ok())
        SendRateReportFor(session, rate);
    return result;
}
