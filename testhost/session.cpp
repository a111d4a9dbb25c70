#include "session.h"

#include "contact.h"
#include "imports.h"

#include <cstdlib>
#include <fstream>
#include <windows.h>

namespace testhost {

Session::Session(const std::string& dealers, const std::string& settings) {
    static bool loaded = false;
    if (loaded) std::abort(); // one plugin per process, as in the game
    loaded = true;

    folder_ = std::filesystem::temp_directory_path() /
              ("car_dealers_session_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(folder_); // left by a game of the same id that ended without cleaning up
    std::filesystem::create_directories(folder_ / "car_dealers");
    std::ofstream(folder_ / "car_dealers" / "dealers.csv", std::ios::binary) << dealers;
    if (!settings.empty())
        std::ofstream(folder_ / "car_dealers" / "dealers.conf", std::ios::binary) << settings;
    std::filesystem::current_path(folder_);

    world.Activate();
    SetClock(1'800'000'000);
    HMODULE plugin = LoadPlugin();
    if (!plugin) std::abort();
    InterceptPluginImports(plugin);
}

Session::~Session() {
    std::filesystem::current_path(folder_.parent_path());
    std::filesystem::remove_all(folder_);
}

} // namespace testhost
