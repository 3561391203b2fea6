#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ostrane::core {

// Converts to a 32-bit integer, to the nearest whole number, halves to the even neighbour,
// whatever the floating-point rounding mode. Values beyond the range keep its nearest end.
inline std::int32_t wholeNumber(float value) {
    double whole = std::round(static_cast<double>(value));
    if (std::fabs(static_cast<double>(value) - std::trunc(static_cast<double>(value))) == 0.5)
        whole = 2.0 * std::round(static_cast<double>(value) / 2.0);
    constexpr double Lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double Highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(whole, Lowest, Highest));
}

} // namespace ostrane::core
