// The picture a map maker hands in for --background: PNG or JPEG by its bytes, its size from its
// header, a cut or broken file refused; and --bounds as typed.
#include "picture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

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

// Fill bytes and a restart marker before the frame header, tables (C4) after it, then the scan.
std::string Jpeg(std::uint32_t width, std::uint32_t height, unsigned char frame = 0xC0) {
    return "\xFF\xD8\xFF\xFF"s + Segment(0xE0, "JFIF") + "\xFF\xD0" +
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
    EXPECT_EQ(Read(Png(0x7FFFFFFF, 1)), "png 2147483647 x 1");
    EXPECT_EQ(Read(Jpeg(1024, 768)), "jpeg 1024 x 768");
    EXPECT_EQ(Read(Jpeg(65535, 1, 0xC2)), "jpeg 65535 x 1"); // progressive
    EXPECT_EQ(Read(Jpeg(3, 2, 0xCF)), "jpeg 3 x 2");
    const std::string refused = "is neither a PNG nor a JPEG file (its first bytes tell, whatever its name)";
    for (const std::string& bytes : {""s, "GIF89a"s, "\x89PNG\r\n\x1A"s, "\xFF\xD8"s, "<svg/>"s})
        EXPECT_EQ(Read(bytes), refused);
}

TEST(Picture, EveryCutFileIsRefused) {
    const std::string png = Png(640, 480), jpeg = Jpeg(1024, 768);
    for (std::size_t size = 8; size < png.size(); ++size)
        EXPECT_NE(Read(png.substr(0, size)).find("is a broken PNG file: it ends "), std::string::npos)
            << size;
    for (std::size_t size = 3; size < jpeg.find("scan") + 4; ++size)
        EXPECT_NE(Read(jpeg.substr(0, size)).find("is a broken JPEG file: it ends "), std::string::npos)
            << size;
}

TEST(Picture, BrokenHeadersAreRefused) {
    const std::string png = "is a broken PNG file: ", jpeg = "is a broken JPEG file: ";
    const std::string header = "\x89PNG\r\n\x1A\n" + Chunk("IHDR", std::string(13, '\1'));
    const std::string noFrame = "\xFF\xD8" + Segment(0xC4, "tables") + Segment(0xCC, "") + Segment(0xC8, "");
    const struct {
        std::string bytes, reason;
    } files[] = {
        {Png(0, 480), png + "its header gives 0 x 480 pixels"},
        {Png(640, 0x80000000), png + "its header gives 640 x 2147483648 pixels"},
        {Png(640, 480, "IDAT"), png + "its first chunk is not its header (IHDR)"},
        {"\x89PNG\r\n\x1A\n" + Chunk("IHDR", std::string(12, '\1')) + Chunk("IEND", ""),
         png + "its first chunk is not its header (IHDR)"},
        {header + Chunk("IEND", ""), png + "it holds no image data (IDAT)"},
        {header + "\x80\0\0\0IDAT" + std::string(20, '\0'), png + "it ends within a chunk"},
        {header + Chunk("IDAT", "") + "IEND", png + "it ends before its end chunk (IEND)"},
        {Jpeg(0, 768), jpeg + "its frame header gives 0 x 768 pixels"},
        {Jpeg(1024, 0), jpeg + "its frame header gives 1024 x 0 pixels"},
        {"\xFF\xD8" + Segment(0xC0, "\x08\0\1\0") + Segment(0xDA, ""),
         jpeg + "its frame header gives 0 x 0 pixels"},
        {noFrame + Segment(0xDA, "scan"), jpeg + "its first scan comes before its frame header"},
        {"\xFF\xD8" + Segment(0xE0, "JFIF") + "JFIF", jpeg + "a segment does not start with a marker"},
        {"\xFF\xD8\xFF\xD9\xFF\xD9", jpeg + "it holds a marker or a length no JPEG file has there"},
        {"\xFF\xD8\xFF\xD8\xFF\xD8", jpeg + "it holds a marker or a length no JPEG file has there"},
        {"\xFF\xD8\xFF\x00\x00\x10" + std::string(20, '\0'),
         jpeg + "it holds a marker or a length no JPEG file has there"},
        {"\xFF\xD8\xFF\xE0\x00\x01" + std::string(20, '\0'),
         jpeg + "it holds a marker or a length no JPEG file has there"},
        {"\xFF\xD8\xFF\xE0\xFF\xFF" + std::string(20, '\0'), jpeg + "it ends within a segment"},
    };
    for (const auto& [bytes, reason] : files) EXPECT_EQ(Read(bytes), reason);
}

TEST(Picture, BoundsAsTyped) {
    const std::string help =
        "; write X0,Y0,X1,Y1, two opposite corners of the picture in world units, with a decimal point";
    const struct {
        std::string text, read; // the edges left, bottom, right, top, or the error
    } runs[] = {
        {"-1200,-2200,2800,1800", "-1200 -2200 2800 1800"},
        {"2800.5, 1800 ,-1200,-2.2e3", "-1200 -2200 2800.5 1800"}, // any two opposite corners
        {"0,1,1e-300,0", "0 0 1e-300 1"},
        {"-1200,5,-2200,5,2800,5,1800,5", "--bounds \"-1200,5,-2200,5,2800,5,1800,5\": 8 numbers, not 4 (a "
                                          "decimal comma? a comma separates the "
                                          "numbers)" +
                                              help},
        {"1,2,3,4,5",
         "--bounds \"1,2,3,4,5\": 5 numbers, not 4 (a decimal comma? a comma separates the numbers)" + help},
        {"1,2,3", "--bounds \"1,2,3\": 3 numbers, not 4" + help},
        {"1,2,3,4,5,6,7,8,9", "--bounds \"1,2,3,4,5,6,7,8,9\": 9 numbers, not 4" + help},
        {"1,2,3,4,", "--bounds \"1,2,3,4,\": \"\" is not a finite number" + help},
        {"1,2m,3,4", "--bounds \"1,2m,3,4\": \"2m\" is not a finite number" + help},
        {"1,2,inf,4", "--bounds \"1,2,inf,4\": \"inf\" is not a finite number" + help},
        {"0,0,0,5", "--bounds \"0,0,0,5\": the corners span no area: X0 and X1 are the same" + help},
        {"0,5,9,5", "--bounds \"0,5,9,5\": the corners span no area: Y0 and Y1 are the same" + help},
        {"-1e308,0,1e308,1", "--bounds \"-1e308,0,1e308,1\": the corners lie too far apart to draw" + help},
        {"0,-1e308,1,1e308", "--bounds \"0,-1e308,1,1e308\": the corners lie too far apart to draw" + help},
    };
    for (const auto& [text, read] : runs) {
        dealers_check::Picture picture;
        std::string error;
        if (dealers_check::ReadBounds(text, picture, error))
            error = dealers_check::ExactText(picture.left) + " " + dealers_check::ExactText(picture.bottom) +
                    " " + dealers_check::ExactText(picture.right) + " " +
                    dealers_check::ExactText(picture.top);
        EXPECT_EQ(error, read) << text;
    }
}

TEST(Picture, Base64) {
    const std::string bytes[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar", "\xFB\xFF\xFE"};
    const std::string text[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy", "+//+"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(dealers_check::Base64(bytes[i]), text[i]);
}

} // namespace
