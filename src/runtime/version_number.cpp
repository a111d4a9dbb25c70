#include "runtime/version_number.h"

#include <charconv>
#include <cstdio>

std::optional<std::int32_t> VersionNumberFromWords(std::uint16_t w1, std::uint16_t w2, std::uint16_t w3,
                                                   std::uint16_t w4) {
    // Four words of at most five digits each: 20 characters and a terminator.
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%u%u%u%u", unsigned{w1}, unsigned{w2},
                                     unsigned{w3}, unsigned{w4});
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits, digits + length, number);
    if (error != std::errc{} || end != digits + length) return std::nullopt;
    return number;
}

HostVersion HostVersionFromWords(std::uint16_t w1, std::uint16_t w2, std::uint16_t w3, std::uint16_t w4) {
    const auto number = VersionNumberFromWords(w1, w2, w3, w4);
    if (number == 1070) return HostVersion::V1070;
    if (number == 1080) return HostVersion::V1080;
    return HostVersion::Unknown;
}
