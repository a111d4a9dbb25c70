// A long random session with the real DLL: keys, walks and drives among lots, vehicles come and go,
// salesmen die or are attacked, the player object vanishes; the game counts the plugin's live heap blocks.
#include "contact.h"
#include "imports.h"
#include "session.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace {

constexpr float kLots[3][2] = {{100, 100}, {300, 100}, {120, 110}}; // the third overlaps the first

// Changes the world at random for the next frame.
void ChangeAtRandom(testhost::Session& s, std::mt19937& random) {
    testhost::World& world = s.world;
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(random); };
    const auto around = [&](float centre) {
        return centre + std::uniform_real_distribution<float>(-25, 25)(random);
    };
    const auto any = [&](const std::vector<testhost::Vehicle*>& vehicles) {
        return vehicles[std::uniform_int_distribution<std::size_t>(0, vehicles.size() - 1)(random)];
    };
    world.BeginFrame();
    world.commands.clear(), world.hostCalls.clear(), world.keysHeld.clear();
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
        testhost::Vehicle* gone = any(vehicles);
        if (world.PlayerCharacter().vehicle == gone->handle) world.PlayerCharacter().vehicle = 0;
        world.RemoveVehicle(gone->handle);
    }
    vehicles = world.Vehicles();

    testhost::Character& player = world.PlayerCharacter();
    if (chance(0.03)) player.SetPosition({around(lot[0]), around(lot[1]), 0});
    if (!vehicles.empty() && chance(0.03)) { // walk up to a vehicle
        const testhost::Position at = any(vehicles)->position;
        player.SetPosition({at.x + 1.5f, at.y, at.z});
    }
    if (!vehicles.empty() && chance(0.02)) {
        const std::int32_t car = any(vehicles)->handle;
        player.vehicle = player.vehicle ? 0 : car;
    }
    if (testhost::Vehicle* car = world.FindVehicle(player.vehicle)) car->position = player.position();
    if (chance(0.005)) player.SetPosition({1000, 1000, 0}); // far from every lot
    world.playerObjectPresent = !chance(0.002);
    player.object.transform = chance(0.002) ? nullptr : player.matrix;
    world.failCharacterCreation = chance(0.01);
    if (chance(0.3)) world.player.money = std::uniform_real_distribution<float>(-1000, 40000)(random);
    world.player.alertLevel = std::uniform_int_distribution<int>(0, 3)(random);
    testhost::Character* salesman = s.Salesman();
    const int fate = salesman && chance(0.01) ? std::uniform_int_distribution<int>(1, 4)(random) : 0;
    if (fate == 1) salesman->dead = true;
    if (fate == 2) salesman->injured = true;
    if (fate == 3) salesman->damagedBy = world.player.character;
    if (fate == 4) world.RemoveCharacter(salesman->handle);
}

TEST(Soak, DealsAreMadeAndThePluginsHeapStopsGrowing) {
    testhost::Session s("100,100,5,20\n300,100,5,20\n120,110,5,20\n");
    std::mt19937 random(20261206);
    int opened = 0, purchases = 0, sales = 0, bargains = 0;
    const char* setting = std::getenv("SOAK_FRAMES");
    const int frames = setting ? std::atoi(setting) : 100000, warmUp = frames / 5;
    std::int64_t warmPeak = testhost::PluginLiveBlocks(), peak = warmPeak;
    for (int frame = 0; frame < frames; ++frame) {
        ChangeAtRandom(s, random);
        testhost::RunFrame();
        for (const testhost::IssuedCommand& command : s.world.commands) {
            opened += command.name == "AddCharacterToGroup";
            if (command.name == "SetVehicleStatusCode") {
                sales += command.Int(1) == 7;
                purchases += command.Int(1) == 1;
            }
            bargains += command.name == "SayCharacterSpeech" && command.texts.at(0) == "CONV_BIZ_STATE";
        }
        std::int64_t& highest = frame < warmUp ? warmPeak : peak;
        highest = std::max(highest, testhost::PluginLiveBlocks());
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(purchases, 0);
    EXPECT_GT(sales, 0);
    EXPECT_GT(bargains, 0);
    // Offers come and go with vehicles, a few blocks each; a leak grows with the deals (1000+ by default).
    EXPECT_LE(peak, warmPeak + 8);
    std::cout << frames << " frames: " << opened << " deals, " << purchases << " purchases, " << sales
              << " sales, " << bargains << " bargains; live blocks " << warmPeak << " in the warm-up, "
              << peak << " after\n";
}

} // namespace
