// A long random session: random keys, walks and drives among several lots, vehicles appearing and
// vanishing, salesmen dying and being attacked, the player object missing now and then, the clock
// running. Deals must open, and vehicles be bought, sold and bargained for. Built twice:
// - with the plugin's code in-process, whose state is checked every frame: each lot's offers stay
//   bounded by the vehicles it saw recently;
// - with the real DLL in the stand-in game (SOAK_REAL_PLUGIN), whose own heap is counted (in-process
//   the plugin shares its heap with the test): its live blocks stop growing after a warm-up.
#include "contact.h"
#include "imports.h"
#include "world.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>

#ifdef SOAK_REAL_PLUGIN
#include "session.h"
#else
#include "dealer/dealer_module.h"
#include "dealer/interaction/dealer_tick.h"
#include "runtime/game_events.h"
#endif

namespace {

constexpr float kLots[3][2] = {{100, 100}, {300, 100}, {120, 110}}; // the third overlaps the first

int Frames() {
    const char* frames = std::getenv("SOAK_FRAMES");
    return frames ? std::atoi(frames) : 100000;
}

// The world's random course; counts what the plugin did in it.
class RandomSession {
  public:
    explicit RandomSession(testhost::World& world) : world_(world) {}

    // Changes the world at random and runs one frame.
    void Frame();
    void ExpectActivity() const;

    int opened = 0, purchases = 0, sales = 0, bargains = 0;

  private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    float Around(float centre) { return centre + std::uniform_real_distribution<float>(-25, 25)(random_); }
    template <typename T> T* Any(const std::vector<T*>& items) {
        return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random_)];
    }

    testhost::World& world_;
    std::mt19937 random_{20261206};
};

void RandomSession::Frame() {
    testhost::World& world = world_;
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
    if (!world.created.empty() && Chance(0.01)) {
        if (testhost::Character* salesman = world.FindCharacter(world.created.back().handle)) {
            switch (std::uniform_int_distribution<int>(0, 3)(random_)) {
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
        opened += command.name == "AddCharacterToGroup";
        if (command.name == "SetVehicleStatusCode") {
            sales += command.Int(1) == 7;
            purchases += command.Int(1) == 1;
        }
        bargains += command.name == "SayCharacterSpeech" && command.texts.at(0) == "CONV_BIZ_STATE";
    }
}

void RandomSession::ExpectActivity() const {
    EXPECT_GT(opened, 0);
    EXPECT_GT(purchases, 0);
    EXPECT_GT(sales, 0);
    EXPECT_GT(bargains, 0);
    std::cout << Frames() << " frames: " << opened << " deals opened, " << purchases << " purchases, "
              << sales << " sales, " << bargains << " bargains\n";
}

#ifdef SOAK_REAL_PLUGIN

TEST(Soak, ThePluginsHeapStopsGrowing) {
    session::Session s("100,100,5,20\n300,100,5,20\n120,110,5,20\n");
    RandomSession random(s.world);
    const int frames = Frames(), warmUp = frames / 5;
    std::int64_t warmPeak = testhost::PluginLiveBlocks(), peak = warmPeak;
    for (int frame = 0; frame < frames; ++frame) {
        random.Frame();
        const std::int64_t live = testhost::PluginLiveBlocks();
        (frame < warmUp ? warmPeak : peak) = std::max(frame < warmUp ? warmPeak : peak, live);
    }
    random.ExpectActivity();
    // Offers come and go with the vehicles, a few blocks each; a leak grows with the deals (over a
    // thousand in the default run).
    EXPECT_LE(peak, warmPeak + 8);
    std::cout << "the plugin's live heap blocks: at most " << warmPeak << " in the first " << warmUp
              << " frames, at most " << peak << " after\n";
}

#else

TEST(Soak, RandomSessionKeepsThePluginSoundAndItsOffersBounded) {
    testhost::World world;
    world.Activate();
    testhost::InterceptPluginImports(GetModuleHandleW(nullptr), false);
    DealerModule& module = g_dealer_module;
    module.dealers.clear(); // whatever car_dealers/ the working folder holds
    for (const auto& lot : kLots) module.dealers.push_back(DealerRecord{lot[0], lot[1], 5.0f, 20, {}});
    InstallGameEvents();
    ScriptTickEvent.push_back(&DealerTick);

    RandomSession random(world);
    std::map<std::int32_t, std::int64_t> lastSeen; // vehicle -> last second it existed
    std::size_t largestTable = 0;
    std::map<DealState, int> framesIn;
    for (int frame = 0, frames = Frames(); frame < frames; ++frame) {
        random.Frame();
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
    random.ExpectActivity();

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
    std::cout << lastSeen.size() << " vehicles seen, largest offer table " << largestTable << ", "
              << world.created.size() << " salesmen created; frames idle " << framesIn[DealState::Idle]
              << ", buying " << framesIn[DealState::Buying] << ", selling " << framesIn[DealState::Selling]
              << ", after a deal " << framesIn[DealState::AfterDeal] << "\n";
}

#endif

} // namespace
