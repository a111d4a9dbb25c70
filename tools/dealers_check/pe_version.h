#pragma once
// The file version of a Windows executable read straight from its bytes: the fixed file
// information of its version resource, as the system's version functions hand it to the plugin.
#include <cstdint>
#include <string_view>

namespace dealers_check {

enum class PeVersion : unsigned char {
    NotPe,     // no DOS and PE headers: not a Windows program at all
    NoVersion, // a Windows program without a version resource the system can read
    Found,
};

// Reads the four file version words (dwFileVersionMS high and low, dwFileVersionLS high and low)
// of the image's version resource. Every offset in the file is checked before it is used.
PeVersion ReadPeFileVersion(std::string_view image, std::uint16_t (&words)[4]);

} // namespace dealers_check
