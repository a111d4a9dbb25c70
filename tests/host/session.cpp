#include "session.h"

#include "contact.h"
#include "imports.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <windows.h>

namespace session {
namespace {

// A text as the player saw it: "text @x,y *scale", or "*width/height" when they differ.
std::string Describe(const testhost::DrawnText& text) {
    char line[256];
    std::snprintf(line, sizeof line, "%s @%.2f,%.2f *%g", text.text.c_str(), text.x, text.y, text.width);
    return line + (text.height == text.width ? "" : "/" + std::to_string(text.height));
}

} // namespace

std::string Facts(const testhost::Vehicle& vehicle) {
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

std::string RunThisGame(const std::string& arguments, const char* variable) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    SetEnvironmentVariableA(variable, "1");
    FILE* game = _popen(("\"\"" + std::string(exe) + "\" " + arguments + "\"").c_str(), "r");
    SetEnvironmentVariableA(variable, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t got; game && (got = std::fread(buffer, 1, sizeof buffer, game)) > 0;)
        output.append(buffer, got);
    if (game) _pclose(game);
    return output;
}

Session::Session(const std::string& dealers, const std::string& settings) {
    static bool loaded = false;
    if (loaded) std::abort(); // one plugin per process, as in the game
    loaded = true;

    folder_ = std::filesystem::temp_directory_path() /
              ("car_dealers_session_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_ / "car_dealers");
    std::ofstream(folder_ / "car_dealers" / "dealers.csv", std::ios::binary) << dealers;
    if (!settings.empty())
        std::ofstream(folder_ / "car_dealers" / "dealers.conf", std::ios::binary) << settings;
    std::filesystem::current_path(folder_);

    world.Activate();
    testhost::SetClock(1'800'000'000);
    HMODULE plugin = testhost::LoadPlugin();
    if (!plugin) std::abort();
    testhost::InterceptPluginImports(plugin);
}

Session::~Session() {
    std::filesystem::current_path(folder_.parent_path());
    std::filesystem::remove_all(folder_);
}

void Session::Frame(std::initializer_list<std::int32_t> keys) {
    world.BeginFrame();
    world.keysHeld = std::set<std::int32_t>(keys);
    firstCommand_ = world.commands.size();
    const std::uint64_t before = testhost::PluginAllocations();
    testhost::RunFrame();
    allocations_ = testhost::PluginAllocations() - before;
}

void Session::Frames(int count, std::initializer_list<std::int32_t> keys) {
    for (int i = 0; i < count; ++i) Frame(keys);
}

void Session::AdvanceClock(std::int64_t seconds) {
    testhost::AdvanceClock(seconds);
}

std::vector<std::string> Session::Screen() const {
    std::vector<std::string> texts;
    for (const testhost::DrawnText& text : world.screen) texts.push_back(Describe(text));
    return texts;
}

std::string Session::Commands() const {
    std::string names;
    for (std::size_t i = firstCommand_; i < world.commands.size(); ++i)
        names += (names.empty() ? "" : " ") + world.commands[i].name;
    return names;
}

std::vector<const testhost::IssuedCommand*> Session::Issued(const std::string& name) const {
    std::vector<const testhost::IssuedCommand*> issued;
    for (std::size_t i = firstCommand_; i < world.commands.size(); ++i)
        if (world.commands[i].name == name) issued.push_back(&world.commands[i]);
    return issued;
}

std::optional<std::int32_t> Session::PriceShown() const {
    for (const testhost::DrawnText& text : world.screen)
        if (text.text.rfind("$ ", 0) == 0) return std::atoi(text.text.c_str() + 2);
    return std::nullopt;
}

void Session::WalkTo(float x, float y, float z) {
    Player().SetPosition({x, y, z});
}

void Session::EnterVehicle(testhost::Vehicle& vehicle) {
    Player().vehicle = vehicle.handle;
    Player().SetPosition(vehicle.position);
}

void Session::LeaveVehicle() {
    Player().vehicle = 0;
}

void Session::DriveTo(float x, float y, float z) {
    if (testhost::Vehicle* vehicle = world.FindVehicle(Player().vehicle)) vehicle->position = {x, y, z};
    Player().SetPosition({x, y, z});
}

testhost::Character* Session::Salesman() {
    return world.created.empty() ? nullptr : world.FindCharacter(world.created.back().handle);
}

} // namespace session
