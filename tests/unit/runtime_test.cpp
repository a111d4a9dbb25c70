// The game build's version number, the displacement of a patched call and a message never shown.
#include "runtime/call_displacement.h"
#include "runtime/version_number.h"
#include "script/screen_text.h"

#include <gtest/gtest.h>

namespace {

// The digits of the four words read as one number; only 1070 and 1080 are builds the plugin knows.
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

// Forward and backward targets, wrapping in 32 bits across the top of the address space.
TEST(CallDisplacement, ForwardAndBackwardTargetsWrapIn32Bits) {
    EXPECT_EQ(CallDisplacement(0x401000, 0x402000), 0xFFBu);
    EXPECT_EQ(CallDestination(0xFFFFFFF0, 0x20), 0x15u);
    for (std::uint32_t site : {0u, 0x401000u, 0x7FFFFFFEu, 0xFFFFFFFBu})
        for (std::uint32_t target : {0u, 0x1234u, 0x80000000u, 0xFFFFFFFFu})
            EXPECT_EQ(CallDestination(site, CallDisplacement(site, target)), target);
}

// Not even at second 0 (the six seconds of a message shown are played by tests/host).
TEST(TimedMessage, NeverShownIsNeverVisible) {
    EXPECT_FALSE(TimedMessageVisible(TimedMessage().expiry, 0));
}

} // namespace
