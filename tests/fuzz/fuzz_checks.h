#pragma once
// What the fuzz harnesses check with: a failed check aborts, so libFuzzer keeps the input.
#include <bit>
#include <cstdint>
#include <cstdlib>

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// Bit for bit, so that NaNs and signed zeros compare too.
inline bool SameFloat(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}
