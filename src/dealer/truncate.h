#pragma once
#include <cstdint>

// A float truncated toward zero to int32, saturating: beyond the int32 range it gives the nearest
// limit, and NaN gives 0 (where a plain C++ cast is undefined and x86 gives INT32_MIN), so a price
// never turns its sign over.
constexpr std::int32_t TruncateToInt32(float value) {
    if (value != value) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value < -2147483648.0f) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}
