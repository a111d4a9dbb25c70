#pragma once
// Will the plugin take this game? The file version of the game's executable, read as the plugin
// reads it, the number its four words make, and the build the plugin takes it for.
#include "output.h"

#include <cstdint>
#include <string>

namespace dealers_check {

struct GameCheck {
    enum class Status : unsigned char {
        Unreadable, // the file cannot be read (reason says why)
        NotPe,      // not a Windows program
        NoVersion,  // no version resource the plugin can read: it stays idle
        Version,    // words hold the file version
    };
    Status status = Status::Unreadable;
    std::string reason;
    std::uint16_t words[4] = {};
};

// Natively the version resource is read straight from the file; on Windows through the plugin's
// own reading (ReadFileVersionWords), once the file is known to be a Windows program.
GameCheck CheckGame(const std::string& path);

// The check as a person reads it; returns the exit status: 0 when the plugin takes the build,
// 1 when it stays idle, 2 when the file cannot be read or is not a Windows program (one line).
int PrintGameCheck(const std::string& path, const GameCheck& check, Output& out, Output& errors);

} // namespace dealers_check
