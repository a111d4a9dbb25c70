#include "demo.h"

#include "driver.h"
#include "imports.h"

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testhost::Character;
using testhost::kBackspace;
using testhost::kE;
using testhost::Vehicle;
using testhost::World;

struct Lot {
    float x = 0, y = 0, z = 0, radius = 0;
    std::string name;
};

// The first place in car_dealers/dealers.csv, read the simple way: the demo stands its player there.
bool FirstLot(Lot& lot) {
    std::ifstream file("car_dealers/dealers.csv");
    std::string line;
    while (std::getline(file, line)) {
        std::stringstream fields(line);
        std::string field;
        std::vector<std::string> parts;
        while (std::getline(fields, field, ',')) parts.push_back(field);
        if (parts.size() < 4) continue;
        lot = {std::stof(parts[0]), std::stof(parts[1]), std::stof(parts[2]), std::stof(parts[3]),
               parts.size() > 4 ? parts[4] : "the lot"};
        return true;
    }
    return false;
}

std::string Where(const testhost::DrawnText& text) {
    if (text.x < 0.5f && text.y < 0.5f) return "top left";
    if (text.x >= 0.5f && text.y < 0.5f) return "top right";
    return "bottom right";
}

class Demo {
  public:
    Demo(World& world, const Lot& lot) : driver_(world), world_(driver_.world), lot_(lot) {}

    void Say(const char* format, ...) {
        va_list arguments;
        va_start(arguments, format);
        std::printf("%s       > ", Stamp().c_str());
        std::vprintf(format, arguments);
        std::printf("\n");
        va_end(arguments);
    }

    // Runs frames (4 a second on the game's clock) and prints whatever the player notices change.
    void Play(int frames, std::initializer_list<std::int32_t> keys = {}) {
        for (int i = 0; i < frames; ++i) {
            ++frame_;
            if (frame_ % 4 == 0) driver_.AdvanceClock(1);
            const std::size_t createdBefore = world_.created.size();
            const float moneyBefore = world_.player.money;
            driver_.Frame(keys);
            Report(createdBefore, moneyBefore);
            Check(createdBefore, moneyBefore);
        }
    }

    Vehicle& Car(float dx, float dy, float health, std::int32_t value) {
        return world_.AddVehicle({lot_.x + dx, lot_.y + dy, lot_.z}, health, value);
    }
    // What went wrong for the player, or "" when nothing did.
    const std::string& wrong() const { return wrong_; }

    // The player's moves, relative to the lot.
    void WalkTo(float dx, float dy) { driver_.WalkTo(lot_.x + dx, lot_.y + dy, lot_.z); }
    void DriveTo(float dx, float dy) { driver_.DriveTo(lot_.x + dx, lot_.y + dy, lot_.z); }
    void Enter(Vehicle& car) { driver_.EnterVehicle(car); }
    void Later(std::int64_t seconds) { driver_.AdvanceClock(seconds); }

  private:
    // One salesman and one price at a time, and money paid or taken only as the price shown says.
    void Check(std::size_t createdBefore, float moneyBefore) {
        int prices = 0;
        for (const testhost::DrawnText& text : world_.screen) prices += text.text.rfind("$ ", 0) == 0;
        const float paid = moneyBefore - world_.player.money;
        const float shown = static_cast<float>(driver_.PriceShown().value_or(0));
        if (world_.created.size() > createdBefore + 1) wrong_ = "two salesmen came at once";
        if (prices > 1) wrong_ = "two prices were shown at once";
        if (paid != 0 && paid != shown && paid != -shown)
            wrong_ = "the money changed by another sum than the price";
    }

    std::string Stamp() const {
        const std::int64_t t = testhost::Clock() - start_;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%02lld:%02lld  f%-4d", static_cast<long long>(t / 60),
                      static_cast<long long>(t % 60), frame_);
        return stamp;
    }

    void Report(std::size_t createdBefore, float moneyBefore) {
        std::string screen;
        for (const testhost::DrawnText& text : world_.screen) {
            if (!screen.empty()) screen += " | ";
            screen += "\"" + text.text + "\" (" + Where(text) + (text.width >= 1.0f ? ", large" : "") + ")";
        }
        if (screen.empty()) screen = "(nothing)";
        if (screen != lastScreen_) std::printf("%s  screen: %s\n", Stamp().c_str(), screen.c_str());
        lastScreen_ = screen;

        for (std::size_t i = createdBefore; i < world_.created.size(); ++i) {
            const Character* salesman = world_.FindCharacter(world_.created[i].handle);
            if (salesman)
                std::printf("%s  a salesman appears at %s (model %08X, carrying $%d)\n", Stamp().c_str(),
                            lot_.name.c_str(), salesman->model, salesman->money);
        }
        for (Character* character : world_.Characters()) {
            std::size_t& heard = heard_[character->handle];
            const bool isPlayer = character->handle == world_.player.character;
            for (; heard < character->speech.size(); ++heard)
                std::printf("%s  %s says %s\n", Stamp().c_str(), isPlayer ? "the player" : "the salesman",
                            character->speech[heard].c_str());
            const bool inGroup = character->group == world_.player.group && !isPlayer;
            bool& wasInGroup = inGroup_[character->handle];
            if (inGroup != wasInGroup)
                std::printf("%s  the salesman %s\n", Stamp().c_str(),
                            inGroup ? "joins the player's group"
                                    : (character->destination ? "leaves the group and walks back to the lot"
                                                              : "leaves the group"));
            wasInGroup = inGroup;
        }
        std::string deal = deal_;
        for (const testhost::DrawnText& text : world_.screen) {
            if (text.text == "Buying") deal = "buying: the vehicle nearest to the player is offered to him";
            if (text.text == "Selling") deal = "selling: the player's vehicle is offered to the dealer";
        }
        for (Vehicle* car : world_.Vehicles())
            if (car->ownedByPlayer != owned_[car->handle])
                deal = car->ownedByPlayer ? "over: nothing more until the player leaves the lot"
                                          : "closed: a new one takes E again, after a pause of 5 s";
        if (deal != deal_) std::printf("%s  deal %s\n", Stamp().c_str(), deal.c_str());
        deal_ = deal;
        if (world_.player.money != moneyBefore)
            std::printf("%s  money: $%.0f -> $%.0f\n", Stamp().c_str(), moneyBefore, world_.player.money);
        for (Vehicle* car : world_.Vehicles()) {
            bool& owned = owned_[car->handle];
            if (car->ownedByPlayer != owned)
                std::printf(
                    "%s  the car at (%.0f, %.0f) %s\n", Stamp().c_str(), car->position.x, car->position.y,
                    car->ownedByPlayer ? "is now the player's" : "belongs to the dealer again, for sale");
            owned = car->ownedByPlayer;
        }
    }

    testhost::Driver driver_;
    World& world_;
    Lot lot_;
    int frame_ = 0;
    std::int64_t start_ = testhost::Clock();
    std::string lastScreen_ = "(nothing)";
    std::string deal_ = "none";
    std::map<std::int32_t, std::size_t> heard_;
    std::map<std::int32_t, bool> inGroup_;
    std::map<std::int32_t, bool> owned_;
    std::string wrong_;
};

} // namespace

int RunDemo(World& world) {
    Lot lot;
    if (!FirstLot(lot)) {
        std::printf("demo: no dealer in car_dealers/dealers.csv\n");
        return 1;
    }
    std::printf("\n%s: a dealer lot at (%.1f, %.1f), radius %.0f. Texts on screen, speech and money as the "
                "player gets them; times are minutes:seconds of game clock, f is the frame.\n\n",
                lot.name.c_str(), lot.x, lot.y, lot.radius);
    Demo demo(world, lot);
    world.player.money = 30000;
    Vehicle& saloon = demo.Car(6, 0, 1000, 24000);
    demo.Car(9, 5, 420, 18000); // a battered one further back

    demo.Say("The player, on foot with $30000, walks into %s.", lot.name.c_str());
    demo.WalkTo(lot.radius + 20, 0);
    demo.Play(4);
    demo.WalkTo(lot.radius / 2, 0);
    demo.Play(4);
    demo.Say("He presses E.");
    demo.Play(1, {kE});
    demo.Play(3);
    demo.Say("He walks up to the saloon parked at the lot.");
    demo.WalkTo(4.5f, 0);
    demo.Play(4);
    demo.Say("He holds BACKSPACE for a few seconds to bargain.");
    demo.Play(16, {kBackspace});
    demo.Play(4);
    demo.Say("He presses E to buy it.");
    demo.Play(1, {kE});
    demo.Play(8);
    demo.Say("He gets in and drives away.");
    demo.Enter(saloon);
    demo.Play(4);
    demo.DriveTo(lot.radius + 40, 0);
    demo.Play(8);
    demo.Later(20 * 60);
    demo.Say("Twenty minutes later he drives back and stops at the lot.");
    demo.DriveTo(6, 0);
    demo.Play(4);
    demo.Say("He presses E to offer the saloon to the dealer.");
    demo.Play(1, {kE});
    demo.Play(4);
    demo.Say("He bargains once for a better price.");
    demo.Play(1, {kBackspace});
    demo.Play(4);
    demo.Say("He presses E to sell.");
    demo.Play(1, {kE});
    demo.Play(28);
    demo.Say("The end: the saloon is for sale at the lot again.");

    const bool sold = !saloon.ownedByPlayer && saloon.forSale;
    const bool paidLess = world.player.money < 30000 && world.player.money > 0;
    const bool done = sold && paidLess && demo.wrong().empty();
    std::printf("\n%s%s\n", done ? "demo: done" : "demo: the session did not go as expected",
                demo.wrong().empty() ? "" : (": " + demo.wrong()).c_str());
    return done ? 0 : 1;
}
