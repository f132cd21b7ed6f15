#include "Decibels.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string DecibelText(int volume)
{
    // A step is 2^-8, so eight decimals hold every volume exactly.
    char text[32];
    std::snprintf(text, sizeof text, "%.8f", volume / 256.0);
    std::string result = text;
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.')
        result.pop_back();
    return result == "-0" ? "0" : result;
}

std::optional<int> ParseDecibels(std::string_view text)
{
    // Only digits with one optional sign and point: no exponents, hex, "inf" or blanks.
    size_t i = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    int digits = 0;
    int points = 0;
    for (; i < text.size(); ++i)
    {
        if (text[i] >= '0' && text[i] <= '9')
            ++digits;
        else if (text[i] == '.' && points == 0)
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || digits > 16)
        return std::nullopt;
    const std::string copy(text);
    const double db = std::strtod(copy.c_str(), nullptr);
    if (!(std::fabs(db) <= 1000.0))
        return std::nullopt;
    return static_cast<int>(std::lround(db * 256.0));
}
