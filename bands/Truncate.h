// Float-to-int conversion that truncates toward zero like a cast, but stays
// defined for values a plain cast would make undefined: out-of-range values
// saturate at the int32 limits and NaN gives 0.
#pragma once

#include <cstdint>

inline int32_t truncToInt(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}
