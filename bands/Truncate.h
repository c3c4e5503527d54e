// Float-to-int conversion that truncates toward zero like a cast, but stays
// defined for values a plain cast would make undefined: out-of-range values
// saturate at the int32 limits and NaN gives 0.
#pragma once

#include <cstdint>

inline int32_t truncToInt(double value)
{
    // Every value strictly between these truncates into the int32 range;
    // NaN fails both comparisons.
    if (value > -2147483649.0 && value < 2147483648.0)
        return static_cast<int32_t>(value);
    return value > 0.0 ? INT32_MAX : value < 0.0 ? INT32_MIN : 0;
}
