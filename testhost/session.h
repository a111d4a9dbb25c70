#pragma once
// A session of the real plugin in the stand-in game for a test: the test's car_dealers/ files are
// written to a fresh folder that becomes the game's current directory, and the plugin is loaded as
// the game's loader loads it (once per process), in a world of the session's own.
#include "driver.h"

#include <filesystem>
#include <string>

namespace testhost {

class Session : public Driver {
  public:
    explicit Session(const std::string& dealers, const std::string& settings = "");
    ~Session();

  private:
    std::filesystem::path folder_;
};

} // namespace testhost
