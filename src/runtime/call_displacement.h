#pragma once
#include <cstdint>

// A five-byte relative call (E8 rel32) at `site` reaches site + 5 + displacement, all in 32-bit
// wrap-around arithmetic.
inline constexpr std::uint32_t kCallLength = 5;

constexpr std::uint32_t CallDestination(std::uint32_t site, std::uint32_t displacement) {
    return site + kCallLength + displacement;
}

constexpr std::uint32_t CallDisplacement(std::uint32_t site, std::uint32_t target) {
    return target - (site + kCallLength);
}
