// A long random session with the real DLL in the stand-in game: random keys, walks and drives
// among several lots, vehicles appearing and vanishing, salesmen dying and being attacked, the player
// object missing now and then, the clock running. Deals must open, and vehicles be bought, sold and
// bargained for; the plugin's own live heap blocks, which the game counts, stop growing after a
// warm-up.
#include "contact.h"
#include "imports.h"
#include "session.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace {

constexpr float kLots[3][2] = {{100, 100}, {300, 100}, {120, 110}}; // the third overlaps the first

// The world's random course; counts what the plugin did in it.
class RandomSession {
  public:
    explicit RandomSession(testhost::World& world) : world(world) {}

    // Changes the world at random and runs one frame.
    void Frame();

    int opened = 0, purchases = 0, sales = 0, bargains = 0;

  private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    float Around(float centre) { return centre + std::uniform_real_distribution<float>(-25, 25)(random_); }
    template <typename T> T* Any(const std::vector<T*>& items) {
        return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random_)];
    }

    testhost::World& world;
    std::mt19937 random_{20261206};
};

void RandomSession::Frame() {
    world.BeginFrame();
    world.commands.clear();
    world.hostCalls.clear();
    world.keysHeld.clear();
    if (Chance(0.2)) world.keysHeld.insert(0x12);
    if (Chance(0.2)) world.keysHeld.insert(0x0E);
    if (Chance(0.3)) testhost::AdvanceClock(1);
    if (Chance(0.001)) testhost::AdvanceClock(900);

    auto vehicles = world.Vehicles();
    const auto& lot = kLots[std::uniform_int_distribution<int>(0, 2)(random_)];
    if (vehicles.size() < 8 && Chance(0.02))
        world.AddVehicle({Around(lot[0]), Around(lot[1]), 0},
                         std::uniform_real_distribution<float>(-50, 1500)(random_),
                         std::uniform_int_distribution<std::int32_t>(0, 90000)(random_));
    if (!vehicles.empty() && Chance(0.01)) {
        testhost::Vehicle* gone = Any(vehicles);
        if (world.PlayerCharacter().vehicle == gone->handle) world.PlayerCharacter().vehicle = 0;
        world.RemoveVehicle(gone->handle);
    }
    vehicles = world.Vehicles();

    testhost::Character& player = world.PlayerCharacter();
    if (Chance(0.03)) player.SetPosition({Around(lot[0]), Around(lot[1]), 0});
    if (!vehicles.empty() && Chance(0.03)) { // walk up to a vehicle
        const testhost::Position at = Any(vehicles)->position;
        player.SetPosition({at.x + 1.5f, at.y, at.z});
    }
    if (!vehicles.empty() && Chance(0.02)) {
        const std::int32_t car = Any(vehicles)->handle;
        player.vehicle = player.vehicle ? 0 : car;
    }
    if (testhost::Vehicle* car = world.FindVehicle(player.vehicle)) car->position = player.position();
    if (Chance(0.005)) player.SetPosition({1000, 1000, 0}); // far from every lot
    world.playerObjectPresent = !Chance(0.002);
    world.failCharacterCreation = Chance(0.01);
    if (Chance(0.3)) world.player.money = std::uniform_real_distribution<float>(-1000, 40000)(random_);
    world.player.alertLevel = std::uniform_int_distribution<int>(0, 3)(random_);
    testhost::Character* salesman =
        world.created.empty() ? nullptr : world.FindCharacter(world.created.back().handle);
    const int fate = salesman && Chance(0.01) ? std::uniform_int_distribution<int>(1, 4)(random_) : 0;
    if (fate == 1) salesman->dead = true;
    if (fate == 2) salesman->injured = true;
    if (fate == 3) salesman->damagedBy = world.player.character;
    if (fate == 4) world.RemoveCharacter(salesman->handle);

    testhost::RunFrame();
    for (const testhost::IssuedCommand& command : world.commands) {
        opened += command.name == "AddCharacterToGroup";
        if (command.name == "SetVehicleStatusCode") {
            sales += command.Int(1) == 7;
            purchases += command.Int(1) == 1;
        }
        bargains += command.name == "SayCharacterSpeech" && command.texts.at(0) == "CONV_BIZ_STATE";
    }
}

TEST(Soak, DealsAreMadeAndThePluginsHeapStopsGrowing) {
    session::Session s("100,100,5,20\n300,100,5,20\n120,110,5,20\n");
    RandomSession random(s.world);
    const char* setting = std::getenv("SOAK_FRAMES");
    const int frames = setting ? std::atoi(setting) : 100000, warmUp = frames / 5;
    std::int64_t warmPeak = testhost::PluginLiveBlocks(), peak = warmPeak;
    for (int frame = 0; frame < frames; ++frame) {
        random.Frame();
        std::int64_t& highest = frame < warmUp ? warmPeak : peak;
        highest = std::max(highest, testhost::PluginLiveBlocks());
    }
    EXPECT_GT(random.opened, 0);
    EXPECT_GT(random.purchases, 0);
    EXPECT_GT(random.sales, 0);
    EXPECT_GT(random.bargains, 0);
    // Offers come and go with the vehicles, a few blocks each; a leak grows with the deals (over a
    // thousand in the default run).
    EXPECT_LE(peak, warmPeak + 8);
    std::cout << frames << " frames: " << random.opened << " deals, " << random.purchases << " purchases, "
              << random.sales << " sales, " << random.bargains << " bargains; live blocks " << warmPeak
              << " in the warm-up, " << peak << " after\n";
}

} // namespace
