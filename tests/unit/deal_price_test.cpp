#include "dealer/interaction/deal_price.h"

#include <climits>
#include <gtest/gtest.h>
#include <limits>
#include <string>

TEST(DealPrice, CutsTheRatedPriceToHundredsLessOne) {
    EXPECT_EQ(DealPrice(12345, 0.8f), 9799);   // rated 9876
    EXPECT_EQ(DealPrice(12345, 0.5f), 6099);   // rated 6172
    EXPECT_EQ(DealPrice(10000, 0.9f), 8999);   // 9000 exactly in single precision
    EXPECT_EQ(DealPrice(100000, 0.9f), 89999); // 90000 exactly
    EXPECT_EQ(DealPrice(20000, 1.0f), 19999);
}

TEST(DealPrice, SmallAndNegativeRatedPrices) {
    for (int offer : {-123, -1, 0, 1, 50, 123})
        EXPECT_EQ(DealPrice(offer, 0.8f), -1) << offer; // rated -99 .. 99
    EXPECT_EQ(DealPrice(-200, 0.8f), -101);             // rated -160
    EXPECT_EQ(DealPrice(-1000, 0.5f), -501);            // rated -500
}

// A rated price beyond 32 bits stops at the nearest 32-bit limit, never turning its sign over; one
// that is not a number rates as 0.
TEST(DealPrice, RatesOutsideTheUsualRangeGiveDefinedPrices) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const struct {
        std::int32_t offer;
        float rate;
        std::int32_t price;
    } cases[] = {
        {12345, 0.0f, -1},
        {12345, -1.0f, -12301},
        {2147483520, 1.0f, 2147483499}, // the largest float below 2^31
        {INT32_MAX, 1.0f, 2147483599},  // 2^31 as a float: one past the top
        {INT32_MAX, 2.0f, 2147483599},
        {12345, 1e30f, 2147483599},
        {12345, kInfinity, 2147483599},
        {INT32_MIN, 1.0f, -2147483601}, // -2^31 is the bottom itself
        {INT32_MIN, 2.0f, -2147483601},
        {12345, -kInfinity, -2147483601},
        {12345, std::numeric_limits<float>::quiet_NaN(), -1},
    };
    for (const auto& c : cases) EXPECT_EQ(DealPrice(c.offer, c.rate), c.price) << c.offer << " x " << c.rate;
}

TEST(DealPrice, PriceLineIsDollarSpaceAndTheNumber) {
    char line[kPriceLineSize];
    EXPECT_EQ(std::string(FormatPriceLine(9799, line)), "$ 9799");
    EXPECT_EQ(std::string(FormatPriceLine(-1, line)), "$ -1");
    EXPECT_EQ(std::string(FormatPriceLine(INT32_MIN, line)), "$ -2147483648");
}
