// The dealer module's construction from the two files.
#include "dealer/dealer_module.h"
#include "dealer_test_files.h"

#include <gtest/gtest.h>

namespace {

void ExpectNoInteractionYet(const DealerModule& module) {
    EXPECT_EQ(module.current_dealer, nullptr);
    EXPECT_EQ(module.deal_state, DealState::Idle);
    EXPECT_FALSE(module.active);
    EXPECT_EQ(module.bargain_interval, 3);
    EXPECT_EQ(module.cooldown_duration, 5);
    EXPECT_EQ(module.hold_duration, 7);
}

TEST(DealerModule, ReadsBothFilesUnderTheCurrentDirectoryOrKeepsTheDefaults) {
    TempDir dir;
    const CurrentDirectory cwd(dir.path());
    const DealerModule without;
    EXPECT_EQ(without.price_rate_sell, 0.5f);
    EXPECT_EQ(without.price_rate_buy, 0.8f);
    EXPECT_TRUE(without.dealers.empty());
    ExpectNoInteractionYet(without);

    dir.Write("car_dealers/dealers.conf", "price_rate_sell=0.4\r\nprice_rate_buy=0.9\r\n");
    dir.Write("car_dealers/dealers.csv", "100.5,-20,15.25,30\r\n-1,-2,-3,4\r\n");
    const DealerModule module;
    EXPECT_EQ(module.price_rate_sell, 0.4f);
    EXPECT_EQ(module.price_rate_buy, 0.9f);
    ASSERT_EQ(module.dealers.size(), 2u);
    EXPECT_EQ(module.dealers[0].y, -20.0f);
    EXPECT_EQ(module.dealers[1].radius, 4);
    ExpectNoInteractionYet(module);
}

// Mended: a plain stof/stoi loader lets a conversion error escape and end the game's start-up; here
// bad lines are skipped and the others load in file order. The durations are not settings.
TEST(DealerModule, BadNumbersAreSkippedAndDurationsStayThreeFiveSeven) {
    TempDir dir;
    const DealerModule module(dir.Write("dealers.csv", "x,y,z,radius\n1,2,3,4\n100.5,,15.25,30\n"
                                                       "1e40,0,0,10\n0,0,0,99999999999\n9,10,11,12"),
                              dir.Write("dealers.conf", "bargain_interval=10\ncooldown_duration=1\n"
                                                        "hold_duration=0\nprice_rate_buy=2\n"));
    ASSERT_EQ(module.dealers.size(), 2u);
    EXPECT_EQ(module.dealers[0].x, 1);
    EXPECT_EQ(module.dealers[1].x, 9);
    EXPECT_EQ(module.price_rate_buy, 2.0f);
    EXPECT_EQ(module.price_rate_sell, 0.5f);
    ExpectNoInteractionYet(module);
}

} // namespace
