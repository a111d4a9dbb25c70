#pragma once
// A picture of the world for the map to be drawn over: a PNG or JPEG file the map maker hands in,
// told apart by its first bytes, its pixel size read from its header, and the world points of
// its corners.
#include <cstdint>
#include <string>
#include <string_view>

namespace dealers_check {

struct Picture {
    std::string path;
    std::string bytes;                               // the whole file, embedded in the map as it is
    const char* type = nullptr;                      // "png" or "jpeg", as in its media type image/...
    std::uint32_t width = 0, height = 0;             // pixels
    double left = 0, bottom = 0, right = 0, top = 0; // world units of its edges, north up
};

// The largest file taken: the map holds the picture whole, a third larger in base64.
inline constexpr std::size_t kLargestPicture = 64 << 20;

// Sets type, width and height from a PNG's header chunk or a JPEG's frame header, after walking
// the file's chunks or segments up to its image data, every length checked against its end.
// False, with reason set, when the bytes are neither or a broken one.
bool ReadPictureSize(std::string_view bytes, Picture& picture, std::string& reason);

// Reads the file at path into picture (path, bytes, type, size); false with error set.
bool ReadPicture(const std::string& path, Picture& picture, std::string& error);

// "X0,Y0,X1,Y1": two opposite corners of the picture in world units, in any order, written with
// a decimal point; sets its edges. False, with error set, unless they are four finite numbers
// that span an area.
bool ReadBounds(std::string_view text, Picture& picture, std::string& error);

// The picture's lines of the report: its kind, size and corners, and a note when the corners
// stretch its pixels (a pixel covers unlike spans of x and y).
std::string PictureText(const Picture& picture);

// The shortest text that reads back as the same double.
std::string ExactText(double value);

// The bytes in base64, padded, on one line.
std::string Base64(std::string_view bytes);

} // namespace dealers_check
