#pragma once
// A session of the real plugin in the stand-in game: the test's car_dealers/ files are written to a
// fresh folder that becomes the game's current directory, the plugin is loaded as the game's
// loader loads it (once per process), and the test plays frames with keys held, reading what the
// player would see and what the world holds.
#include "world.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace session {

inline constexpr std::int32_t kE = 0x12;
inline constexpr std::int32_t kBackspace = 0x0E;

// What a test reads of a vehicle, "owned for-sale status 7 released", and of a character,
// "group 1 to 100 dismissed released dead says THANKS": only the parts that hold.
std::string Facts(const testhost::Vehicle& vehicle);
std::string Facts(const testhost::Character& character);

// Runs this game program again with `arguments` and the environment variable `variable` set, and
// returns what it printed.
std::string RunThisGame(const std::string& arguments, const char* variable);

class Session {
  public:
    explicit Session(const std::string& dealers, const std::string& settings = "");
    ~Session();

    // One frame with these keys held.
    void Frame(std::initializer_list<std::int32_t> keys = {});
    void Frames(int count, std::initializer_list<std::int32_t> keys = {});
    void AdvanceClock(std::int64_t seconds);

    // What the last frame showed and did.
    std::vector<std::string> Screen() const; // every text, described, in drawing order
    std::string Commands() const;            // names of the commands issued, in order, one space apart
    std::vector<const testhost::IssuedCommand*> Issued(const std::string& name) const;
    std::uint64_t allocations() const { return allocations_; } // the plugin's heap allocations
    // The price line's number, or nullopt when no price was shown.
    std::optional<std::int32_t> PriceShown() const;

    // The player.
    testhost::Character& Player() { return world.PlayerCharacter(); }
    void WalkTo(float x, float y, float z = 0.0f);
    void EnterVehicle(testhost::Vehicle& vehicle);
    void LeaveVehicle();
    void DriveTo(float x, float y, float z = 0.0f); // moves the vehicle and the player in it

    // The last salesman the plugin created, or null.
    testhost::Character* Salesman();

    testhost::World world;

  private:
    std::filesystem::path folder_;
    std::uint64_t firstCommand_ = 0;
    std::uint64_t allocations_ = 0;
};

} // namespace session
