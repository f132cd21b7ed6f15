#include "SettingChoices.h"
#include <algorithm>
#include <iterator>

namespace
{
template <typename Values, typename Number>
std::string Listed(const Values& values, Number number, const char* separator, const char* last)
{
    std::string text;
    for (size_t i = 0; i < std::size(values); ++i)
        text += (i == 0                       ? ""
                 : i + 1 == std::size(values) ? last
                                              : separator) +
                std::to_string(number(values[i]));
    return text;
}
} // namespace

bool IsStreamingMode(unsigned int ms)
{
    return std::any_of(std::begin(kStreamingModes), std::end(kStreamingModes),
                       [ms](const StreamingModeChoice& mode) { return mode.ms == ms; });
}

bool IsAsioBufferSize(unsigned int size)
{
    return std::find(std::begin(kAsioBufferSizes), std::end(kAsioBufferSizes), size) !=
           std::end(kAsioBufferSizes);
}

std::wstring SampleRateText(unsigned int rate)
{
    return std::to_wstring(rate) + L" Hz";
}

std::wstring StreamingModeText(const StreamingModeChoice& mode)
{
    return std::wstring(mode.label) + L" (" + std::to_wstring(mode.ms) + L" ms)";
}

std::string ListOfStreamingModes(const char* separator, const char* last)
{
    return Listed(
        kStreamingModes, [](const StreamingModeChoice& m) { return m.ms; }, separator, last);
}

std::string ListOfAsioBufferSizes(const char* separator, const char* last)
{
    return Listed(
        kAsioBufferSizes, [](unsigned int size) { return size; }, separator, last);
}
