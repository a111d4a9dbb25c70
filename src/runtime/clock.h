#pragma once
#include <cstdint>
#include <ctime>

// Wall-clock seconds, signed 64-bit; every timer of the plugin reads it here. On 32-bit Windows the
// C runtime's time_t and time() are 32-bit and answer -1 from 2038 on, so the game build asks the
// runtime's 64-bit clock by name.
#ifdef _WIN32
static_assert(sizeof(__time64_t) == 8, "the clock must count seconds in 64 bits");
inline std::int64_t Now() {
    return _time64(nullptr);
}
#else
static_assert(sizeof(std::time_t) == 8, "the clock must count seconds in 64 bits");
inline std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}
#endif
