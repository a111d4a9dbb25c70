// The price rules as the plugin's 32-bit build computes them: single precision throughout, so a
// rated price that lands on a whole hundred is not lost to excess precision.
#include "dealer/interaction/deal_price.h"
#include "dealer/vehicle_offers.h"

#include <gtest/gtest.h>

TEST(FloatRules, PricesNearWholeNumbersMatchTheNativeBuild) {
    EXPECT_EQ(DealPrice(10000, 0.9f), 8999); // 10000 x 0.9f is 9000 in single precision, 8999.9998 in x87
    EXPECT_EQ(DealPrice(12345, 0.8f), 9799);
    EXPECT_EQ(DealPrice(12345, 0.5f), 6099);
    EXPECT_EQ(AppraisalBasisOf(999.9f, 20000).q, 19980u);
    EXPECT_EQ(AppraisalBasisOf(-1.0f, 20000).q, 4294947u);
}
