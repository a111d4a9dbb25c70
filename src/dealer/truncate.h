#pragma once
#include <cstdint>

// A float truncated toward zero to int32 as the x86 conversion does it: values outside the int32
// range and NaN give INT32_MIN (where a plain C++ cast is undefined).
constexpr std::int32_t TruncateToInt32(float value) {
    return value >= -2147483648.0f && value < 2147483648.0f ? static_cast<std::int32_t>(value) : INT32_MIN;
}
