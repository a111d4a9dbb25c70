// A long random session with the plugin's code in-process: random keys, walks and drives among
// several lots, vehicles appearing and vanishing, salesmen dying and being attacked, the player
// object missing now and then, the clock running. The plugin must never crash, its state must
// stay consistent, and each lot's offers must stay bounded by the vehicles it saw recently.
#include "contact.h"
#include "dealer/dealer_module.h"
#include "dealer/interaction/dealer_tick.h"
#include "imports.h"
#include "runtime/game_events.h"
#include "world.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>

namespace {

constexpr float kLots[3][2] = {{100, 100}, {300, 100}, {120, 110}}; // the third overlaps the first

int Frames() {
    const char* frames = std::getenv("SOAK_FRAMES");
    return frames ? std::atoi(frames) : 100000;
}

TEST(Soak, RandomSessionKeepsThePluginSoundAndItsOffersBounded) {
    testhost::World world;
    world.Activate();
    testhost::InterceptPluginImports(GetModuleHandleW(nullptr), false);
    DealerModule& module = g_dealer_module;
    module.dealers.clear(); // whatever car_dealers/ the working folder holds
    for (const auto& lot : kLots) module.dealers.push_back(DealerRecord{lot[0], lot[1], 5.0f, 20, {}});
    InstallGameEvents();
    ScriptTickEvent.push_back(&DealerTick);

    std::mt19937 random(20261206);
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(random); };
    const auto around = [&](float centre) {
        return centre + std::uniform_real_distribution<float>(-25, 25)(random);
    };
    std::map<std::int32_t, std::int64_t> lastSeen; // vehicle -> last second it existed
    std::size_t largestTable = 0;
    std::map<DealState, int> framesIn;
    int sales = 0, purchases = 0;

    for (int frame = 0, frames = Frames(); frame < frames; ++frame) {
        world.BeginFrame();
        world.commands.clear();
        world.hostCalls.clear();
        world.keysHeld.clear();
        if (chance(0.2)) world.keysHeld.insert(0x12);
        if (chance(0.2)) world.keysHeld.insert(0x0E);
        if (chance(0.3)) testhost::AdvanceClock(1);
        if (chance(0.001)) testhost::AdvanceClock(900);

        auto vehicles = world.Vehicles();
        const auto& lot = kLots[std::uniform_int_distribution<int>(0, 2)(random)];
        if (vehicles.size() < 8 && chance(0.02))
            world.AddVehicle({around(lot[0]), around(lot[1]), 0},
                             std::uniform_real_distribution<float>(-50, 1500)(random),
                             std::uniform_int_distribution<std::int32_t>(0, 90000)(random));
        if (!vehicles.empty() && chance(0.01)) {
            testhost::Vehicle* gone =
                vehicles[std::uniform_int_distribution<std::size_t>(0, vehicles.size() - 1)(random)];
            if (world.PlayerCharacter().vehicle == gone->handle) world.PlayerCharacter().vehicle = 0;
            world.RemoveVehicle(gone->handle);
        }
        vehicles = world.Vehicles();

        testhost::Character& player = world.PlayerCharacter();
        if (chance(0.03)) player.SetPosition({around(lot[0]), around(lot[1]), 0});
        if (!vehicles.empty() && chance(0.03)) { // walk up to a vehicle
            const testhost::Position at =
                vehicles[std::uniform_int_distribution<std::size_t>(0, vehicles.size() - 1)(random)]
                    ->position;
            player.SetPosition({at.x + 1.5f, at.y, at.z});
        }
        if (!vehicles.empty() && chance(0.02)) {
            testhost::Vehicle* car =
                vehicles[std::uniform_int_distribution<std::size_t>(0, vehicles.size() - 1)(random)];
            player.vehicle = player.vehicle ? 0 : car->handle;
        }
        if (testhost::Vehicle* car = world.FindVehicle(player.vehicle)) car->position = player.position();
        if (chance(0.005)) player.SetPosition({1000, 1000, 0}); // far from every lot
        world.playerObjectPresent = !chance(0.002);
        world.failCharacterCreation = chance(0.01);
        if (chance(0.3)) world.player.money = std::uniform_real_distribution<float>(-1000, 40000)(random);
        world.player.alertLevel = std::uniform_int_distribution<int>(0, 3)(random);
        if (!world.created.empty() && chance(0.01)) {
            if (testhost::Character* salesman = world.FindCharacter(world.created.back().handle)) {
                switch (std::uniform_int_distribution<int>(0, 3)(random)) {
                case 0:
                    salesman->dead = true;
                    break;
                case 1:
                    salesman->injured = true;
                    break;
                case 2:
                    salesman->damagedBy = world.player.character;
                    break;
                default:
                    world.RemoveCharacter(salesman->handle);
                    break;
                }
            }
        }

        testhost::RunFrame();
        for (const testhost::IssuedCommand& command : world.commands) {
            if (command.name != "SetVehicleStatusCode") continue;
            sales += command.Int(1) == 7;
            purchases += command.Int(1) == 1;
        }

        ++framesIn[module.deal_state];
        const std::int64_t now = testhost::Clock();
        for (testhost::Vehicle* car : world.Vehicles()) lastSeen[car->handle] = now;
        ASSERT_GE(static_cast<int>(module.deal_state), 0);
        ASSERT_LE(static_cast<int>(module.deal_state), 3);
        if (module.current_dealer) {
            ASSERT_GE(module.current_dealer, module.dealers.data());
            ASSERT_LT(module.current_dealer, module.dealers.data() + module.dealers.size());
        }
        for (DealerRecord& dealer : module.dealers) {
            largestTable = std::max(largestTable, dealer.offers.entries.size());
            for (const auto& [vehicle, offer] : dealer.offers.entries) {
                ASSERT_EQ(offer.vehicle, vehicle);
                ASSERT_EQ(offer.validity, 1800);
                ASSERT_GE(offer.bargains_left, 0);
                ASSERT_LE(offer.bargains_left, 5);
                ASSERT_LE(offer.expiry, now + 1800); // made in the past
            }
        }
    }

    // Close the session at each lot in turn: every deal state change purges that lot's offers, after
    // which only offers of vehicles that exist and are still valid remain.
    world.playerObjectPresent = true;
    world.failCharacterCreation = false;
    world.PlayerCharacter().vehicle = 0;
    for (const auto& lot : kLots) {
        world.PlayerCharacter().SetPosition({lot[0], lot[1], 0});
        testhost::AdvanceClock(10);
        for (int i = 0; i < 4; ++i) {
            world.BeginFrame();
            world.keysHeld = {0x12};
            testhost::RunFrame();
        }
        world.PlayerCharacter().SetPosition({1000, 1000, 0});
        for (int i = 0; i < 2; ++i) world.BeginFrame(), testhost::RunFrame();
        ASSERT_EQ(module.deal_state, DealState::Idle);
    }
    const std::int64_t now = testhost::Clock();
    for (DealerRecord& dealer : module.dealers) {
        // Not yet purged (the player may never have stood in this lot alone): at most what it saw.
        for (const auto& [vehicle, offer] : dealer.offers.entries) ASSERT_TRUE(lastSeen.count(vehicle));
    }
    std::size_t purged = module.dealers[1].offers.entries.size();
    for (const auto& [vehicle, offer] : module.dealers[1].offers.entries) {
        EXPECT_NE(world.FindVehicle(vehicle), nullptr);
        EXPECT_GE(offer.expiry, now - 20);
    }
    EXPECT_LE(purged, world.Vehicles().size());
    std::cout << Frames() << " frames, " << lastSeen.size() << " vehicles seen, largest offer table "
              << largestTable << ", " << world.created.size() << " salesmen created; frames idle "
              << framesIn[DealState::Idle] << ", buying " << framesIn[DealState::Buying] << ", selling "
              << framesIn[DealState::Selling] << ", after a deal " << framesIn[DealState::AfterDeal] << "; "
              << sales << " sales, " << purchases << " purchases\n";
}

} // namespace
