// Part 3.4: appraisal arithmetic and the offers of a dealer, on the pure cores.
#include "dealer/dealer_list.h"
#include "dealer/vehicle_offers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

static_assert(std::is_same_v<decltype(VehicleOffer::expiry), std::int64_t>);
static_assert(std::is_same_v<decltype(VehicleOffer::vehicle), std::int32_t>);
static_assert(std::is_same_v<decltype(VehicleOffer::price), std::int32_t>);
static_assert(std::is_same_v<decltype(VehicleOffer::bargains_left), std::int32_t>);
static_assert(std::is_same_v<decltype(VehicleOffer::validity), std::int32_t>);

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// ---- appraisal arithmetic ----

struct BasisCase {
    float health;
    std::uint32_t baseValue;
    std::uint32_t q;
    std::int32_t k;
};

TEST(Appraisal, Arithmetic) {
    const BasisCase cases[] = {
        {1000.0f, 20000, 20000, 8000},    // the worked example
        {1500.0f, 20000, 20000, 8000},    // capped at 1000
        {kInf, 20000, 20000, 8000},       // capped at 1000
        {kNaN, 20000, 20000, 8000},       // NaN reads 1000
        {-kNaN, 20000, 20000, 8000},      // also a NaN with its sign bit set
        {0.0f, 20000, 0, 0},              // price 0
        {0.9f, 20000, 0, 0},              // truncates to 0
        {999.9f, 20000, 19980, 7992},     // truncates to 999
        {-0.9f, 20000, 0, 0},             // truncates to 0 toward zero
        {-1.0f, 20000, 4294947, 1717978}, // t = -1: (2^32 - 20000) / 1000 = 4294947; 0.4 q = 1717978.8
        {-1.5f, 20000, 4294947, 1717978},
        {1.0f, 1000, 1, 0},                       // q = 1: 0.4 truncates to 0
        {1.0f, 2000, 2, 0},                       // q = 2: 0.8 truncates to 0
        {1.0f, 3000, 3, 1},                       // q = 3: k = 1
        {1.0f, 999, 0, 0},                        // unsigned division drops the remainder
        {1000.0f, 5000000, 705032, 282012},       // 5e9 wraps to 705032704
        {1000.0f, 0xFFFFFFFFu, 4294966, 1717986}, // 1000 x (2^32 - 1) wraps to 2^32 - 1000
        {-2147483648.0f, 20000, 0, 0},            // INT32_MIN x 20000 = 0 mod 2^32
        {-1e10f, 20001, 2147483, 858993},         // below the int32 range reads INT32_MIN, as x86 converts
        {-kInf, 20001, 2147483, 858993},
        {1000.0f, 0, 0, 0},
        {5.0f, 1000, 5, 2}, // 0.4 x 5 = 2 exactly, not 1.999...
    };
    for (const BasisCase& c : cases) {
        const AppraisalBasis basis = AppraisalBasisOf(c.health, c.baseValue);
        EXPECT_EQ(basis.q, c.q) << "health " << c.health << " baseValue " << c.baseValue;
        EXPECT_EQ(basis.k, c.k) << "health " << c.health << " baseValue " << c.baseValue;
    }
}

TEST(Appraisal, KIsTheDoubleProductWithPointFourTruncated) {
    for (std::uint32_t q = 0; q < 200000; ++q) {
        const AppraisalBasis basis = AppraisalBasisOf(1.0f, q * 1000);
        ASSERT_EQ(basis.q, q);
        ASSERT_EQ(basis.k, static_cast<std::int32_t>(q * 2 / 5)) << q; // exact: 0.4 q rounded down
    }
}

// The draws of Part 3.4 written out: noise first, bargains after it, from the same generator.
Appraisal Expected(std::uint32_t q, std::int32_t k, std::uint32_t seed) {
    std::mt19937 generator(seed);
    const std::int32_t noise = std::uniform_int_distribution<std::int32_t>(0, 2 * k)(generator) - k;
    const std::int32_t bargains = std::uniform_int_distribution<std::int32_t>(0, 5)(generator);
    return {static_cast<std::int32_t>(q) + noise, bargains};
}

TEST(Appraisal, DrawsNoiseThenBargainsFromTheGenerator) {
    for (std::uint32_t seed = 0; seed < 500; ++seed) {
        std::mt19937 generator(seed);
        const Appraisal got = Appraise(1000.0f, 20000, generator);
        const Appraisal want = Expected(20000, 8000, seed);
        ASSERT_EQ(got.price, want.price) << seed;
        ASSERT_EQ(got.bargains, want.bargains) << seed;
    }
}

TEST(Appraisal, WorkedExampleSpansTwelveToTwentyEightThousand) {
    std::mt19937 generator(12345);
    std::int32_t low = std::numeric_limits<std::int32_t>::max(),
                 high = std::numeric_limits<std::int32_t>::min();
    std::set<std::int32_t> bargains;
    for (int i = 0; i < 300000; ++i) {
        const Appraisal appraisal = Appraise(1000.0f, 20000, generator);
        low = std::min(low, appraisal.price);
        high = std::max(high, appraisal.price);
        bargains.insert(appraisal.bargains);
    }
    EXPECT_EQ(low, 12000);
    EXPECT_EQ(high, 28000);
    EXPECT_EQ(bargains, (std::set<std::int32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(Appraisal, HealthAboveTheCapOrNaNAppraisesAsAThousand) {
    for (std::uint32_t seed = 0; seed < 100; ++seed) {
        std::mt19937 a(seed), b(seed), c(seed);
        const Appraisal full = Appraise(1000.0f, 20000, a);
        const Appraisal over = Appraise(1500.0f, 20000, b);
        const Appraisal nan = Appraise(kNaN, 20000, c);
        EXPECT_EQ(full.price, over.price);
        EXPECT_EQ(full.bargains, over.bargains);
        EXPECT_EQ(full.price, nan.price);
        EXPECT_EQ(full.bargains, nan.bargains);
    }
}

TEST(Appraisal, WithoutNoiseThePriceIsQ) {
    std::mt19937 generator(7);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(Appraise(0.0f, 20000, generator).price, 0);
        EXPECT_EQ(Appraise(0.9f, 20000, generator).price, 0);
        EXPECT_EQ(Appraise(1.0f, 1000, generator).price, 1);
        EXPECT_EQ(Appraise(1.0f, 2000, generator).price, 2);
    }
    // Even with k = 0 the noise is drawn: the bargains come from the second value.
    for (std::uint32_t seed = 0; seed < 100; ++seed) {
        std::mt19937 generator(seed);
        EXPECT_EQ(Appraise(0.0f, 20000, generator).bargains, Expected(0, 0, seed).bargains);
    }
}

TEST(Appraisal, QOfThreeGivesNoiseOfOne) {
    std::mt19937 generator(3);
    std::set<std::int32_t> prices;
    for (int i = 0; i < 1000; ++i) prices.insert(Appraise(1.0f, 3000, generator).price);
    EXPECT_EQ(prices, (std::set<std::int32_t>{2, 3, 4}));
}

TEST(Appraisal, NegativeHealthGivesTheWrappedPrice) {
    std::mt19937 generator(99);
    for (int i = 0; i < 1000; ++i) {
        const Appraisal appraisal = Appraise(-1.0f, 20000, generator);
        ASSERT_GE(appraisal.price, 4294947 - 1717978);
        ASSERT_LE(appraisal.price, 4294947 + 1717978);
    }
}

TEST(Appraisal, EveryPriceLiesWithinQPlusMinusK) {
    std::mt19937 generator(1);
    std::mt19937 pick(2);
    for (int i = 0; i < 20000; ++i) {
        const float health = std::uniform_real_distribution<float>(-5.0f, 1200.0f)(pick);
        const std::uint32_t baseValue = pick();
        const AppraisalBasis basis = AppraisalBasisOf(health, baseValue);
        const Appraisal appraisal = Appraise(health, baseValue, generator);
        ASSERT_GE(appraisal.price, static_cast<std::int64_t>(basis.q) - basis.k);
        ASSERT_LE(appraisal.price, static_cast<std::int64_t>(basis.q) + basis.k);
        ASSERT_GE(appraisal.bargains, 0);
        ASSERT_LE(appraisal.bargains, 5);
    }
}

// ---- offers ----

struct Host {
    Host() = default;
    explicit Host(std::set<std::int32_t> existing) : vehicles(std::move(existing)) {}

    std::set<std::int32_t> vehicles; // the vehicles that exist
    std::vector<std::int32_t> existence_asked;
    std::vector<std::int32_t> appraised;
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

TEST(Offers, NewOfferIsAppraisedAndValidFor1800Seconds) {
    Host host{{42}};
    OfferTable table;
    const VehicleOffer& offer = table.GetOrCreateOffer(42, 1'000'000, host.Exists(), host.Appraiser());
    EXPECT_EQ(offer.vehicle, 42);
    EXPECT_EQ(offer.price, 20000);
    EXPECT_EQ(offer.bargains_left, 3);
    EXPECT_EQ(offer.validity, 1800);
    EXPECT_EQ(offer.expiry, 1'001'800);
    EXPECT_EQ(host.existence_asked, std::vector<std::int32_t>{42});
    EXPECT_EQ(host.appraised, std::vector<std::int32_t>{42});
    EXPECT_EQ(table.offers.size(), 1u);
}

TEST(Offers, ExpiryIsSixtyFourBit) {
    Host host{{1}};
    OfferTable table;
    EXPECT_EQ(table.GetOrCreateOffer(1, 0x7FFFFFFFLL, host.Exists(), host.Appraiser()).expiry,
              0x7FFFFFFFLL + 1800);
}

TEST(Offers, VehicleThatDoesNotExistGetsPriceZeroAndNoBargains) {
    Host host;
    OfferTable table;
    const VehicleOffer& offer = table.GetOrCreateOffer(5, 100, host.Exists(), host.Appraiser());
    EXPECT_EQ(offer.price, 0);
    EXPECT_EQ(offer.bargains_left, 0);
    EXPECT_EQ(offer.expiry, 1900);
    EXPECT_TRUE(host.appraised.empty());
    EXPECT_EQ(table.offers.size(), 1u);
}

TEST(Offers, SameVehicleAskedTwiceGivesTheSameOfferHoweverMuchTimePassed) {
    Host host{{42}};
    OfferTable table;
    VehicleOffer& first = table.GetOrCreateOffer(42, 1000, host.Exists(), host.Appraiser());
    host.next = {1, 1};
    VehicleOffer& second = table.GetOrCreateOffer(42, 1000 + 1'000'000, host.Exists(), host.Appraiser());
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.price, 20000);
    EXPECT_EQ(second.expiry, 2800);
    EXPECT_EQ(host.appraised.size(), 1u);
    EXPECT_EQ(host.existence_asked.size(), 1u); // a stored offer asks the game nothing
}

TEST(Offers, PurgeKeepsAnExpiryEqualToNowAndDropsItOneSecondLater) {
    Host host{{42}};
    OfferTable table;
    table.GetOrCreateOffer(42, 1000, host.Exists(), host.Appraiser()); // expiry 2800
    table.PurgeOffers(2800, host.Exists());
    EXPECT_EQ(table.offers.size(), 1u);
    table.PurgeOffers(2801, host.Exists());
    EXPECT_TRUE(table.offers.empty());
}

TEST(Offers, AfterAPurgeTheVehicleIsAppraisedAfresh) {
    Host host{{42}};
    OfferTable table;
    table.GetOrCreateOffer(42, 1000, host.Exists(), host.Appraiser());
    table.PurgeOffers(2801, host.Exists());
    host.next = {777, 0};
    const VehicleOffer& offer = table.GetOrCreateOffer(42, 2801, host.Exists(), host.Appraiser());
    EXPECT_EQ(offer.price, 777);
    EXPECT_EQ(offer.expiry, 4601);
    EXPECT_EQ(host.appraised.size(), 2u);
}

TEST(Offers, PurgeAsksForEveryOfferOnceAndDropsVanishedVehiclesWhateverTheirExpiry) {
    Host host{{1, 2, 3, 4}};
    OfferTable table;
    for (std::int32_t vehicle : {1, 2, 3, 4})
        table.GetOrCreateOffer(vehicle, 1000, host.Exists(), host.Appraiser());
    table.Find(3)->expiry = 500; // stale
    table.Find(4)->expiry = 500; // stale
    host.vehicles = {1, 3};      // 2 and 4 are gone
    host.existence_asked.clear();
    table.PurgeOffers(1000, host.Exists());
    std::vector<std::int32_t> asked = host.existence_asked;
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_NE(table.Find(1), nullptr); // exists, fresh
    EXPECT_EQ(table.Find(2), nullptr); // gone, fresh
    EXPECT_EQ(table.Find(3), nullptr); // exists, stale
    EXPECT_EQ(table.Find(4), nullptr); // gone, stale
}

TEST(Offers, VanishedVehicleIsPurgedBeforeItsTimeIsUp) {
    Host host{{9}};
    OfferTable table;
    table.GetOrCreateOffer(9, 1000, host.Exists(), host.Appraiser());
    host.vehicles.clear();
    table.PurgeOffers(1000, host.Exists());
    EXPECT_TRUE(table.offers.empty());
}

TEST(Offers, OfferOfAVehicleThatNeverExistedStaysOnceItExistsUntilItsExpiry) {
    Host host;
    OfferTable table;
    table.GetOrCreateOffer(8, 1000, host.Exists(), host.Appraiser());
    host.vehicles = {8};
    table.PurgeOffers(2800, host.Exists());
    ASSERT_NE(table.Find(8), nullptr);
    EXPECT_EQ(table.Find(8)->price, 0);
}

TEST(Offers, PurgeVisitsEveryOfferOfALargeTableOnce) {
    Host host;
    OfferTable table;
    for (std::int32_t vehicle = 0; vehicle < 5000; ++vehicle) {
        host.vehicles.insert(vehicle);
        table.GetOrCreateOffer(vehicle, vehicle % 3 == 0 ? 0 : 1000, host.Exists(), host.Appraiser());
    }
    for (std::int32_t vehicle = 0; vehicle < 5000; vehicle += 7) host.vehicles.erase(vehicle);
    host.existence_asked.clear();
    table.PurgeOffers(1801, host.Exists());
    EXPECT_EQ(host.existence_asked.size(), 5000u);
    EXPECT_EQ(std::set<std::int32_t>(host.existence_asked.begin(), host.existence_asked.end()).size(), 5000u);
    for (std::int32_t vehicle = 0; vehicle < 5000; ++vehicle) {
        const bool kept = vehicle % 3 != 0 && vehicle % 7 != 0;
        EXPECT_EQ(table.Find(vehicle) != nullptr, kept) << vehicle;
    }
}

// ---- bargaining ----

std::int32_t ExpectedStep(bool raise, std::uint32_t seed) {
    std::mt19937 generator(seed);
    return (raise ? 50 : -50) * std::uniform_int_distribution<std::int32_t>(0, 5)(generator);
}

TEST(Bargain, WithNoBargainLeftIsRefused) {
    VehicleOffer offer;
    offer.price = 1000;
    offer.bargains_left = 0;
    std::mt19937 generator(1);
    EXPECT_FALSE(offer.Bargain(false, generator));
    EXPECT_EQ(offer.price, 1000);
    EXPECT_EQ(offer.bargains_left, 0);
    offer.bargains_left = -3;
    EXPECT_FALSE(offer.Bargain(true, generator));
    EXPECT_EQ(offer.price, 1000);
    EXPECT_EQ(offer.bargains_left, -3);
}

TEST(Bargain, WithOneLeftSucceedsAndLeavesNone) {
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        VehicleOffer offer;
        offer.price = 1000;
        offer.bargains_left = 1;
        std::mt19937 generator(seed);
        EXPECT_TRUE(offer.Bargain(false, generator)); // a step of 0 counts too
        EXPECT_EQ(offer.bargains_left, 0);
        EXPECT_EQ(offer.price, 1000 + ExpectedStep(false, seed));
    }
}

TEST(Bargain, StepsAreZeroToTwoHundredFiftyInFifties) {
    std::set<std::int32_t> up, down;
    std::mt19937 generator(5);
    for (int i = 0; i < 2000; ++i) {
        VehicleOffer offer;
        offer.bargains_left = 5;
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

TEST(Bargain, PriceIsUnboundedAndWrapsAsA32BitSum) {
    VehicleOffer offer;
    offer.price = 0;
    offer.bargains_left = 1000;
    std::mt19937 generator(8);
    while (offer.bargains_left > 0) offer.Bargain(false, generator);
    EXPECT_LT(offer.price, 0);
    offer.price = std::numeric_limits<std::int32_t>::min();
    offer.bargains_left = 100;
    for (std::uint32_t seed = 0; seed < 100; ++seed) {
        std::mt19937 g(seed);
        const std::int32_t before = offer.price;
        offer.Bargain(false, g);
        EXPECT_EQ(offer.price,
                  static_cast<std::int32_t>(static_cast<std::uint32_t>(before) +
                                            static_cast<std::uint32_t>(ExpectedStep(false, seed))));
    }
}

TEST(Bargain, DirectionByDealState) {
    EXPECT_TRUE(BargainRaises(DealState::Selling));
    EXPECT_FALSE(BargainRaises(DealState::Buying));
    EXPECT_FALSE(BargainRaises(DealState::Idle));
    EXPECT_FALSE(BargainRaises(DealState::AfterDeal));
    EXPECT_FALSE(BargainRaises(static_cast<DealState>(7)));

    Host host{{1}};
    host.next = {10000, 5};
    for (DealState state : {DealState::Idle, DealState::Buying, DealState::Selling, DealState::AfterDeal}) {
        for (std::uint32_t seed = 0; seed < 20; ++seed) {
            OfferTable table;
            table.GetOrCreateOffer(1, 0, host.Exists(), host.Appraiser());
            std::mt19937 generator(seed);
            ASSERT_TRUE(table.BargainOffer(1, state, generator));
            EXPECT_EQ(table.Find(1)->price, 10000 + ExpectedStep(state == DealState::Selling, seed));
            EXPECT_EQ(table.Find(1)->bargains_left, 4);
            EXPECT_EQ(table.Find(1)->expiry, 1800); // bargaining never changes the expiry
        }
    }
}

TEST(Bargain, WithoutAnOfferIsRefusedAndCreatesNone) {
    OfferTable table;
    std::mt19937 generator(1);
    EXPECT_FALSE(table.BargainOffer(3, DealState::Buying, generator));
    EXPECT_TRUE(table.offers.empty());
}

TEST(Offers, TwoDealersKeepIndependentOffers) {
    std::vector<DealerRecord> dealers(2, DealerRecord{0, 0, 0, 10, {}});
    Host host{{42}};
    host.next = {10000, 5};
    dealers[0].offers.GetOrCreateOffer(42, 1000, host.Exists(), host.Appraiser());
    host.next = {20000, 0};
    dealers[1].offers.GetOrCreateOffer(42, 1000, host.Exists(), host.Appraiser());
    EXPECT_EQ(dealers[0].offers.Find(42)->price, 10000);
    EXPECT_EQ(dealers[1].offers.Find(42)->price, 20000);

    std::mt19937 generator(4);
    EXPECT_TRUE(dealers[0].offers.BargainOffer(42, DealState::Buying, generator));
    EXPECT_FALSE(dealers[1].offers.BargainOffer(42, DealState::Buying, generator)); // none left there
    EXPECT_EQ(dealers[1].offers.Find(42)->price, 20000);
    EXPECT_EQ(dealers[0].offers.Find(42)->bargains_left, 4);

    dealers[1].offers.PurgeOffers(1'000'000, host.Exists());
    EXPECT_TRUE(dealers[1].offers.offers.empty());
    EXPECT_NE(dealers[0].offers.Find(42), nullptr);
}

} // namespace
