#pragma once
#include <cstdint>
#include <ctime>

// Wall-clock seconds from the C library; every timer of the plugin reads it here.
inline std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}
