#include "DeviceSettings.h"
#include <string>

std::optional<unsigned int> StreamingMode(const DeviceSession& session)
{
    unsigned int mode = 0;
    if (session.Api().GetUsbStreamingMode(&mode) != 0)
        return std::nullopt;
    return mode;
}

DeviceResult SetStreamingMode(DeviceSession& session, unsigned int mode)
{
    return {L"TUSBAUDIO_SetUsbStreamingMode", session.Api().SetUsbStreamingMode(mode)};
}

std::optional<unsigned int> CurrentAsioBufferSize(const DeviceSession& session)
{
    unsigned int size = 0;
    if (session.Api().GetASIOBufferSize(&size) != 0)
        return std::nullopt;
    return size;
}

AsioBufferSizeList AsioBufferSizes(const DeviceSession& session)
{
    AsioBufferSizeList sizes;
    for (unsigned int size : kAsioBufferSizes)
        InsertAsioBufferSize(sizes, size);
    if (const std::optional<unsigned int> current = CurrentAsioBufferSize(session))
        InsertAsioBufferSize(sizes, *current);
    return sizes;
}

DeviceResult SetAsioBufferSize(DeviceSession& session, unsigned int size)
{
    return {L"TUSBAUDIO_SetASIOBufferSize", session.Api().SetASIOBufferSize(size)};
}

AsioMinimum MinimumAsioBufferSize(const DeviceSession& session)
{
    AsioMinimum result;
    result.failure = {L"TUSBAUDIO_GetCurrentSampleRate",
                      session.Api().GetCurrentSampleRate(session.Device(), &result.rate)};
    if (!result.failure.Ok())
        return result;
    result.failure = {L"TUSBAUDIO_GetMinimumASIOBufferSize",
                      session.Api().GetMinimumASIOBufferSize(result.rate, &result.minimum)};
    return result;
}

std::wstring AsioBufferTooSmallText(unsigned int rate)
{
    return L"At " + std::to_wstring(rate) +
           L" Hz sampling rate the selected ASIO buffer size is too small for the current USB "
           L"streaming mode. To avoid audio distortions, you should select a larger ASIO buffer "
           L"size.";
}
