#include "driver.h"

#include "contact.h"
#include "imports.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace testhost {
namespace {

// A text as the player saw it: "text @x,y *scale", or "*width/height" when they differ.
std::string Describe(const DrawnText& text) {
    char line[256];
    std::snprintf(line, sizeof line, "%s @%.2f,%.2f *%g", text.text.c_str(), text.x, text.y, text.width);
    return line + (text.height == text.width ? "" : "/" + std::to_string(text.height));
}

} // namespace

Driver::Driver() : own_(std::make_unique<World>()), world(*own_) {}

Driver::Driver(World& world) : world(world) {}

void Driver::Frame(std::initializer_list<std::int32_t> keys) {
    world.BeginFrame();
    world.keysHeld = std::set<std::int32_t>(keys);
    firstCommand_ = world.commands.size();
    const std::uint64_t before = PluginAllocations();
    RunFrame();
    allocations_ = PluginAllocations() - before;
}

void Driver::Frames(int count, std::initializer_list<std::int32_t> keys) {
    for (int i = 0; i < count; ++i) Frame(keys);
}

void Driver::AdvanceClock(std::int64_t seconds) {
    testhost::AdvanceClock(seconds);
}

std::vector<std::string> Driver::Screen() const {
    std::vector<std::string> texts;
    for (const DrawnText& text : world.screen) texts.push_back(Describe(text));
    return texts;
}

std::string Driver::Commands() const {
    std::string names;
    for (std::size_t i = firstCommand_; i < world.commands.size(); ++i)
        names += (names.empty() ? "" : " ") + world.commands[i].name;
    return names;
}

std::vector<const IssuedCommand*> Driver::Issued(const std::string& name) const {
    std::vector<const IssuedCommand*> issued;
    for (std::size_t i = firstCommand_; i < world.commands.size(); ++i)
        if (world.commands[i].name == name) issued.push_back(&world.commands[i]);
    return issued;
}

std::optional<std::int32_t> Driver::PriceShown() const {
    for (const DrawnText& text : world.screen)
        if (text.text.rfind("$ ", 0) == 0) return std::atoi(text.text.c_str() + 2);
    return std::nullopt;
}

void Driver::WalkTo(float x, float y, float z) {
    Player().SetPosition({x, y, z});
}

void Driver::EnterVehicle(Vehicle& vehicle) {
    Player().vehicle = vehicle.handle;
    Player().SetPosition(vehicle.position);
}

void Driver::LeaveVehicle() {
    Player().vehicle = 0;
}

void Driver::DriveTo(float x, float y, float z) {
    if (Vehicle* vehicle = world.FindVehicle(Player().vehicle)) vehicle->position = {x, y, z};
    Player().SetPosition({x, y, z});
}

Character* Driver::Salesman() {
    return world.created.empty() ? nullptr : world.FindCharacter(world.created.back().handle);
}

} // namespace testhost
