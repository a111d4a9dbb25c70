#include "picture.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace dealers_check {
namespace {

// A big-endian number of size bytes at at; the caller has checked that the bytes are there.
std::uint32_t BigEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string SizeText(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Chunks of length, type, data and check value, from the header IHDR to the end chunk IEND.
bool ReadPng(std::string_view bytes, Picture& picture, std::string& reason) {
    constexpr std::uint32_t kLongest = 0x7FFFFFFF; // of a side
    bool data = false;
    for (std::size_t at = 8;; at += 12 + BigEndian(bytes, at, 4)) {
        if (bytes.size() - at < 12) {
            reason = "it ends before its end chunk (IEND)";
            return false;
        }
        const std::uint32_t length = BigEndian(bytes, at, 4);
        const std::string_view type = bytes.substr(at + 4, 4);
        if (bytes.size() - at - 12 < length) {
            reason = "it ends within a chunk";
            return false;
        }
        if (at == 8) {
            if (type != "IHDR" || length != 13) {
                reason = "its first chunk is not its header (IHDR)";
                return false;
            }
            picture.width = BigEndian(bytes, at + 8, 4), picture.height = BigEndian(bytes, at + 12, 4);
            if (picture.width - 1 >= kLongest || picture.height - 1 >= kLongest) { // 0 wraps round
                reason = "its header gives " + SizeText(picture.width, picture.height);
                return false;
            }
        }
        data = data || type == "IDAT";
        if (type == "IEND") {
            if (!data) reason = "it holds no image data (IDAT)";
            return data;
        }
    }
}

// Marker segments up to the first scan, which needs a frame header (SOF) before it.
bool ReadJpeg(std::string_view bytes, Picture& picture, std::string& reason) {
    bool frame = false;
    for (std::size_t at = 2;;) {
        if (at < bytes.size() && static_cast<unsigned char>(bytes[at]) != 0xFF) {
            reason = "a segment does not start with a marker";
            return false;
        }
        while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) ++at; // fill bytes
        if (bytes.size() - at < 3) {
            reason = "it ends before its first scan";
            return false;
        }
        const unsigned marker = static_cast<unsigned char>(bytes[at++]);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue; // no length follows
        const std::uint32_t length = BigEndian(bytes, at, 2);
        // Below C0 no marker but TEM (01) is defined, and decoders refuse them.
        if (marker < 0xC0 || marker == 0xD8 || marker == 0xD9 || length < 2) {
            reason = "it holds a marker or a length no JPEG file has there";
            return false;
        }
        if (bytes.size() - at < length) {
            reason = "it ends within a segment";
            return false;
        }
        // Frame headers are C0 to CF but for the tables C4 and CC and the reserved C8.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            picture.height = length >= 8 ? BigEndian(bytes, at + 3, 2) : 0;
            picture.width = length >= 8 ? BigEndian(bytes, at + 5, 2) : 0;
            if (picture.width == 0 || picture.height == 0) {
                reason = "its frame header gives " + SizeText(picture.width, picture.height);
                return false;
            }
            frame = true;
        }
        if (marker == 0xDA) {
            if (!frame) reason = "its first scan comes before its frame header";
            return frame;
        }
        at += length;
    }
}

} // namespace

bool ReadPictureSize(std::string_view bytes, Picture& picture, std::string& reason) {
    if (bytes.starts_with("\x89PNG\r\n\x1A\n")) {
        picture.type = "png";
        if (ReadPng(bytes, picture, reason)) return true;
        reason = "is a broken PNG file: " + reason;
        return false;
    }
    if (bytes.starts_with("\xFF\xD8\xFF")) {
        picture.type = "jpeg";
        if (ReadJpeg(bytes, picture, reason)) return true;
        reason = "is a broken JPEG file: " + reason;
        return false;
    }
    reason = "is neither a PNG nor a JPEG file (its first bytes tell, whatever its name)";
    return false;
}

bool ReadPicture(const std::string& path, Picture& picture, std::string& error) {
    picture.path = path;
    const std::string cannot = "cannot read the picture " + path + ": ";
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        error = cannot + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = cannot + "not a file";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = cannot + std::strerror(errno);
        return false;
    }
    char chunk[1 << 16];
    for (std::size_t got;
         picture.bytes.size() <= kLargestPicture && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        picture.bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    const int reason = errno;
    std::fclose(file);
    if (failed) {
        error = cannot + std::strerror(reason);
        return false;
    }
    if (picture.bytes.size() > kLargestPicture) {
        error = "the picture " + path + " is larger than " + std::to_string(kLargestPicture >> 20) +
                " MiB, too large to embed in a map";
        return false;
    }
    std::string why;
    if (ReadPictureSize(picture.bytes, picture, why)) return true;
    error = "the picture " + path + " " + why;
    return false;
}

bool ReadBounds(std::string_view text, Picture& picture, std::string& error) {
    const auto fail = [&](const std::string& why) {
        error =
            "--bounds \"" + std::string(text) + "\": " + why +
            "; write X0,Y0,X1,Y1, two opposite corners of the picture in world units, with a decimal point";
        return false;
    };
    double corners[4] = {};
    std::size_t count = 0;
    for (std::size_t begin = 0, end; begin <= text.size(); begin = end + 1) {
        end = std::min(text.find(',', begin), text.size());
        std::string_view field = text.substr(begin, end - begin);
        while (field.starts_with(' ')) field.remove_prefix(1);
        while (field.ends_with(' ')) field.remove_suffix(1);
        // strtod, as the C locale reads it (the checker keeps that one): from_chars would add a
        // tenth to the Windows program.
        const std::string number(field);
        char* read = nullptr;
        const double value = std::strtod(number.c_str(), &read);
        if (number.empty() || read != number.c_str() + number.size() || !std::isfinite(value))
            return fail("\"" + number + "\" is not a finite number");
        if (count < 4) corners[count] = value;
        ++count;
    }
    if (count != 4)
        return fail(std::to_string(count) + " numbers, not 4" +
                    (count > 4 && count <= 8 ? " (a decimal comma? a comma separates the numbers)" : ""));
    picture.left = std::min(corners[0], corners[2]), picture.right = std::max(corners[0], corners[2]);
    picture.bottom = std::min(corners[1], corners[3]), picture.top = std::max(corners[1], corners[3]);
    const double width = picture.right - picture.left, height = picture.top - picture.bottom;
    if (width == 0 || height == 0)
        return fail(std::string("the corners span no area: ") + (width == 0 ? "X0 and X1" : "Y0 and Y1") +
                    " are the same");
    if (!std::isfinite(width) || !std::isfinite(height)) return fail("the corners lie too far apart to draw");
    return true;
}

std::string PictureText(const Picture& picture) {
    const double across = (picture.right - picture.left) / picture.width,
                 down = (picture.top - picture.bottom) / picture.height; // world units a pixel
    char stretch[96] = "";
    if (std::max(across, down) > std::min(across, down) * 1.01)
        std::snprintf(stretch, sizeof stretch,
                      "  note: the picture is stretched: a pixel spans %.4g by %.4g world units\n", across,
                      down);
    return "  over the picture " + picture.path + ": " + (picture.type[0] == 'p' ? "PNG, " : "JPEG, ") +
           SizeText(picture.width, picture.height) + ", its corners at x " + ExactText(picture.left) +
           ", y " + ExactText(picture.bottom) + " and x " + ExactText(picture.right) + ", y " +
           ExactText(picture.top) + "\n" + stretch;
}

std::string ExactText(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string Base64(std::string_view bytes) {
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t group = BigEndian(bytes, i, left < 3 ? left : 3)
                                    << (left < 3 ? 24 - 8 * left : 0);
        for (int k = 0; k < 4; ++k)
            text += k <= static_cast<int>(left) ? kDigits[group >> (18 - 6 * k) & 63] : '=';
    }
    return text;
}

} // namespace dealers_check
