#include "runtime/call_displacement.h"
#include "runtime/version_number.h"

#include <gtest/gtest.h>

TEST(VersionNumber, DigitsOfTheFourWordsReadAsOneNumber) {
    EXPECT_EQ(VersionNumberFromWords(1, 0, 7, 0), 1070);
    EXPECT_EQ(VersionNumberFromWords(1, 0, 8, 0), 1080);
    EXPECT_EQ(VersionNumberFromWords(1, 0, 7, 1), 1071);
    EXPECT_EQ(VersionNumberFromWords(0, 0, 10, 70), 1070); // leading zeros do not count
    EXPECT_EQ(VersionNumberFromWords(1, 2, 10, 3), 12103);
    EXPECT_EQ(VersionNumberFromWords(0, 0, 0, 0), 0);
}

TEST(VersionNumber, DigitsBeyondA32BitNumberGiveNoNumber) {
    EXPECT_EQ(VersionNumberFromWords(2, 1, 4748, 3647), 2147483647);
    EXPECT_EQ(VersionNumberFromWords(2, 1, 4748, 3648), std::nullopt);
    EXPECT_EQ(VersionNumberFromWords(65535, 65535, 65535, 65535), std::nullopt);
    EXPECT_EQ(HostVersionFromWords(65535, 65535, 65535, 65535), HostVersion::Unknown);
}

TEST(VersionNumber, OnlyTheTwoKnownNumbersAreRecognised) {
    EXPECT_EQ(HostVersionFromWords(1, 0, 7, 0), HostVersion::V1070);
    EXPECT_EQ(HostVersionFromWords(0, 0, 10, 70), HostVersion::V1070);
    EXPECT_EQ(HostVersionFromWords(1, 0, 8, 0), HostVersion::V1080);
    EXPECT_EQ(HostVersionFromWords(0, 1, 0, 80), HostVersion::V1080);
    EXPECT_EQ(HostVersionFromWords(1, 0, 7, 1), HostVersion::Unknown);
    EXPECT_EQ(HostVersionFromWords(1, 2, 10, 3), HostVersion::Unknown);
}

TEST(CallDisplacement, ForwardAndBackwardTargetsWrapIn32Bits) {
    // Forward: site 0x401000 calling 0x402000.
    EXPECT_EQ(CallDisplacement(0x401000, 0x402000), 0xFFBu);
    EXPECT_EQ(CallDestination(0x401000, 0xFFB), 0x402000u);
    // Backward: a destination below the site has a negative displacement.
    EXPECT_EQ(CallDisplacement(0x10000000, 0x00401000), static_cast<std::uint32_t>(0x00401000 - 0x10000005));
    EXPECT_EQ(CallDestination(0x10000000, 0xF0400FFB), 0x00401000u);
    // Across the top of the address space.
    EXPECT_EQ(CallDestination(0xFFFFFFF0, 0x20), 0x15u);
    EXPECT_EQ(CallDisplacement(0xFFFFFFF0, 0x15), 0x20u);
    for (std::uint32_t site : {0u, 0x401000u, 0x7FFFFFFEu, 0xFFFFFFFBu})
        for (std::uint32_t target : {0u, 0x1234u, 0x80000000u, 0xFFFFFFFFu})
            EXPECT_EQ(CallDestination(site, CallDisplacement(site, target)), target);
}
