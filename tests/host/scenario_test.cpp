// Deals played as a player would with the real plugin in the stand-in game, one process per test.
#include "imports.h"
#include "session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <windows.h>

using testhost::kBackspace;
using testhost::kE;
using testhost::Session;
using testhost::Vehicle;

namespace {

// The facts that hold, as "owned for-sale status 7 released" or
// "group 1 to 100 dismissed released dead says THANKS".
std::string Facts(const Vehicle& vehicle) {
    std::string facts = vehicle.ownedByPlayer ? "owned " : "";
    if (vehicle.forSale) facts += "for-sale ";
    if (vehicle.statusCode) facts += "status " + std::to_string(*vehicle.statusCode) + " ";
    if (vehicle.released) facts += "released ";
    return facts.substr(0, facts.size() - !facts.empty());
}

std::string Facts(const testhost::Character& character) {
    std::string facts = character.group ? "group " + std::to_string(character.group) + " " : "";
    if (character.destination)
        facts += "to " + std::to_string(static_cast<int>(character.destination->x)) + " ";
    if (character.dismissed) facts += "dismissed ";
    if (character.released) facts += "released ";
    if (character.dead) facts += "dead ";
    if (!character.speech.empty()) facts += "says";
    for (const std::string& said : character.speech) facts += " " + said;
    return facts.substr(0, facts.size() - (!facts.empty() && facts.back() == ' '));
}

// What this program prints run again with `arguments` and environment variable `variable` set.
std::string RunThisGame(const std::string& arguments, const char* variable) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    SetEnvironmentVariableA(variable, "1");
    FILE* game = _popen(("\"\"" + std::string(exe) + "\" " + arguments + "\"").c_str(), "r");
    SetEnvironmentVariableA(variable, nullptr);
    std::string output;
    for (int c; game && (c = std::fgetc(game)) != EOF;) output += static_cast<char>(c);
    if (game) _pclose(game);
    return output;
}

// Two lots 200 apart; the player starts far from both, at the origin.
const char* const kDealers = "100,100,5,20,Lot A\n300,100,5,20,Lot B\n";
const std::string kBuying = "Buying @0.80,0.80 *0.5", kSelling = "Selling @0.80,0.80 *0.5";
const std::string kYours = "The vehicle is yours! @0.10,0.10 *1";
const std::string kTooDear = "You cannot afford this @0.10,0.10 *1";

using Texts = std::vector<std::string>;

// The commands of a steady frame's steps, in order.
const std::string kWatch = "DoesCharacterExist IsCharacterDead GetLocalPlayerIndex GetPlayerCharacter "
                           "HasCharacterBeenDamagedBy ";
const std::string kPrompt = "SetTextScale DisplayTextLiteral SetTextScale DisplayTextLiteral SetTextScale "
                            "DisplayTextLiteral IsKeyPressed IsKeyPressed";
const std::string kHold = "GetLocalPlayerIndex GetPlayerIdentifier GetPlayerAlertLevel GetLocalPlayerIndex "
                          "GetPlayerCharacter IsCharacterInAnyVehicle";

// Walks up to `vehicle` in lot A and opens a deal on foot.
void OpenBuying(Session& s, Vehicle& vehicle) {
    s.WalkTo(vehicle.position.x - 1.0f, vehicle.position.y, 0.0f);
    s.Frame({kE}), s.Frames(2); // the deal opens, then its prompt shows
}

Texts Prompt(const char* verb, std::int32_t price) {
    return {verb[0] == 'B' ? kBuying : kSelling, "$ " + std::to_string(price) + " @0.10,0.10 *1",
            std::string("[E] ") + verb + " @0.70,0.10 *0.3", "[BACKSPACE] Bargain @0.70,0.14 *0.3"};
}

// E outside every lot, then a deal on foot in lot A: the salesman, the nearest vehicle's prompt, a refusal
// $1 short, the purchase, its message, the hold in the car. In 2039, past the 32-bit clock.
TEST(Buying, FromEOutsideTheLotsToTheHoldInTheBoughtVehicle) {
    Session s(kDealers);
    testhost::SetClock(2'180'000'000);
    s.Frame({kE});
    EXPECT_EQ(s.Commands(), "IsKeyPressed");
    s.Frame();
    EXPECT_EQ(s.Commands(), "GetDistance2D GetDistance2D");
    EXPECT_TRUE(s.Screen().empty());
    s.Frame();
    EXPECT_EQ(s.Commands(), "IsKeyPressed"); // off again, and no cool-down started
    EXPECT_TRUE(s.world.created.empty());

    s.WalkTo(101, 100);
    s.Frame({kE}), s.Frame();
    EXPECT_EQ(s.Commands(), "GetDistance2D GetLocalPlayerIndex GetPlayerCharacter IsCharacterInAnyVehicle "
                            "DoesCharacterExist SetCharacterMoney GetLocalPlayerIndex GetPlayerGroup "
                            "PrepareCharacterForGroup AddCharacterToGroup SetGroupOption GetPlayerCharacter "
                            "SetGroupLeader SetPlayerGroupOption SetCharacterOption SetCharacterMode");
    ASSERT_EQ(s.world.created.size(), 1u); // at the lot's centre, with the factory's other arguments
    const testhost::CreatedCharacter& created = s.world.created[0];
    EXPECT_EQ(std::vector<float>(&created.matrix[0][0], &created.matrix[0][0] + 16),
              (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 100, 5, 0}));
    EXPECT_EQ(std::tuple(created.zeroWord, created.fourth, created.fifth), std::tuple(0, 0, 1));
    std::vector<std::uint32_t> flags;
    for (const testhost::HostFunctionCall& call : s.world.hostCalls)
        if (call.name == "RequestModel" || call.name == "LoadRequestedModels" ||
            call.name == "RegisterCharacterObject")
            flags.push_back(call.arguments.back());
    EXPECT_EQ(flags, (std::vector<std::uint32_t>{0, 0, 0}));
    testhost::Character* salesman = s.Salesman();
    ASSERT_NE(salesman, nullptr);
    EXPECT_EQ(Facts(*salesman), "group 16384"); // the player's, whom it has as leader, in mode 0
    EXPECT_EQ(std::pair(s.world.groups[s.world.player.group].leader, salesman->mode),
              std::pair(s.world.player.character, std::optional(0)));
    s.Frame();
    EXPECT_EQ(s.Screen(), Texts{kBuying}); // no vehicle within reach

    Vehicle& farther = s.world.AddVehicle({104.02f, 100, 0}, 1000, 20000); // 3.02 away: out of reach
    s.Frame();
    EXPECT_EQ(s.Screen(), Texts{kBuying});
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    car.forSale = true; // the lot's: bought, it is for sale no more
    s.Frame();
    const std::int32_t price = s.PriceShown().value_or(0);
    EXPECT_TRUE(price % 100 == 99 && price >= 9599 && price <= 22399) << price; // 0.8 x [12000, 28000]
    EXPECT_EQ(s.Screen(), Prompt("Buy", price));

    s.world.player.money = static_cast<float>(price - 1);
    s.Frame({kE});
    EXPECT_EQ(s.world.player.money, static_cast<float>(price - 1));
    EXPECT_EQ(Facts(car), "for-sale");
    EXPECT_EQ(Facts(*salesman), "group 16384 says GENERIC_FUCK_OFF");
    EXPECT_EQ(s.Screen().back(), kTooDear);
    s.Frame();
    EXPECT_EQ(s.PriceShown(), price);

    s.world.player.money = static_cast<float>(price);
    s.Frame({kE});
    EXPECT_NE(s.Commands().find("RemoveCharacterFromGroup ResetCharacterState SetCharacterMode "
                                "ResetCharacterActivity SendCharacterToCoordinates ReleaseCharacter"),
              std::string::npos);
    EXPECT_EQ(s.world.player.money, 0.0f);
    EXPECT_EQ(Facts(car), "owned status 1");
    EXPECT_EQ(Facts(farther), "");
    EXPECT_EQ(salesman->money, price);
    EXPECT_EQ(Facts(*salesman), "to 100 released says GENERIC_FUCK_OFF THANKS"); // back to the lot
    EXPECT_EQ(salesman->mode, 3);
    EXPECT_EQ(s.Screen().back(), kYours);

    // Over until the player leaves: E does nothing, the message stays 6 s, drawn allocating nothing.
    for (const int second : {0, 5, 6}) {
        s.AdvanceClock(second == 5 ? 5 : second == 6 ? 1 : 0);
        s.Frame({kE});
        EXPECT_EQ(s.Screen(), second < 6 ? Texts{kYours} : Texts{}) << second;
        EXPECT_EQ(s.allocations(), 0u) << second;
    }
    EXPECT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.world.player.money, 0.0f);

    // The hold arms in the bought car at alert level below 2 and lasts 7 s, in the car or out, clearing a
    // level of 1. Steps: "where level>level after,seconds to the next".
    std::istringstream steps(
        "foot 1>1,0 car 1>0,7 car 1>0,7 car 2>2,4 foot 1>1,0 car 0>0,4 foot 1>0,3 foot 1>1,0");
    std::string where;
    char mark;
    for (int step = 0, level, after, seconds; steps >> where >> level >> mark >> after >> mark >> seconds;
         ++step) {
        where == "car" ? s.EnterVehicle(car) : s.LeaveVehicle();
        s.world.player.alertLevel = level;
        s.Frame();
        EXPECT_EQ(s.world.player.alertLevel, after) << step;
        s.AdvanceClock(seconds);
    }
}

// One after another in one game; none reopens while the player is in the lot.
TEST(Deal, EndsWithoutATradeWhenThePlayerOrTheSalesmanCannotGoOn) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    const auto fresh = [&] { // forgets how the last deal left the salesman
        testhost::Character* salesman = s.Salesman();
        salesman->released = salesman->dismissed = false;
        salesman->destination.reset();
    };
    const auto reopen = [&] { // after the cool-down and the last message
        s.WalkTo(200, 100), s.Frames(2), s.AdvanceClock(6);
        OpenBuying(s, car);
        ASSERT_TRUE(s.PriceShown());
        fresh();
    };
    OpenBuying(s, car);
    // Into any vehicle.
    s.EnterVehicle(car);
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
    EXPECT_EQ(Facts(*s.Salesman()), "to 100 released");
    s.LeaveVehicle();
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());

    // Out of the lot: the deal only ends that frame, not even the message stays; Idle the next.
    s.Salesman()->SetPosition({500, 500, 0});
    reopen();
    EXPECT_EQ(s.Salesman()->position().x, 500.0f); // the same salesman joins again, wherever he is
    s.world.player.money = 0;
    s.Frame({kE}); // refused: a message is on screen
    s.WalkTo(200, 100);
    s.Frame();
    EXPECT_TRUE(s.Screen().empty());
    EXPECT_EQ(Facts(*s.Salesman()), "group 16384 says GENERIC_FUCK_OFF");
    s.Frame();
    EXPECT_EQ(Facts(*s.Salesman()), "dismissed released says GENERIC_FUCK_OFF"); // no lot to go back to
    EXPECT_TRUE(s.Issued("DoesVehicleExist").empty()); // offers of the lot left are not purged
    EXPECT_EQ(s.Screen(), Texts{kTooDear});

    // The salesman attacked: nothing is bought in the frame it is seen; he is sent back to the lot.
    reopen();
    s.world.player.money = 1e9f;
    s.Salesman()->damagedBy = s.world.player.character;
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{kBuying});
    EXPECT_EQ(Facts(*s.Salesman()), "to 100 released says GENERIC_FUCK_OFF");
    s.Salesman()->damagedBy = 0;

    // No player object for a frame: no dealer, Idle, no lot to go back to; E in the cool-down opens the next
    // deal when it ends.
    reopen();
    s.world.playerObjectPresent = false;
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
    s.Frame();
    EXPECT_EQ(Facts(*s.Salesman()), "dismissed released says GENERIC_FUCK_OFF");
    s.world.playerObjectPresent = true;
    s.Frame({kE}), s.Frames(2);
    EXPECT_TRUE(s.Screen().empty());
    s.AdvanceClock(5), s.Frames(2);
    EXPECT_EQ(s.Screen(), Prompt("Buy", *s.PriceShown()));

    // The salesman dead: only released, not sent anywhere.
    fresh();
    s.Salesman()->dead = true;
    s.Frame({kE});
    EXPECT_EQ(s.Commands().find("HasCharacterBeenDamagedBy"), std::string::npos); // nothing more asked of him
    EXPECT_EQ(s.Screen(), Texts{kBuying});
    EXPECT_EQ(Facts(*s.Salesman()), "group 16384 released dead says GENERIC_FUCK_OFF");
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty());
    EXPECT_EQ(Facts(car), "");
    EXPECT_EQ(s.world.player.money, 1e9f);

    // Selling to an attacked salesman (a new one: the game took the dead one away) gives nothing.
    s.world.RemoveCharacter(s.Salesman()->handle);
    s.WalkTo(200, 100), s.Frames(2);
    EXPECT_EQ(s.Commands(), "DoesCharacterExist"); // the deal ends, asking nothing more of him
    s.AdvanceClock(5);
    s.EnterVehicle(car);
    s.Frame({kE}), s.Frames(2);
    ASSERT_EQ(s.world.created.size(), 2u);
    ASSERT_TRUE(s.PriceShown());
    s.Salesman()->damagedBy = s.world.player.character;
    s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{kSelling});
    EXPECT_EQ(s.world.player.money, 1e9f);
    EXPECT_EQ(Facts(car), "");
    s.Frame({kE});
    EXPECT_TRUE(s.Screen().empty()); // after the deal: nothing until the player leaves

    // The salesman, then the vehicle, gone while selling: nothing shows, nothing is sold.
    s.Salesman()->damagedBy = 0;
    for (const char* gone : {"salesman", "vehicle"}) {
        s.DriveTo(200, 100), s.Frames(2), s.AdvanceClock(6);
        s.DriveTo(102, 100), s.Frame({kE}), s.Frames(2);
        ASSERT_TRUE(s.PriceShown()) << gone;
        if (gone[0] == 's') s.world.RemoveCharacter(s.Salesman()->handle);
        if (gone[0] == 'v') s.world.RemoveVehicle(car.handle), s.LeaveVehicle();
        s.Frame({kE});
        EXPECT_TRUE(s.Screen().empty()) << gone;
        EXPECT_EQ(s.world.player.money, 1e9f);
    }
}

// Near means 10 apart at most.
TEST(Selling, BargainsUpAndSellsOnceTheVehicleAndTheSalesmanAreNear) {
    Session s(kDealers);
    Vehicle& car = s.world.AddVehicle({115, 100, 0}, 1000, 20000);
    s.EnterVehicle(car);
    s.Frame({kE}), s.Frames(2);             // Selling; the salesman appears at (100, 100)
    EXPECT_EQ(s.Screen(), Texts{kSelling}); // 15 from the salesman
    s.DriveTo(110, 100), s.Frame();         // exactly 10.0
    std::int32_t price = s.PriceShown().value_or(0);
    EXPECT_TRUE(price >= 5999 && price <= 13999) << price; // 0.5 x [12000, 28000]
    EXPECT_EQ(s.Screen(), Prompt("Sell", price));
    for (std::size_t request = 1; request <= 6; ++request) {
        s.Frame({kBackspace});
        s.AdvanceClock(3);
        s.Frame(); // no key, no request, though one is allowed now
        EXPECT_EQ(s.Player().speech.size(), request);
        EXPECT_GE(*s.PriceShown(), price);
        price = *s.PriceShown();
    }
    s.LeaveVehicle(), s.WalkTo(99.9f, 100), s.Frame({kE}); // beside the salesman, 10.1 from the car
    EXPECT_EQ(s.Screen(), Texts{kSelling});
    s.EnterVehicle(car), s.DriveTo(110.01f, 100), s.Frame({kE});
    EXPECT_EQ(s.Screen(), Texts{kSelling});
    EXPECT_EQ(s.world.player.money, 0.0f);

    s.DriveTo(108, 100);
    s.world.player.money = 1000;
    s.Frame({kE});
    EXPECT_EQ(s.world.player.money, 1000.0f + price);
    EXPECT_EQ(Facts(car), "for-sale status 7 released");
    // The handle released is a copy, not the plugin's own deal vehicle.
    const auto release = s.Issued("ReleaseVehicle");
    ASSERT_EQ(release.size(), 1u);
    MEMORY_BASIC_INFORMATION where{};
    VirtualQuery(reinterpret_cast<void*>(release[0]->arguments[0]), &where, sizeof where);
    EXPECT_NE(where.AllocationBase, GetModuleHandleW(L"car_dealers.dll"));
    EXPECT_EQ(s.Salesman()->speech.back(), "THANKS");
    EXPECT_EQ(s.Screen().back(), "Nice deal! @0.10,0.10 *1");
    EXPECT_LE(s.Salesman()->money, 20); // a sale gives the salesman nothing

    // After the cool-down E opens the next deal: same vehicle, offer and salesman, who joins again.
    s.AdvanceClock(5);
    s.Frames(3);
    EXPECT_EQ(s.Screen(), Texts{"Nice deal! @0.10,0.10 *1"});
    s.Frame({kE}), s.Frames(2);
    EXPECT_EQ(s.PriceShown(), price);
    EXPECT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.Salesman()->group, s.world.player.group);
}

// Without a salesman only the player asks; with one, the price drops 0 to 5 steps, then requests are
// refused. In 2039, as the purchase above.
TEST(Bargaining, OneRequestEveryThreeSecondsLoweringWhileBuying) {
    Session s(kDealers);
    testhost::SetClock(2'180'000'000);
    s.world.failCharacterCreation = true; // the salesman never appears
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    ASSERT_TRUE(s.PriceShown());
    s.Frame({kBackspace});
    EXPECT_EQ(s.Player().speech, Texts{"GENERIC_BUY"});
    EXPECT_EQ(s.Issued("SayCharacterSpeech").size(), 1u);
    s.world.failCharacterCreation = false;
    s.WalkTo(200, 100), s.Frames(2), s.AdvanceClock(5);
    EXPECT_EQ(s.Commands(), ""); // no salesman to dismiss: nothing asked of the game
    OpenBuying(s, car);

    std::int32_t shown = *s.PriceShown();
    int requests = 0;
    for (int second = 0; second < 30; ++second) {
        s.Frame({kBackspace});
        const bool asked = !s.Issued("SayCharacterSpeech").empty();
        EXPECT_EQ(asked, second % 3 == 0) << second; // taken in the very second it is allowed
        requests += asked;
        s.Frame();
        EXPECT_LE(*s.PriceShown(), shown);
        shown = *s.PriceShown();
        s.AdvanceClock(1);
    }
    EXPECT_EQ(requests, 10);
    EXPECT_EQ(s.Player().speech, Texts(11, "GENERIC_BUY"));
    EXPECT_TRUE(std::regex_match(Facts(*s.Salesman()), std::regex("group 16384 says( CONV_BIZ_STATE){0,5}"
                                                                  "( GENERIC_FUCK_OFF)*")))
        << Facts(*s.Salesman());
    EXPECT_EQ(s.Salesman()->speech.size(), 10u);
}

// Each new salesman also carries $0 to $20, every sum as likely.
TEST(Salesman, ModelsAreDrawnWithTheLastTwiceAsOftenAsEachOther) {
    Session s(kDealers);
    std::map<std::uint32_t, int> models;
    std::set<std::int32_t> money;
    constexpr int kDeals = 600;
    for (int deal = 0; deal < kDeals; ++deal) {
        s.WalkTo(110, 100);
        s.Frame({kE}), s.Frame();
        ASSERT_EQ(s.world.created.size(), static_cast<std::size_t>(deal + 1));
        ++models[s.Salesman()->model];
        money.insert(s.Salesman()->money);
        s.world.RemoveCharacter(s.Salesman()->handle);
        s.WalkTo(200, 100), s.Frames(2), s.AdvanceClock(5);
    }
    // The game knows its models only by these hashes: one digit off, no salesman.
    const std::map<std::uint32_t, int> shares = {
        {0x5B404032, 1}, {0x2924DBD8, 1}, {0xDA0E92D1, 1}, {0x976C0D95, 1}, {0x1B0DCC86, 2}};
    ASSERT_EQ(models.size(), shares.size());
    for (const auto& [model, share] : shares) // within about 5 standard deviations
        EXPECT_NEAR(models[model], kDeals * share / 6, share == 2 ? 60 : 45) << std::hex << model;
    EXPECT_EQ(std::tuple(money.size(), *money.begin(), *money.rbegin()),
              std::tuple(21u, 0, 20)); // any sum missed in 600: about 1 in 10^11
}

// The deal's lot keeps the player while he stays in it; a lot's edge is in it.
TEST(Lots, TheLotOfTheDealKeepsThePlayerWhereLotsOverlap) {
    Session s("100,100,5,20,Lot A\n130,100,5,20,Lot B\n");
    s.world.MakeUnknown(testhost::hashes::SetCharacterMode); // a command this game lacks is skipped
    s.WalkTo(150, 100);                                      // on B's edge
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

// Missing commands leave their outputs at the plugin's starting values. The player is character 1;
// character 0 is in no vehicle, attacking, silent: E in a car buys it, the group gets no leader, nobody
// says a bargain, the hold clears no alert level.
TEST(MissingCommands, WithoutThePlayersCharacterThePluginAsksAboutCharacterZero) {
    Session s(kDealers);
    s.world.RenumberPlayer(1);
    s.world.MakeUnknown(testhost::hashes::GetPlayerCharacter);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    s.EnterVehicle(car);
    s.Frame({kE}), s.Frame();
    EXPECT_EQ(s.world.groups[s.world.player.group].leader, 0);
    s.Salesman()->damagedBy = 1;
    s.Frame();
    EXPECT_EQ(s.Screen(), Prompt("Buy", s.PriceShown().value_or(0)));
    s.Frame({kBackspace});
    EXPECT_TRUE(s.Player().speech.empty());
    s.world.player.money = 1e9f;
    s.Frame({kE});
    EXPECT_TRUE(car.ownedByPlayer);
    s.world.player.alertLevel = 1;
    s.Frame();
    EXPECT_EQ(s.world.player.alertLevel, 1);
}

// Without GetDistance2D every distance is 0: a lot of radius 0 holds the player anywhere. Without
// GetPlayerGroup the salesman joins group 0. Without GetCharacterVehicle the deal vehicle and his car
// are both 0: a purchase, and a hold on that car clearing a level of 1.
TEST(MissingCommands, WithoutDistancesOrTheCarSatIn) {
    Session s("500,500,5,0\n");
    s.world.MakeUnknown(testhost::hashes::GetDistance2D);
    s.world.MakeUnknown(testhost::hashes::GetCharacterVehicle);
    s.world.MakeUnknown(testhost::hashes::GetPlayerGroup);
    s.Frame({kE}), s.Frame();
    ASSERT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.Salesman()->group, 0); // the plugin's starting value
    s.EnterVehicle(s.world.AddVehicle({0, 0, 0}, 1000, 20000));
    s.world.player.alertLevel = 1;
    s.Frames(2);
    EXPECT_EQ(s.world.player.alertLevel, 0);
}

// Without GetCharacterCoordinates the plugin puts the salesman at the origin: 10.5 from a player at
// (0, -10.5), too far to sell. Without GetVehicleCoordinates the car is there too: both 10 from a player at
// (0, -10), near enough. Without GetPlayerAlertLevel the level reads 0: the hold clears nothing.
TEST(MissingCommands, WithoutThePlacesOfTheCarAndTheSalesmanOrTheAlertLevel) {
    Session s("0,-10,0,20\n");
    s.world.MakeUnknown(testhost::hashes::GetCharacterCoordinates);
    s.world.MakeUnknown(testhost::hashes::GetPlayerAlertLevel);
    s.EnterVehicle(s.world.AddVehicle({0, -10.5f, 0}, 1000, 20000));
    s.world.player.alertLevel = 2;
    s.Frame({kE}), s.Frames(2);
    EXPECT_EQ(s.Screen(), Texts{kSelling});
    s.world.MakeUnknown(testhost::hashes::GetVehicleCoordinates);
    s.DriveTo(0, -10), s.Frame();
    EXPECT_EQ(s.Screen(), Prompt("Sell", s.PriceShown().value_or(0)));
    EXPECT_EQ(s.world.player.alertLevel, 2);
}

// Clock 0 is 1970; buying rate 100. Nothing shows at first; the deal opens at once; the factory gets model
// index 0, the plugin's start; the car, worth nothing, costs $ -1; the first bargain is heard; the hold,
// never armed on foot, is idle.
TEST(OddGames, AtClockZeroWithoutModelsOrModelData) {
    Session s(kDealers, "price_rate_buy=100\n");
    testhost::SetClock(0);
    s.world.knowsModels = false;
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    car.object.modelData = nullptr;
    s.Frame();
    EXPECT_TRUE(s.Screen().empty());
    OpenBuying(s, car);
    EXPECT_EQ(s.PriceShown(), -1);
    ASSERT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.world.created[0].modelIndex, 0);
    s.Frame({kBackspace});
    EXPECT_EQ(s.Player().speech, Texts{"GENERIC_BUY"});
    s.Frame({kE});
    s.world.player.alertLevel = 1;
    s.Frame();
    EXPECT_EQ(std::pair(car.ownedByPlayer, s.world.player.alertLevel), std::pair(true, 1));
}

// Each vehicle is appraised afresh from the random device: 750 x 20000 / 1000 = 15000, noise up to 0.4 of
// it, rate 0.8, cut to ..99: 7199 to 16799.
TEST(Appraisal, PricesSpreadOverTheNoiseBandAndDifferFromGameToGame) {
    Session s(kDealers);
    s.WalkTo(101, 100);
    s.Frame({kE}), s.Frame();
    std::vector<std::int32_t> prices;
    for (int i = 0; i < 150; ++i) {
        if (i == 75) s.world.SwapVehiclePool(); // the game moves its vehicles, as after a load
        Vehicle& car = s.world.AddVehicle({102, 100, 0}, 750, 20000);
        s.Frame();
        prices.push_back(s.PriceShown().value_or(0));
        s.world.RemoveVehicle(car.handle);
        EXPECT_TRUE(prices.back() % 100 == 99 && prices.back() >= 7199 && prices.back() <= 16799)
            << prices.back();
    }
    std::ostringstream first;
    for (int i = 0; i < 10; ++i) first << prices[i] << ' ';
    if (std::getenv("CAR_DEALERS_FIRST_PRICES")) { // the other game: tell its first prices
        std::printf("first prices: %s\n", first.str().c_str());
        return;
    }
    // Of 97 possible prices 150 draws show most, the lowest and highest hundreds among them.
    EXPECT_GT(std::set<std::int32_t>(prices.begin(), prices.end()).size(), 50u);
    EXPECT_LE(*std::min_element(prices.begin(), prices.end()), 7999);
    EXPECT_GE(*std::max_element(prices.begin(), prices.end()), 15999);
    const std::string other =
        RunThisGame("--gtest_filter=Appraisal.PricesSpread*", "CAR_DEALERS_FIRST_PRICES");
    ASSERT_NE(other.find("first prices: "), std::string::npos) << other;
    EXPECT_EQ(other.find("first prices: " + first.str()), std::string::npos) << other;
}

// Rates as the C library reads numbers. One car at lot A, 1,000,000 to spend: its price on foot and the
// money after E; then, driven away and back, the dealer's price and the money after E (one offer, one base
// price). With `steady`, each steady frame issues exactly its step's commands and allocates nothing.
struct Deal {
    std::int32_t buying, selling;
    float afterBuying, afterSelling;
};
Deal BuyAndSellBack(const std::string& settings, bool steady = false) {
    Session s(kDealers, settings);
    const auto expect = [&](const char* state, const std::string& commands) {
        if (!steady) return;
        EXPECT_EQ(s.Commands(), commands) << state;
        EXPECT_EQ(s.allocations(), 0u) << state;
    };
    s.Frames(2);
    expect("idle, interaction off", "IsKeyPressed");
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    OpenBuying(s, car);
    s.Frame();
    expect("buying with prompt",
           "GetDistance2D GetLocalPlayerIndex GetPlayerCharacter IsCharacterInAnyVehicle "
           "SetTextScale DisplayTextLiteral " +
               kWatch + "FindClosestVehicle " + kPrompt);
    Deal deal{};
    deal.buying = s.PriceShown().value_or(0);
    s.world.player.money = 1e6f;
    s.Frame({kE});
    deal.afterBuying = s.world.player.money;
    s.AdvanceClock(6); // the message is gone
    s.Frames(2);
    if (deal.afterBuying != 1e6f) expect("after the deal, on foot", "GetDistance2D " + kHold);
    s.EnterVehicle(car);
    s.DriveTo(200, 100), s.Frames(2), s.AdvanceClock(5);
    s.DriveTo(105, 100), s.Frame({kE}), s.Frames(3);
    expect("selling with prompt", "GetDistance2D DoesVehicleExist DoesCharacterExist SetTextScale "
                                  "DisplayTextLiteral " +
                                      kWatch + kHold +
                                      " GetCharacterVehicle GetVehicleCoordinates GetDistance2D "
                                      "GetCharacterCoordinates GetDistance2D " +
                                      kPrompt);
    deal.selling = s.PriceShown().value_or(0);
    s.Frame({kE});
    deal.afterSelling = s.world.player.money;
    return deal;
}

TEST(Settings, PlainAndHexadecimalRatesAndTheCommandsOfSteadyFrames) {
    const Deal deal = BuyAndSellBack("price_rate_buy = 2\nprice_rate_sell = 0x1p-2\n", true);
    EXPECT_TRUE(deal.buying >= 23999 && deal.buying <= 55999) << deal.buying; // 2 x [12000, 28000]
    // A quarter of the base price is an eighth of twice it, in whole hundreds.
    EXPECT_EQ((deal.selling + 1) / 100, (deal.buying + 1) / 100 / 8) << deal.buying;
    EXPECT_EQ(deal.afterBuying, 1e6f - deal.buying);
    EXPECT_EQ(deal.afterSelling, deal.afterBuying + deal.selling);
}

TEST(Settings, ExponentAndInfiniteRates) {
    const Deal deal = BuyAndSellBack("price_rate_buy=2.5E-1\nprice_rate_sell=inf\n");
    EXPECT_TRUE(deal.buying >= 2999 && deal.buying <= 6999) << deal.buying; // 0.25 x [12000, 28000]
    EXPECT_EQ(deal.afterBuying, 1e6f - deal.buying);
    EXPECT_EQ(deal.selling, 2147483599); // the largest price, not a flipped sign
}

TEST(Settings, OverflowingAndNotANumberRates) {
    const Deal deal = BuyAndSellBack("price_rate_buy=1e39\nprice_rate_sell=nan\n");
    EXPECT_EQ(deal.buying, 2147483599); // a float infinity: too dear, rather than two billion paid out
    EXPECT_EQ(deal.afterBuying, 1e6f);
    EXPECT_EQ(deal.selling, -1); // not a number prices as 0
    EXPECT_EQ(deal.afterSelling, 1e6f - 1);
}

} // namespace
