#pragma once
#include <cstdint>
#include <optional>

// The game builds this plugin knows. Values are part of the binary contract (32-bit signed).
enum class HostVersion : std::int32_t { Unknown = 0, V1070 = 1, V1080 = 2 };

// The four 16-bit file version words written in decimal one after another and read back as a
// 32-bit signed number (1.0.7.0 -> 1070, 0.0.10.70 -> 1070). Empty when the digits do not fit.
std::optional<std::int32_t> VersionNumberFromWords(std::uint16_t w1, std::uint16_t w2, std::uint16_t w3,
                                                   std::uint16_t w4);

// 1070 -> V1070, 1080 -> V1080, anything else (including no number) -> Unknown.
HostVersion HostVersionFromWords(std::uint16_t w1, std::uint16_t w2, std::uint16_t w3, std::uint16_t w4);
