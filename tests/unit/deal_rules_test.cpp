// The deal's arithmetic on the pure cores: appraisal, offers, bargaining and the price shown.
#include "dealer/interaction/deal_price.h"
#include "dealer/vehicle_offers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(Appraisal, Arithmetic) {
    const std::tuple<float, std::uint32_t, std::uint32_t, std::int32_t> cases[] = {
        {1000.0f, 20000, 20000, 8000},
        {1001.0f, 20000, 20000, 8000},    // capped at 1000
        {NAN, 20000, 20000, 8000},        // NaN reads 1000
        {999.9f, 20000, 19980, 7992},     // truncates to 999
        {-1.0f, 20000, 4294947, 1717978}, // (2^32 - 20000) / 1000; 0.4 q = 1717978.8
        {-1e10f, 20001, 2147483, 858993}, // below int32: INT32_MIN, the nearest limit
        {1.0f, 2000, 2, 0},               // 0.8 truncates to 0
        {1.0f, 3000, 3, 1},
        {5.0f, 1000, 5, 2},                       // 0.4 x 5 is 2, not 1.999...
        {1000.0f, 5000000, 705032, 282012},       // 5e9 wraps to 705032704
        {1000.0f, 0xFFFFFFFFu, 4294966, 1717986}, // wraps to 2^32 - 1000
    };
    for (const auto& [health, baseValue, q, k] : cases) {
        const AppraisalBasis basis = AppraisalBasisOf(health, baseValue);
        EXPECT_EQ(std::pair(basis.q, basis.k), std::pair(q, k)) << health << " " << baseValue;
    }
}

TEST(Appraisal, FullHealthAtTwentyThousandReachesEveryPriceFromTwelveToTwentyEightThousand) {
    std::mt19937 generator(12345);
    std::vector<bool> seen(16001);
    std::set<std::int32_t> bargains;
    for (int i = 0; i < 300000; ++i) {
        const Appraisal appraisal = Appraise(1000.0f, 20000, generator);
        ASSERT_TRUE(appraisal.price >= 12000 && appraisal.price <= 28000) << appraisal.price;
        seen[appraisal.price - 12000] = true;
        bargains.insert(appraisal.bargains);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
    EXPECT_EQ(bargains, (std::set<std::int32_t>{0, 1, 2, 3, 4, 5}));
}

// Appraised only if the game has the vehicle; the expiry runs past 32 bits; a purge asks once per offer; a
// dropped offer is made afresh.
TEST(Offers, AreMadeOnceAndPurgedWhenTheVehicleIsGoneOrTheyAreStale) {
    std::set<std::int32_t> vehicles{1, 2, 3, 4}; // the game's, and what it was asked
    std::vector<std::int32_t> asked, appraised;
    Appraisal next{20000, 3};
    const auto exists = [&](std::int32_t v) { return asked.push_back(v), vehicles.count(v) > 0; };
    const auto appraise = [&](std::int32_t v) { return appraised.push_back(v), next; };
    OfferTable table;
    const std::int64_t now = INT32_MAX;
    const auto fields = [](const VehicleOffer& o) {
        return std::tuple(o.vehicle, o.price, o.bargains_left, o.expiry);
    };
    VehicleOffer& offer = *table.GetOrCreateOffer(1, now, exists, appraise);
    EXPECT_EQ(fields(offer), std::tuple(1, 20000, 3, now + 1800));
    next = {1, 1};
    EXPECT_EQ(table.GetOrCreateOffer(1, now + 1'000'000, exists, appraise), &offer);
    EXPECT_EQ(fields(offer), std::tuple(1, 20000, 3, now + 1800));
    EXPECT_EQ(fields(*table.GetOrCreateOffer(9, now, exists, appraise)), std::tuple(9, 0, 0, now + 1800));
    EXPECT_EQ(asked, (std::vector<std::int32_t>{1, 9}));
    EXPECT_EQ(appraised, std::vector<std::int32_t>{1});

    for (std::int32_t vehicle : {2, 3, 4}) table.GetOrCreateOffer(vehicle, now, exists, appraise);
    table.Find(3)->expiry = table.Find(4)->expiry = now;
    vehicles = {1, 3};
    asked.clear();
    table.PurgeOffers(now + 1800, exists);
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::int32_t>{1, 2, 3, 4, 9}));
    EXPECT_NE(table.Find(1), nullptr); // there, expires now; the others are gone, stale or both
    for (std::int32_t dropped : {2, 3, 4, 9}) EXPECT_EQ(table.Find(dropped), nullptr) << dropped;
    table.PurgeOffers(now + 1801, exists);
    EXPECT_EQ(table.Find(1), nullptr);
    next = {777, 0};
    EXPECT_EQ(table.GetOrCreateOffer(1, now, exists, appraise)->price, 777);
}

// A bargain moves the price 0 to 250 as a 32-bit sum and uses one bargain; with none left, or no offer, it
// is refused and changes nothing.
TEST(Bargain, StepsOfFiftiesUpOnlyWhileSelling) {
    std::mt19937 generator(5);
    for (DealState state : {DealState::Idle, DealState::Buying, DealState::Selling, DealState::AfterDeal}) {
        OfferTable table;
        table.entries.Append(VehicleOffer{.expiry = 1800, .vehicle = 1, .bargains_left = 500});
        VehicleOffer& offer = table.entries[0];
        std::set<std::int32_t> steps, expected;
        for (int i = 0; i < 500; ++i) {
            const std::int32_t price = offer.price;
            ASSERT_TRUE(table.BargainOffer(1, state, generator));
            steps.insert(offer.price - price);
        }
        for (int k = 0; k <= 5; ++k) expected.insert(k * (state == DealState::Selling ? 50 : -50));
        EXPECT_EQ(steps, expected) << static_cast<int>(state);
        const std::int32_t price = offer.price;
        EXPECT_FALSE(table.BargainOffer(1, state, generator));
        EXPECT_EQ(std::tuple(offer.price, offer.bargains_left, offer.expiry), std::tuple(price, 0, 1800));
    }
    VehicleOffer offer{.price = INT32_MIN, .bargains_left = 100};
    while (offer.price == INT32_MIN && offer.bargains_left > 0) offer.Bargain(false, generator);
    EXPECT_GE(offer.price, INT32_MAX - 249);
    offer.bargains_left = -3;
    EXPECT_FALSE(offer.Bargain(true, generator));
    EXPECT_EQ(offer.bargains_left, -3);
    OfferTable table;
    EXPECT_FALSE(table.BargainOffer(3, DealState::Buying, generator));
    EXPECT_TRUE(table.entries.empty()); // none created
}

// A rated price beyond 32 bits stops at the nearest limit, never flipping sign; NaN rates as 0.
TEST(DealPrice, CutsTheRatedPriceToHundredsLessOne) {
    const std::tuple<std::int32_t, float, std::int32_t> cases[] = {
        {12345, 0.8f, 9799},   // rated 9876
        {100000, 0.9f, 89999}, // 90000 exactly
        {-123, 0.8f, -1},      // rated -99 .. 99
        {-200, 0.8f, -101},    // rated -160
        {12345, 0.0f, -1},
        {12345, -1.0f, -12301},
        {2147483520, 1.0f, 2147483499}, // the largest float below 2^31
        {INT32_MAX, 1.0f, 2147483599},  // 2^31 as a float: one past the top
        {12345, INFINITY, 2147483599},
        {INT32_MIN, 1.0f, -2147483601}, // -2^31 is the bottom itself
        {INT32_MIN, 1.001f, -2147483601},
        {12345, -INFINITY, -2147483601},
        {12345, NAN, -1},
    };
    for (const auto& [offer, rate, price] : cases)
        EXPECT_EQ(DealPrice(offer, rate), price) << offer << " x " << rate;
    char line[kPriceLineSize];
    EXPECT_EQ(std::string(FormatPriceLine(INT32_MIN, line)), "$ -2147483648");
    EXPECT_EQ(std::string(FormatPriceLine(9799, line)), "$ 9799"); // over a longer price
}

} // namespace
