#pragma once
#include <climits>
#include <cmath>

// Conversions that stay defined for any input: truncation toward zero,
// limited to +-INT_MAX (so the result can be negated), NaN as 0.
inline int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= -static_cast<double>(INT_MAX))
        return -INT_MAX;
    return static_cast<int>(value);
}

inline int ClampToInt(long long value)
{
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}
