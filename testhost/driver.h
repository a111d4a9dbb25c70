#pragma once
// Plays the stand-in game as a player would: frames with keys held, walking, getting in and out of a
// vehicle and driving it, and what the last frame showed and did. Works on any world with the plugin
// loaded: the demo's and the tests' sessions.
#include "world.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testhost {

inline constexpr std::int32_t kE = 0x12;
inline constexpr std::int32_t kBackspace = 0x0E;

class Driver {
    std::unique_ptr<World> own_; // when given no world; before `world`, which refers to it

  public:
    Driver(); // on a world of its own
    explicit Driver(World& world);

    // One frame with these keys held.
    void Frame(std::initializer_list<std::int32_t> keys = {});
    void Frames(int count, std::initializer_list<std::int32_t> keys = {});
    void AdvanceClock(std::int64_t seconds);

    // What the last frame showed and did.
    std::vector<std::string> Screen() const; // every text, described, in drawing order
    std::string Commands() const;            // names of the commands issued, in order, one space apart
    std::vector<const IssuedCommand*> Issued(const std::string& name) const;
    std::uint64_t allocations() const { return allocations_; } // the plugin's heap allocations
    // The price line's number, or nullopt when no price was shown.
    std::optional<std::int32_t> PriceShown() const;

    // The player.
    Character& Player() { return world.PlayerCharacter(); }
    void WalkTo(float x, float y, float z = 0.0f);
    void EnterVehicle(Vehicle& vehicle);
    void LeaveVehicle();
    void DriveTo(float x, float y, float z = 0.0f); // moves the vehicle and the player in it

    // The last salesman the plugin created, or null.
    Character* Salesman();

    World& world;

  private:
    std::uint64_t firstCommand_ = 0;
    std::uint64_t allocations_ = 0;
};

} // namespace testhost
