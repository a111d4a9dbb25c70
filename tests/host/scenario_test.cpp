// Deals played with the real plugin in the stand-in game, as a player would play them. Each test is
// its own process: the plugin is loaded once per game.
#include "imports.h"
#include "session.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <set>
#include <windows.h>

using session::kBackspace;
using session::kE;
using session::Session;
using testhost::Vehicle;

namespace {

// Two lots 200 apart; the player starts far from both, at the origin.
const char* const kDealers = "100,100,5,20,Lot A\n300,100,5,20,Lot B\n";

using Texts = std::vector<std::string>;
using Names = std::vector<std::string>;

// Walks into lot A and opens a deal on foot; the buying prompt for `vehicle` is on screen after.
void OpenBuying(Session& s, Vehicle& vehicle) {
    s.WalkTo(vehicle.position.x - 1.0f, vehicle.position.y, 0.0f);
    s.Frame({kE});
    s.Frame(); // deal opens
    s.Frame(); // prompt
}

std::string PriceLine(std::int32_t price) {
    return "$ " + std::to_string(price) + " @0.10,0.10 *1.0";
}

TEST(Buying, EOutsideEveryAreaLeavesNothingBehind) {
    Session s(kDealers);
    s.Frame({kE});
    EXPECT_EQ(s.Commands(), Names{"IsKeyPressed"});
    s.Frame();
    EXPECT_EQ(s.Commands(), (Names{"GetDistance2D", "GetDistance2D"}));
    EXPECT_TRUE(s.Screen().empty());
    s.Frame();
    EXPECT_EQ(s.Commands(), Names{"IsKeyPressed"}); // off again, and no cool-down started
    EXPECT_TRUE(s.world.created.empty());
}

TEST(Buying, OpensWithASalesmanAtTheDealerWhoJoinsThePlayersGroup) {
    Session s(kDealers);
    s.WalkTo(110, 100);
    s.Frame({kE});
    s.Frame();
    EXPECT_EQ(
        s.Commands(),
        (Names{"GetDistance2D", "GetLocalPlayerIndex", "GetPlayerCharacter", "IsCharacterInAnyVehicle",
               "DoesCharacterExist", "SetCharacterMoney", "GetLocalPlayerIndex", "GetPlayerGroup",
               "PrepareCharacterForGroup", "AddCharacterToGroup", "SetGroupOption", "GetPlayerCharacter",
               "SetGroupLeader", "SetPlayerGroupOption", "SetCharacterOption", "SetCharacterMode"}));
    ASSERT_EQ(s.world.created.size(), 1u);
    const testhost::CreatedCharacter& created = s.world.created[0];
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) EXPECT_EQ(created.matrix[row][column], 0.0f);
    EXPECT_EQ(created.matrix[3][0], 100.0f);
    EXPECT_EQ(created.matrix[3][1], 100.0f);
    EXPECT_EQ(created.matrix[3][2], 5.0f);
    testhost::Character* salesman = s.Salesman();
    ASSERT_NE(salesman, nullptr);
    EXPECT_GE(salesman->money, 0);
    EXPECT_LE(salesman->money, 20);
    EXPECT_EQ(salesman->group, s.world.player.group);
    EXPECT_EQ(s.world.groups[s.world.player.group].leader, s.world.player.character);
    EXPECT_EQ(salesman->mode, 0);
    s.Frame();
    EXPECT_EQ(s.Screen(), Texts{"Buying @0.80,0.80 *0.5"}); // no vehicle within reach
}

TEST(Buying, PromptOffersTheNearestVehicleAndAPriceEqualToTheMoneyBuysIt) {
    Session s(kDealers);
    Vehicle& farther = s.world.AddVehicle({106, 100, 0}, 1000, 20000);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    const std::optional<std::int32_t> price = s.PriceShown();
    ASSERT_TRUE(price);
    EXPECT_EQ(*price % 100, 99);
    EXPECT_GE(*price, 9599); // 0.8 x [12000, 28000], cut to hundreds less one
    EXPECT_LE(*price, 22399);
    EXPECT_EQ(s.Screen(), (Texts{"Buying @0.80,0.80 *0.5", PriceLine(*price), "[E] Buy @0.70,0.10 *0.3",
                                 "[BACKSPACE] Bargain @0.70,0.14 *0.3"}));

    s.world.player.money = static_cast<float>(*price);
    testhost::Character* salesman = s.Salesman();
    s.Frame({kE});
    EXPECT_EQ(s.world.player.money, 0.0f);
    EXPECT_TRUE(car.ownedByPlayer);
    EXPECT_EQ(car.statusCode, 1);
    EXPECT_FALSE(car.forSale);
    EXPECT_FALSE(farther.ownedByPlayer);
    EXPECT_EQ(salesman->money, *price);
    EXPECT_EQ(salesman->speech, Texts{"THANKS"});
    // Sent back to the lot and handed back to the game.
    ASSERT_TRUE(salesman->destination);
    EXPECT_EQ(salesman->destination->x, 100.0f);
    EXPECT_EQ(salesman->group, 0);
    EXPECT_TRUE(salesman->released);
    EXPECT_EQ(s.Screen().back(), "The vehicle is yours! @0.10,0.10 *1.0");

    // The deal is over until the player leaves the lot: E does nothing, the message stays 6 seconds.
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{"The vehicle is yours! @0.10,0.10 *1.0"});
    s.AdvanceClock(5);
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{"The vehicle is yours! @0.10,0.10 *1.0"});
    s.AdvanceClock(1);
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
    EXPECT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.world.player.money, 0.0f);
}

TEST(Buying, APriceAboveTheMoneyIsRefused) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    const std::int32_t price = *s.PriceShown();
    s.world.player.money = static_cast<float>(price - 1);
    s.Frame({kE});
    EXPECT_EQ(s.world.player.money, static_cast<float>(price - 1));
    EXPECT_FALSE(car.ownedByPlayer);
    EXPECT_EQ(s.Salesman()->speech, Texts{"GENERIC_FUCK_OFF"});
    EXPECT_EQ(s.Screen().back(), "You cannot afford this @0.10,0.10 *1.0");
    s.Frame();
    EXPECT_TRUE(s.Shows("Buying")); // still buying, same price
    EXPECT_EQ(s.PriceShown(), price);
}

TEST(Buying, GettingIntoAnyVehicleEndsTheDeal) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.EnterVehicle(car);
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
    EXPECT_FALSE(car.ownedByPlayer);
    EXPECT_TRUE(s.Salesman()->released);
    s.LeaveVehicle();
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty()); // not reopened while in the lot
}

// The salesman's fate ends the deal in the frame it is seen: nothing is bought from him any more.
TEST(Buying, ADeadSalesmanSellsNothing) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.world.player.money = 1e9f;
    s.Salesman()->dead = true;
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{"Buying @0.80,0.80 *0.5"});
    EXPECT_FALSE(car.ownedByPlayer);
    EXPECT_EQ(s.world.player.money, 1e9f);
    EXPECT_TRUE(s.Salesman()->released);
    EXPECT_FALSE(s.Salesman()->destination); // dead: only released
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
}

TEST(Buying, AnAttackedSalesmanSellsNothing) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.world.player.money = 1e9f;
    s.Salesman()->damagedBy = s.world.player.character;
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{"Buying @0.80,0.80 *0.5"});
    EXPECT_FALSE(car.ownedByPlayer);
    EXPECT_EQ(s.world.player.money, 1e9f);
    ASSERT_TRUE(s.Salesman()->destination); // alive: sent back to the lot
    EXPECT_EQ(s.Salesman()->destination->x, 100.0f);
}

TEST(Buying, AFrameWithoutAPlayerFindsNoDealer) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.world.playerObjectPresent = false;
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
    EXPECT_FALSE(car.ownedByPlayer);
    s.Frame();
    EXPECT_TRUE(s.Salesman()->dismissed); // back to Idle, no lot to return to
    s.world.playerObjectPresent = true;
    s.Frame({kE});
    s.Frame();
    EXPECT_TRUE(s.Screen().empty()); // cool-down after the deal ended
    s.AdvanceClock(5);
    s.Frames(2);
    EXPECT_TRUE(s.Shows("Buying")); // E in the cool-down opens the next deal when it is over
}

TEST(Selling, SellsTheVehicleOnceItAndTheSalesmanAreNear) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({115, 100, 0}, 1000, 20000);
    s.EnterVehicle(car);
    s.Frame({kE});
    s.Frame(); // opens Selling; the salesman appears at the lot (100, 100)
    s.Frame();
    EXPECT_EQ(s.Screen(), Texts{"Selling @0.80,0.80 *0.5"}); // 15 from the salesman
    s.DriveTo(110, 100);                                     // exactly 10.0
    s.Frame();
    const std::optional<std::int32_t> price = s.PriceShown();
    ASSERT_TRUE(price);
    EXPECT_GE(*price, 5999); // 0.5 x [12000, 28000]
    EXPECT_LE(*price, 13999);
    EXPECT_EQ(s.Screen(), (Texts{"Selling @0.80,0.80 *0.5", PriceLine(*price), "[E] Sell @0.70,0.10 *0.3",
                                 "[BACKSPACE] Bargain @0.70,0.14 *0.3"}));
    s.DriveTo(110.01f, 100);
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{"Selling @0.80,0.80 *0.5"});
    EXPECT_EQ(s.world.player.money, 0.0f);

    s.DriveTo(108, 100);
    s.world.player.money = 1000;
    s.Frame({kE});
    EXPECT_EQ(s.world.player.money, 1000.0f + *price);
    EXPECT_FALSE(car.ownedByPlayer);
    EXPECT_EQ(car.statusCode, 7);
    EXPECT_TRUE(car.forSale);
    EXPECT_TRUE(car.released);
    // The game got a copy of the handle to release, not the plugin's own deal vehicle.
    const auto release = s.Issued("ReleaseVehicle");
    ASSERT_EQ(release.size(), 1u);
    MEMORY_BASIC_INFORMATION where{};
    VirtualQuery(reinterpret_cast<void*>(release[0]->arguments[0]), &where, sizeof where);
    EXPECT_NE(where.AllocationBase, GetModuleHandleW(L"car_dealers.dll"));
    EXPECT_EQ(s.Salesman()->speech, Texts{"THANKS"});
    EXPECT_EQ(s.Screen().back(), "Nice deal! @0.10,0.10 *1.0");
    EXPECT_EQ(s.Salesman()->money <= 20, true); // a sale gives the salesman nothing

    // No deal opens by itself after the cool-down; E opens the next one: same vehicle, same offer,
    // the same salesman joining again.
    s.AdvanceClock(5);
    s.Frames(3);
    EXPECT_EQ(s.Screen(), Texts{"Nice deal! @0.10,0.10 *1.0"});
    s.Frame({kE});
    s.Frame();
    s.Frame();
    EXPECT_EQ(s.PriceShown(), price);
    EXPECT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.Salesman()->group, s.world.player.group);
}

TEST(Selling, AnAttackedSalesmanBuysNothing) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({105, 100, 0}, 1000, 20000);
    s.EnterVehicle(car);
    s.Frames(3, {}), s.Frame({kE}), s.Frames(2);
    ASSERT_TRUE(s.PriceShown());
    s.Salesman()->damagedBy = s.world.player.character;
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{"Selling @0.80,0.80 *0.5"});
    EXPECT_EQ(s.world.player.money, 0.0f);
    EXPECT_FALSE(car.forSale);
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty()); // after the deal: nothing until the player leaves
}

TEST(Bargaining, OneRequestEveryThreeSecondsLoweringWhileBuying) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    std::int32_t shown = *s.PriceShown();
    int requests = 0;
    for (int second = 0; second < 30; ++second) {
        s.Frame({kBackspace});
        const bool asked = !s.Issued("SayCharacterSpeech").empty();
        EXPECT_EQ(asked, second % 3 == 0) << second; // the request in the very second it is allowed is taken
        requests += asked;
        s.Frame();
        EXPECT_LE(*s.PriceShown(), shown);
        shown = *s.PriceShown();
        s.AdvanceClock(1);
    }
    EXPECT_EQ(requests, 10);
    EXPECT_EQ(s.Player().speech, Texts(10, "GENERIC_BUY"));
    // Some successful steps (0 to 5), then refusals only.
    const Texts& replies = s.Salesman()->speech;
    ASSERT_EQ(replies.size(), 10u);
    const auto firstRefusal = std::find(replies.begin(), replies.end(), "GENERIC_FUCK_OFF");
    EXPECT_LE(firstRefusal - replies.begin(), 5);
    EXPECT_TRUE(std::all_of(replies.begin(), firstRefusal, [](auto& r) { return r == "CONV_BIZ_STATE"; }));
    EXPECT_TRUE(std::all_of(firstRefusal, replies.end(), [](auto& r) { return r == "GENERIC_FUCK_OFF"; }));
}

TEST(Bargaining, WithoutASalesmanOnlyThePlayerSpeaks) {
    Session s(kDealers);
    s.world.failCharacterCreation = true; // the salesman never appears
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    ASSERT_TRUE(s.PriceShown());
    s.Frame({kBackspace});
    EXPECT_EQ(s.Player().speech, Texts{"GENERIC_BUY"});
    EXPECT_EQ(s.Issued("SayCharacterSpeech").size(), 1u);
}

TEST(Bargaining, RaisesWhileSelling) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({105, 100, 0}, 1000, 20000);
    s.EnterVehicle(car);
    s.Frame({kE}), s.Frames(2);
    std::int32_t shown = *s.PriceShown();
    for (int request = 0; request < 6; ++request) {
        s.Frame({kBackspace});
        s.Frame();
        EXPECT_GE(*s.PriceShown(), shown);
        shown = *s.PriceShown();
        s.AdvanceClock(3);
    }
    EXPECT_EQ(s.Player().speech.size(), 6u);
}

TEST(Leaving, OnlyEndsTheInteractionInThatFrameAndIdlesTheNext) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.world.player.money = 0;
    s.Frame({kE}); // refused: a message is on screen
    s.WalkTo(200, 100);
    s.Frame();
    EXPECT_TRUE(s.Screen().empty()); // not even the message
    EXPECT_FALSE(s.Salesman()->released);
    s.Frame();
    EXPECT_TRUE(s.Salesman()->dismissed); // no lot to send him back to
    EXPECT_TRUE(s.Salesman()->released);
    EXPECT_TRUE(s.Issued("DoesVehicleExist").empty()); // offers of the lot left are not purged
    EXPECT_EQ(s.Screen(), Texts{"You cannot afford this @0.10,0.10 *1.0"});
}

TEST(Salesman, IsReusedWhileHeExistsAndADeadOneIsOnlyReleased) {
    Session s(kDealers);
    s.WalkTo(110, 100);
    s.Frame({kE}), s.Frame();
    testhost::Character* first = s.Salesman();
    first->SetPosition({500, 500, 0});
    s.WalkTo(200, 100), s.Frames(2);
    s.AdvanceClock(5);
    s.WalkTo(110, 100), s.Frame({kE}), s.Frame();
    EXPECT_EQ(s.world.created.size(), 1u); // the same salesman joins again, wherever he is
    EXPECT_EQ(first->position().x, 500.0f);
    EXPECT_EQ(first->group, s.world.player.group);
    first->dead = true;
    first->dismissed = first->released = false;
    const auto removals = s.world.CommandsNamed("RemoveCharacterFromGroup").size();
    s.WalkTo(200, 100), s.Frames(2);
    EXPECT_EQ(s.world.CommandsNamed("RemoveCharacterFromGroup").size(), removals);
    EXPECT_FALSE(first->dismissed);
    EXPECT_TRUE(first->released);
}

TEST(Salesman, ModelsAreDrawnWithTheLastTwiceAsOftenAsEachOther) {
    Session s(kDealers);
    std::map<std::uint32_t, int> models;
    constexpr int kDeals = 600;
    for (int deal = 0; deal < kDeals; ++deal) {
        s.WalkTo(110, 100);
        s.Frame({kE}), s.Frame();
        ASSERT_EQ(s.world.created.size(), static_cast<std::size_t>(deal + 1));
        ++models[s.Salesman()->model];
        s.world.RemoveCharacter(s.Salesman()->handle);
        s.WalkTo(200, 100), s.Frames(2);
        s.AdvanceClock(5);
    }
    // The game knows its models by these hashes only: one digit off and no salesman appears.
    const std::map<std::uint32_t, int> shares = {
        {0x5B404032, 1}, {0x2924DBD8, 1}, {0xDA0E92D1, 1}, {0x976C0D95, 1}, {0x1B0DCC86, 2}};
    ASSERT_EQ(models.size(), shares.size());
    for (const auto& [model, share] : shares) // within about 5 standard deviations
        EXPECT_NEAR(models[model], kDeals * share / 6, share == 2 ? 60 : 45) << std::hex << model;
}

// The hold is armed in the bought vehicle while the alert level is below 2 and lasts 7 seconds from
// then, in the vehicle or out of it; while it lasts, a level of 1 is cleared.
TEST(AfterDeal, ClearsAnAlertLevelOfOneWhileTheHoldLasts) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.world.player.money = 1e9f;
    s.Frame({kE});
    struct Step {
        bool inVehicle;
        int level, levelAfter, secondsToNext;
    };
    const Step steps[] = {{false, 1, 1, 0}, // not armed yet
                          {true, 1, 0, 7},  // armed until +7
                          {true, 1, 0, 7},  // armed again in the second it ends, until +14
                          {true, 2, 2, 4},  // over, and not armed at level 2
                          {true, 0, 0, 4},  // armed until +25
                          {false, 1, 0, 3}, {false, 1, 1, 0}};
    for (const Step& step : steps) {
        if (step.inVehicle)
            s.EnterVehicle(car);
        else
            s.LeaveVehicle();
        s.world.player.alertLevel = step.level;
        s.Frame();
        EXPECT_EQ(s.world.player.alertLevel, step.levelAfter) << &step - steps;
        s.AdvanceClock(step.secondsToNext);
    }
}

// Where lots overlap, the lot of the deal keeps the player while he stays in it; its edge is in it.
TEST(Lots, TheLotOfTheDealKeepsThePlayerWhereLotsOverlap) {
    Session s("100,100,5,20,Lot A\n130,100,5,20,Lot B\n");
    s.WalkTo(150, 100); // on B's edge
    s.Frame({kE}), s.Frame();
    ASSERT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.world.created[0].matrix[3][0], 130.0f);
    Vehicle& car = s.world.AddVehicle({116, 100, 0}, 1000, 20000);
    s.WalkTo(115, 100); // in A too, which comes first in the list
    s.world.player.money = 1e9f;
    s.Frame({kE});
    EXPECT_TRUE(car.ownedByPlayer);
    ASSERT_TRUE(s.Salesman()->destination);
    EXPECT_EQ(s.Salesman()->destination->x, 130.0f); // sent back to B
}

TEST(Appraisal, PricesVaryFromVehicleToVehicle) {
    Session s(kDealers);
    std::set<std::int32_t> prices;
    s.WalkTo(101, 100);
    s.Frame({kE}), s.Frame();
    for (int i = 0; i < 5; ++i) {
        Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
        s.Frame();
        prices.insert(*s.PriceShown());
        s.world.RemoveVehicle(car.handle);
    }
    EXPECT_GT(prices.size(), 1u); // the random device is not a fixed sequence
}

// Past 2038 the C runtime's 32-bit clock answers -1: every timer of a deal runs on the 64-bit one.
TEST(Clock, ADealPlaysOutIn2039) {
    Session s(kDealers);
    testhost::SetClock(2'180'000'000); // February 2039
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    ASSERT_TRUE(s.Shows("Buying"));
    s.Frame({kBackspace});
    s.AdvanceClock(3);
    s.Frame({kBackspace});
    EXPECT_EQ(s.Player().speech, Texts(2, "GENERIC_BUY"));
    EXPECT_EQ(s.Salesman()->speech.size(), 2u);
    s.world.player.money = 1e9f;
    s.Frame({kE});
    EXPECT_TRUE(car.ownedByPlayer);
    s.AdvanceClock(5);
    s.Frame();
    EXPECT_EQ(s.Screen(), Texts{"The vehicle is yours! @0.10,0.10 *1.0"});
    s.AdvanceClock(1);
    s.Frame();
    EXPECT_TRUE(s.Screen().empty());
    s.WalkTo(200, 100), s.Frames(2); // left: the deal is over and the cool-down starts
    s.WalkTo(110, 100), s.Frame({kE}), s.Frames(2);
    EXPECT_FALSE(s.Shows("Buying"));
    s.AdvanceClock(5);
    s.Frame();
    s.Frame();
    EXPECT_TRUE(s.Shows("Buying"));
}

// Rates as the C library reads numbers. One car at lot A, with 1,000,000 to spend: the price it is
// offered at on foot and the money after E, then, driven away and back, the price the dealer offers
// for it and the money after E. Both prices come from one offer, so from one base price.
struct Deal {
    std::int32_t buying, selling;
    float afterBuying, afterSelling;
};
Deal BuyAndSellBack(const std::string& settings) {
    Session s(kDealers, settings);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    Deal deal{};
    deal.buying = s.PriceShown().value_or(0);
    s.world.player.money = 1e6f;
    s.Frame({kE});
    deal.afterBuying = s.world.player.money;
    s.EnterVehicle(car);
    s.DriveTo(200, 100), s.Frames(2);
    s.AdvanceClock(5);
    s.DriveTo(105, 100), s.Frame({kE}), s.Frames(3);
    deal.selling = s.PriceShown().value_or(0);
    s.Frame({kE});
    deal.afterSelling = s.world.player.money;
    return deal;
}

TEST(Settings, PlainAndHexadecimalRates) {
    const Deal deal = BuyAndSellBack("price_rate_buy = 2\nprice_rate_sell = 0x1p-2\n");
    EXPECT_GE(deal.buying, 23999); // 2 x [12000, 28000]
    EXPECT_LE(deal.buying, 55999);
    // A quarter of the base price is an eighth of twice it, in whole hundreds.
    EXPECT_EQ((deal.selling + 1) / 100, (deal.buying + 1) / 100 / 8) << deal.buying;
    EXPECT_EQ(deal.afterBuying, 1e6f - deal.buying);
    EXPECT_EQ(deal.afterSelling, deal.afterBuying + deal.selling);
}

TEST(Settings, ExponentAndInfiniteRates) {
    const Deal deal = BuyAndSellBack("price_rate_buy=2.5E-1\nprice_rate_sell=inf\n");
    EXPECT_GE(deal.buying, 2999); // 0.25 x [12000, 28000]
    EXPECT_LE(deal.buying, 6999);
    EXPECT_EQ(deal.afterBuying, 1e6f - deal.buying);
    EXPECT_EQ(deal.selling, 2147483599); // the largest price, not a sign turned over
}

TEST(Settings, OverflowingAndNotANumberRates) {
    const Deal deal = BuyAndSellBack("price_rate_buy=1e39\nprice_rate_sell=nan\n");
    EXPECT_EQ(deal.buying, 2147483599); // a float infinity: too dear, rather than two billion paid out
    EXPECT_EQ(deal.afterBuying, 1e6f);
    EXPECT_EQ(deal.selling, -1); // not a number prices as 0
    EXPECT_EQ(deal.afterSelling, 1e6f - 1);
}

// What each steady frame of a state costs: exactly the commands of its step, and no allocation.
TEST(Counts, SteadyFramesIssueExactlyTheirCommandsAndAllocateNothing) {
    Session s(kDealers);
    const auto expect = [&](const char* state, const Names& commands) {
        EXPECT_EQ(s.Commands(), commands) << state;
        EXPECT_EQ(s.allocations(), 0u) << state;
        std::cout << "steady frame, " << state << ": " << s.Commands().size() << " commands, "
                  << s.allocations() << " allocations\n";
    };
    s.Frame(), s.Frame();
    expect("idle, interaction off", Names{"IsKeyPressed"});

    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.Frame();
    const Names watch = {"DoesCharacterExist", "IsCharacterDead", "GetLocalPlayerIndex", "GetPlayerCharacter",
                         "HasCharacterBeenDamagedBy"};
    const Names prompt = {"SetTextScale", "DisplayTextLiteral", "SetTextScale", "DisplayTextLiteral",
                          "SetTextScale", "DisplayTextLiteral", "IsKeyPressed", "IsKeyPressed"};
    Names buying = {"GetDistance2D",           "GetLocalPlayerIndex", "GetPlayerCharacter",
                    "IsCharacterInAnyVehicle", "SetTextScale",        "DisplayTextLiteral"};
    buying.insert(buying.end(), watch.begin(), watch.end());
    buying.push_back("FindClosestVehicle");
    buying.insert(buying.end(), prompt.begin(), prompt.end());
    expect("buying with prompt", buying);

    s.world.player.money = 1e9f;
    s.Frame({kE});
    s.AdvanceClock(6); // the message is gone
    s.Frame(), s.Frame();
    const Names hold = {"GetLocalPlayerIndex", "GetPlayerIdentifier", "GetPlayerAlertLevel",
                        "GetLocalPlayerIndex", "GetPlayerCharacter",  "IsCharacterInAnyVehicle"};
    Names afterDeal = {"GetDistance2D"};
    afterDeal.insert(afterDeal.end(), hold.begin(), hold.end());
    expect("after the deal, on foot", afterDeal);

    // Drive the bought car away and back, and offer it to the dealer.
    s.EnterVehicle(car);
    s.DriveTo(200, 100), s.Frames(2);
    s.AdvanceClock(5);
    s.DriveTo(105, 100), s.Frame({kE}), s.Frames(3);
    Names selling = {"GetDistance2D", "DoesVehicleExist", "DoesCharacterExist", "SetTextScale",
                     "DisplayTextLiteral"};
    selling.insert(selling.end(), watch.begin(), watch.end());
    selling.insert(selling.end(), hold.begin(), hold.end());
    selling.insert(selling.end(), {"GetCharacterVehicle", "GetVehicleCoordinates", "GetDistance2D",
                                   "GetCharacterCoordinates", "GetDistance2D"});
    selling.insert(selling.end(), prompt.begin(), prompt.end());
    expect("selling with prompt", selling);
}

} // namespace
