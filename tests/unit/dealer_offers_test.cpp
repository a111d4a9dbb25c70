// Appraisal arithmetic and the offers of a dealer, on the pure cores.
#include "dealer/dealer_list.h"
#include "dealer/vehicle_offers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

// ---- appraisal ----

TEST(Appraisal, Arithmetic) {
    const struct {
        float health;
        std::uint32_t baseValue, q;
        std::int32_t k;
    } cases[] = {
        {1000.0f, 20000, 20000, 8000},
        {1500.0f, 20000, 20000, 8000}, // capped at 1000
        {NAN, 20000, 20000, 8000},     // NaN reads 1000
        {0.0f, 20000, 0, 0},
        {0.9f, 20000, 0, 0},              // truncates to 0
        {999.9f, 20000, 19980, 7992},     // truncates to 999
        {-1.0f, 20000, 4294947, 1717978}, // (2^32 - 20000) / 1000; 0.4 q = 1717978.8
        {-1e10f, 20001, 2147483, 858993}, // below int32: INT32_MIN, the nearest limit
        {1.0f, 1000, 1, 0},               // 0.4 truncates to 0
        {1.0f, 2000, 2, 0},               // 0.8 truncates to 0
        {1.0f, 3000, 3, 1},
        {5.0f, 1000, 5, 2},                       // 0.4 x 5 is 2, not 1.999...
        {1000.0f, 5000000, 705032, 282012},       // 5e9 wraps to 705032704
        {1000.0f, 0xFFFFFFFFu, 4294966, 1717986}, // wraps to 2^32 - 1000
    };
    for (const auto& c : cases) {
        const AppraisalBasis basis = AppraisalBasisOf(c.health, c.baseValue);
        SCOPED_TRACE(testing::Message() << "health " << c.health << " baseValue " << c.baseValue);
        EXPECT_EQ(basis.q, c.q);
        EXPECT_EQ(basis.k, c.k);
    }
}

TEST(Appraisal, FullHealthAtTwentyThousandReachesEveryPriceFromTwelveToTwentyEightThousand) {
    std::mt19937 generator(12345);
    std::vector<bool> seen(16001);
    std::set<std::int32_t> bargains;
    for (int i = 0; i < 300000; ++i) {
        const Appraisal appraisal = Appraise(1000.0f, 20000, generator);
        ASSERT_GE(appraisal.price, 12000);
        ASSERT_LE(appraisal.price, 28000);
        seen[appraisal.price - 12000] = true;
        bargains.insert(appraisal.bargains);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
    EXPECT_EQ(bargains, (std::set<std::int32_t>{0, 1, 2, 3, 4, 5}));
}

// ---- offers ----

// The game's side: which vehicles exist, what it was asked, what an appraisal gives.
struct Game {
    explicit Game(std::set<std::int32_t> existing = {}) : vehicles(std::move(existing)) {}

    std::set<std::int32_t> vehicles;
    std::vector<std::int32_t> existence_asked, appraised;
    Appraisal next{20000, 3};

    auto Exists() {
        return [this](std::int32_t vehicle) {
            existence_asked.push_back(vehicle);
            return vehicles.count(vehicle) > 0;
        };
    }
    auto Appraiser() {
        return [this](std::int32_t vehicle) {
            appraised.push_back(vehicle);
            return next;
        };
    }
};

TEST(Offers, ANewOfferIsAppraisedOnceAndKeptHoweverMuchTimePasses) {
    Game game{{42}};
    OfferTable table;
    const std::int64_t now = INT32_MAX; // the expiry runs past 32 bits
    VehicleOffer& offer = table.GetOrCreateOffer(42, now, game.Exists(), game.Appraiser());
    EXPECT_EQ(offer.vehicle, 42);
    EXPECT_EQ(offer.price, 20000);
    EXPECT_EQ(offer.bargains_left, 3);
    EXPECT_EQ(offer.expiry, now + 1800);

    game.next = {1, 1};
    VehicleOffer& again = table.GetOrCreateOffer(42, now + 1'000'000, game.Exists(), game.Appraiser());
    EXPECT_EQ(&again, &offer);
    EXPECT_EQ(again.price, 20000);
    EXPECT_EQ(again.expiry, now + 1800);
    EXPECT_EQ(game.existence_asked, std::vector<std::int32_t>{42}); // the second time asks the game nothing
    EXPECT_EQ(game.appraised, std::vector<std::int32_t>{42});
}

TEST(Offers, AVehicleThatDoesNotExistGetsPriceZeroAndNoBargains) {
    Game game;
    OfferTable table;
    const VehicleOffer& offer = table.GetOrCreateOffer(5, 100, game.Exists(), game.Appraiser());
    EXPECT_EQ(offer.price, 0);
    EXPECT_EQ(offer.bargains_left, 0);
    EXPECT_EQ(offer.expiry, 1900);
    EXPECT_TRUE(game.appraised.empty());
    EXPECT_EQ(table.entries.size(), 1u);
}

TEST(Offers, PurgeKeepsAnExpiryEqualToNowAndDropsItOneSecondLater) {
    Game game{{42}};
    OfferTable table;
    table.GetOrCreateOffer(42, 1000, game.Exists(), game.Appraiser()); // expiry 2800
    table.PurgeOffers(2800, game.Exists());
    EXPECT_NE(table.Find(42), nullptr);
    table.PurgeOffers(2801, game.Exists());
    EXPECT_EQ(table.Find(42), nullptr);
    game.next = {777, 0};
    EXPECT_EQ(table.GetOrCreateOffer(42, 2801, game.Exists(), game.Appraiser()).price, 777); // afresh
}

TEST(Offers, PurgeAsksOncePerOfferAndDropsVanishedVehiclesWhateverTheirExpiry) {
    Game game{{1, 2, 3, 4}};
    OfferTable table;
    for (std::int32_t vehicle : {1, 2, 3, 4})
        table.GetOrCreateOffer(vehicle, 1000, game.Exists(), game.Appraiser());
    table.Find(3)->expiry = 500;
    table.Find(4)->expiry = 500;
    game.vehicles = {1, 3};
    game.existence_asked.clear();
    table.PurgeOffers(1000, game.Exists());
    std::sort(game.existence_asked.begin(), game.existence_asked.end());
    EXPECT_EQ(game.existence_asked, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_NE(table.Find(1), nullptr); // exists, fresh
    EXPECT_EQ(table.Find(2), nullptr); // gone, fresh
    EXPECT_EQ(table.Find(3), nullptr); // exists, stale
    EXPECT_EQ(table.Find(4), nullptr); // gone, stale
}

TEST(Offers, TwoDealersKeepIndependentOffers) {
    std::vector<DealerRecord> dealers(2, DealerRecord{0, 0, 0, 10, {}});
    Game game{{42}};
    game.next = {10000, 5};
    dealers[0].offers.GetOrCreateOffer(42, 1000, game.Exists(), game.Appraiser());
    game.next = {20000, 0};
    dealers[1].offers.GetOrCreateOffer(42, 1000, game.Exists(), game.Appraiser());

    std::mt19937 generator(4);
    EXPECT_TRUE(dealers[0].offers.BargainOffer(42, DealState::Buying, generator));
    EXPECT_FALSE(dealers[1].offers.BargainOffer(42, DealState::Buying, generator)); // none left there
    EXPECT_EQ(dealers[0].offers.Find(42)->bargains_left, 4);
    EXPECT_EQ(dealers[1].offers.Find(42)->price, 20000);
    dealers[1].offers.PurgeOffers(1'000'000, game.Exists());
    EXPECT_TRUE(dealers[1].offers.entries.empty());
    EXPECT_NE(dealers[0].offers.Find(42), nullptr);
}

// ---- bargaining ----

TEST(Bargain, WithOneLeftSucceedsAndLeavesNoneWithNoneOrNoOfferIsRefused) {
    std::mt19937 generator(1);
    VehicleOffer offer;
    offer.price = 1000;
    offer.bargains_left = 1;
    EXPECT_TRUE(offer.Bargain(false, generator));
    EXPECT_EQ(offer.bargains_left, 0);
    const std::int32_t price = offer.price;
    EXPECT_FALSE(offer.Bargain(false, generator));
    EXPECT_EQ(offer.price, price);
    EXPECT_EQ(offer.bargains_left, 0);
    offer.bargains_left = -3;
    EXPECT_FALSE(offer.Bargain(true, generator));
    EXPECT_EQ(offer.bargains_left, -3);
    OfferTable table;
    EXPECT_FALSE(table.BargainOffer(3, DealState::Buying, generator));
    EXPECT_TRUE(table.entries.empty()); // none created
}

TEST(Bargain, StepsAreZeroToTwoHundredFiftyInFifties) {
    std::set<std::int32_t> up, down;
    std::mt19937 generator(5);
    for (int i = 0; i < 500; ++i) {
        VehicleOffer offer;
        offer.bargains_left = 2;
        offer.price = 10000;
        offer.Bargain(true, generator);
        up.insert(offer.price - 10000);
        offer.price = 10000;
        offer.Bargain(false, generator);
        down.insert(offer.price - 10000);
    }
    EXPECT_EQ(up, (std::set<std::int32_t>{0, 50, 100, 150, 200, 250}));
    EXPECT_EQ(down, (std::set<std::int32_t>{0, -50, -100, -150, -200, -250}));
}

TEST(Bargain, ThePriceWrapsAsA32BitSum) {
    VehicleOffer offer;
    offer.price = INT32_MIN;
    offer.bargains_left = 100;
    std::mt19937 generator(8);
    while (offer.price == INT32_MIN && offer.bargains_left > 0) offer.Bargain(false, generator);
    EXPECT_GE(offer.price, INT32_MAX - 249);
}

TEST(Bargain, RaisesOnlyWhileSelling) {
    for (DealState state : {DealState::Idle, DealState::Buying, DealState::Selling, DealState::AfterDeal}) {
        Game game{{1}};
        game.next = {10000, 5};
        OfferTable table;
        table.GetOrCreateOffer(1, 0, game.Exists(), game.Appraiser());
        std::mt19937 generator(1);
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(table.BargainOffer(1, state, generator));
        const VehicleOffer& offer = *table.Find(1);
        if (state == DealState::Selling) {
            EXPECT_GT(offer.price, 10000);
        } else {
            EXPECT_LT(offer.price, 10000) << static_cast<int>(state);
        }
        EXPECT_EQ(offer.bargains_left, 0);
        EXPECT_EQ(offer.expiry, 1800); // bargaining never changes the expiry
    }
}

} // namespace
