// The picture a map maker hands in for --background: PNG or JPEG by its bytes, its size from its
// header, a cut or broken file refused; --bounds as typed; the report's lines. The map test checks
// the picture's base64 against another encoder.
#include "picture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;
constexpr auto npos = std::string::npos;

std::string BigEndian(std::uint32_t value, int size) {
    std::string bytes;
    while (size-- > 0) bytes += static_cast<char>(value >> 8 * size);
    return bytes;
}

// A chunk with a check value nothing reads.
std::string Chunk(const std::string& type, const std::string& data) {
    return BigEndian(static_cast<std::uint32_t>(data.size()), 4) + type + data + "CRC.";
}

std::string Png(std::uint32_t width, std::uint32_t height, const std::string& first = "IHDR") {
    return "\x89PNG\r\n\x1A\n" +
           Chunk(first, BigEndian(width, 4) + BigEndian(height, 4) + "\x08\x02\0\0\0"s) + Chunk("tEXt", "a") +
           Chunk("IDAT", "pixels") + Chunk("IEND", "");
}

std::string Segment(unsigned char marker, const std::string& data) {
    return "\xFF"s + static_cast<char>(marker) + BigEndian(static_cast<std::uint32_t>(data.size() + 2), 2) +
           data;
}

// Fill bytes and markers without a length before the frame header, tables (C4) after it, then the scan.
std::string Jpeg(std::uint32_t width, std::uint32_t height, unsigned char frame = 0xC0) {
    return "\xFF\xD8\xFF\xFF"s + Segment(0xE0, "JFIF") + "\xFF\xD0\xFF\xD7\xFF\x01" +
           Segment(frame, "\x08" + BigEndian(height, 2) + BigEndian(width, 2) + "\x01\x01\x11\x00"s) +
           Segment(0xC4, "tables") + Segment(0xDA, "scan") + "data\xFF\xD9";
}

// "png 640 x 480", or why the bytes are refused.
std::string Read(const std::string& bytes) {
    dealers_check::Picture picture;
    std::string reason;
    if (!dealers_check::ReadPictureSize(bytes, picture, reason)) return reason;
    return picture.type + " "s + std::to_string(picture.width) + " x " + std::to_string(picture.height);
}

TEST(Picture, KindAndSizeFromTheBytes) {
    EXPECT_EQ(Read(Png(640, 480)), "png 640 x 480");
    EXPECT_EQ(Read(Png(0x7FFFFFFF, 0x7FFFFFFF)), "png 2147483647 x 2147483647");
    EXPECT_EQ(Read(Jpeg(1024, 768)), "jpeg 1024 x 768");
    EXPECT_EQ(Read(Jpeg(65535, 1, 0xC2)), "jpeg 65535 x 1"); // progressive
    EXPECT_EQ(Read(Jpeg(3, 2, 0xCF)), "jpeg 3 x 2");
    EXPECT_EQ(Read("\xFF\xD8" + Segment(0xC1, "\x08\0\2\0\3\1"s) + Segment(0xDA, "")),
              "jpeg 3 x 2"); // the least
    const std::string refused = "is neither a PNG nor a JPEG file (its first bytes tell, whatever its name)";
    for (const std::string& bytes : {""s, "GIF89a"s, "\x89PNG\r\n\x1A"s, "\xFF\xD8"s, "<svg/>"s})
        EXPECT_EQ(Read(bytes), refused);
}

TEST(Picture, EveryCutFileIsRefused) {
    const std::string png = Png(640, 480), jpeg = Jpeg(1024, 768);
    for (std::size_t n = 8; n < png.size(); ++n)
        EXPECT_NE(Read(png.substr(0, n)).find("PNG file: it ends "), npos) << n;
    for (std::size_t n = 3; n < jpeg.find("scan") + 4; ++n)
        EXPECT_NE(Read(jpeg.substr(0, n)).find("JPEG file: it ends "), npos) << n;
}

TEST(Picture, BrokenHeadersAreRefused) {
    const std::string png = "is a broken PNG file: ", jpeg = "is a broken JPEG file: ";
    const std::string header = "\x89PNG\r\n\x1A\n" + Chunk("IHDR", std::string(13, '\1')),
                      bad = "\xFF\xD8\xFF";
    const std::string noFrame = "\xFF\xD8" + Segment(0xC4, "tables") + Segment(0xCC, "") + Segment(0xC8, "");
    const std::string marker = jpeg + "it holds a marker or a length no JPEG file has there";
    const struct {
        std::string bytes, reason;
    } files[] = {
        {Png(0, 1), png + "its header gives 0 x 1 pixels"},
        {Png(0x80000000, 1), png + "its header gives 2147483648 x 1 pixels"},
        {Png(1, 0), png + "its header gives 1 x 0 pixels"},
        {Png(1, 0x80000000), png + "its header gives 1 x 2147483648 pixels"},
        {Png(640, 480, "IDAT"), png + "its first chunk is not its header (IHDR)"},
        {header.substr(0, 11) + "\x0C" + header.substr(12, 16) + "CRC.",
         png + "its first chunk is not its header (IHDR)"},
        {header + Chunk("IEND", ""), png + "it holds no image data (IDAT)"},
        {Jpeg(0, 768), jpeg + "its frame header gives 0 x 768 pixels"},
        {Jpeg(1024, 0), jpeg + "its frame header gives 1024 x 0 pixels"},
        {"\xFF\xD8" + Segment(0xC0, "\x08\0\1\0\1"s) + Segment(0xDA, ""),
         jpeg + "its frame header gives 0 x 0 pixels"},
        {noFrame + Segment(0xDA, "scan"), jpeg + "its first scan comes before its frame header"},
        {"\xFF\xD8" + Segment(0xE0, "JFIF") + "JFIF", jpeg + "a segment does not start with a marker"},
        {bad + "\xD9\xFF\xD9", marker},
        {bad + "\xD8\xFF\xD8", marker},
        {bad + "\0\0\x10"s + std::string(20, '\0'), marker},
        {bad + "\xBF\0\x10"s + std::string(20, '\0'), marker},
        {bad + "\xE0\0\x01"s + std::string(20, '\0'), marker},
    };
    for (const auto& [bytes, reason] : files) EXPECT_EQ(Read(bytes), reason);
}

TEST(Picture, BoundsAsTyped) {
    const std::string help =
        "; write X0,Y0,X1,Y1, two opposite corners of the picture in world units, with a decimal point";
    const std::string comma = " (a decimal comma? a comma separates the numbers)";
    const struct {
        std::string text, read; // the edges left, bottom, right, top, or what is wrong
    } runs[] = {
        {"-1200,-2200,2800,1800", "-1200 -2200 2800 1800"},
        {"2800.5, 1800 ,-1200,-2.2e3", "-1200 -2200 2800.5 1800"}, // any two opposite corners
        {"0,1,1e-300,0", "0 0 1e-300 1"},
        {"-1200,5,-2200,5,2800,5,1800,5", "8 numbers, not 4" + comma},
        {"1,2,3,4,5", "5 numbers, not 4" + comma},
        {"1,2,3", "3 numbers, not 4"},
        {"1,2,3,4,", "\"\" is not a finite number"},
        {"1,2m,3,4", "\"2m\" is not a finite number"},
        {"1,2,inf,4", "\"inf\" is not a finite number"},
        {"0,0,0,5", "the corners span no area: X0 and X1 are the same"},
        {"0,5,9,5", "the corners span no area: Y0 and Y1 are the same"},
        {"-1e308,0,1e308,1", "the corners lie too far apart to draw"},
        {"0,-1e308,1,1e308", "the corners lie too far apart to draw"},
    };
    for (const auto& [text, read] : runs) {
        dealers_check::Picture picture;
        std::string got;
        if (dealers_check::ReadBounds(text, picture, got))
            for (const double edge : {picture.left, picture.bottom, picture.right, picture.top})
                got += (got.empty() ? "" : " ") + dealers_check::ExactText(edge);
        EXPECT_TRUE(got == read || got == "--bounds \"" + text + "\": " + read + help) << got;
    }
}

// The report's lines; a note when a pixel spans over 1% more of x than of y, or of y than of x.
TEST(Picture, ReportLines) {
    dealers_check::Picture picture{"town.png", "", "png", 400, 200, -1200, -2200, 2800, -200.5};
    const std::string line =
        "  over the picture town.png: PNG, 400 x 200 pixels, its corners at x -1200, y -2200 and x 2800, y ";
    EXPECT_EQ(dealers_check::PictureText(picture), line + "-200.5\n");
    picture.top = -170;
    EXPECT_EQ(dealers_check::PictureText(picture),
              line + "-170\n  note: the picture is stretched: a pixel spans 10 by 10.15 world units\n");
}

} // namespace
