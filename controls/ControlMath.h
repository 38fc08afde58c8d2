// Small numeric helpers the controls share.
#pragma once

#include <cmath>
#include <cstdint>

namespace kestrune {

// Conversion towards zero that gives a defined answer for every float: NaN becomes 0 and values
// beyond the 32-bit range become its ends.
inline int32_t truncateToInt(float x) {
    if (!(x == x))
        return 0;
    if (x >= 2147483520.0f)
        return INT32_MAX;
    if (x <= -2147483648.0f)
        return INT32_MIN;
    return int32_t(x);
}

inline int32_t truncateToInt(double x) {
    if (!(x == x))
        return 0;
    if (x >= 2147483647.0)
        return INT32_MAX;
    if (x <= -2147483648.0)
        return INT32_MIN;
    return int32_t(x);
}

} // namespace kestrune
