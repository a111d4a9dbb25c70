// The game build's version number, from the four words of its file version.
#include "runtime/version_number.h"

#include <gtest/gtest.h>

namespace {

// The four words' digits read as one number; the plugin knows only builds 1070 and 1080.
TEST(VersionNumber, DigitsOfTheFourWords) {
    const struct {
        std::uint16_t words[4];
        std::optional<std::int32_t> number;
        HostVersion version;
    } cases[] = {
        {{0, 0, 10, 70}, 1070, HostVersion::V1070}, // leading zeros do not count
        {{0, 1, 0, 80}, 1080, HostVersion::V1080},
        {{1, 0, 7, 1}, 1071, HostVersion::Unknown},
        {{1, 2, 10, 3}, 12103, HostVersion::Unknown},
        {{0, 0, 0, 0}, 0, HostVersion::Unknown},
        {{2, 1, 4748, 3647}, 2147483647, HostVersion::Unknown},
        {{2, 1, 4748, 3648}, std::nullopt, HostVersion::Unknown}, // beyond 32 bits: no number
        {{65535, 65535, 65535, 65535}, std::nullopt, HostVersion::Unknown},
    };
    for (const auto& [w, number, version] : cases) {
        EXPECT_EQ(VersionNumberFromWords(w[0], w[1], w[2], w[3]), number) << w[0] << w[1] << w[2] << w[3];
        EXPECT_EQ(HostVersionFromWords(w[0], w[1], w[2], w[3]), version) << w[0] << w[1] << w[2] << w[3];
    }
}

} // namespace
