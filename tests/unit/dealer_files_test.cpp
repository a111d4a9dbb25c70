// The dealer data files: their shared text-mode lines, the settings and dealer list readers against the
// reference, and the module that loads them.
#include "dealer/dealer_module.h"
#include "dealer/text_file.h"
#include "dealer_test_files.h"
#include "reader_checks.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <tuple>

namespace {

using namespace std::string_literals;

// Corners of text mode (CR, LF, Ctrl-Z, a last line without LF), then of settings lines and values.
TEST(TextFile, LinesAndBothReadersAgreeWithTheReference) {
    const std::string files[] = {
        "",
        "\r\n",
        "a",
        "a\n\n",
        "a\r\nb\r\nc",
        "a\rb\n",
        "a\r\r\nb\r",
        "\r\r\r\n\n\r",
        "a\r\x1A\nb",
        "a\r\n\x1A\r\n",
        "\x1A",
        "a\0b\n"s,
        "#c\nkey = value\n\nnothing\nk=\nk=v",
        "=v\n ==\n#\r\n",
        "10,20,30,40\n7,8,9,10\n10,20,30,40\n",         // file order; identical lines repeat
        "1,2,3,\r\n1,2,3,\r\r\n1,2,3,4\r5,6\r\n",       // a carriage return outside CR LF stays in the line
        "#comment\rprice_rate_buy=0.9\n",               // so it ends no line either
        "price_rate_buy=0.\r9\n",                       // and vanishes from a value as a blank does: 0.9
        "price rate buy=0.9\n #price_rate_buy=0.9\n",   // blanks inside a key vanish; " #" is no comment
        "price_rate_buy==0.9\nprice_rate_sell=0.9=7\n", // an empty value; the text after a second "=" is lost
        "a=abc\nb=0,7\nc=0.7xyz\nd\t=0.7\ne=\t0.7\nf=-2\n", // a tab stays in a key; atof reads what it can
        "a=0.1\nb=1e300\nc=-1e300\nd=1e-50\ne=0x10\nf=nan\ng=0.7\0009"s, // a NUL ends the value's text
        "price_rate_buy=0.9\nprice_rate_buy=0.7\n",                      // the last one counts
        "\xEF\xBB\xBFprice_rate_buy=0.9\r\n",                            // a UTF-8 mark is no part of the key
        "\xEF\xBB\xBF",
        "\xEF\xBB,1,2,3\n", // half a mark is text
        "1,2,3,4\n\xEF\xBB\xBF"
        "5,6,7,8\n",                          // and so is a mark after the start
        "\xFF\xFE\x31\0,\0\x1A\x1A\r\0\n\0"s, // UTF-16: U+1A1A ends nothing, and CR LF reads as LF
        "\xFE\xFF\0\x31\0\x1A\0\n"s,          // but U+001A ends the text
        "\xFE\xFF\xD8\x3D\0\n\xDC\0\0a\xD8"s, // a lone surrogate, a lone low one, half a unit
        // Units at the edges of the surrogate ranges, alone and after a high one; a high one and half.
        "\xFE\xFF\xD8\0\0a\xDF\xFF\0a\xD7\xFF\xDC\0\xDC\0\xDC\0\xD8\0\xDB\xFF\0a\xD8\0\xE0\0\xD8\0\xDC"s,
    };
    for (const std::string& bytes : files) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        std::string text = bytes;
        DecodeText(text);
        ApplyTextMode(text);
        std::vector<std::string> lines;
        ForEachLine(text, [&](std::size_t number, std::string_view line) {
            EXPECT_EQ(number, lines.size() + 1);
            lines.emplace_back(line);
        });
        EXPECT_EQ(lines, reference::Lines(bytes));
        EXPECT_NO_THROW(reference::CheckConfigReader(bytes));
        EXPECT_NO_THROW(reference::CheckDealerListReader(bytes));
    }
}

std::string FileBytes(const std::string& path) {
    Buffer<char> bytes;
    EXPECT_TRUE(ReadFileBytes(path.c_str(), bytes));
    return std::string(bytes.data(), bytes.size());
}

TEST(TextFile, ReadsEveryByteOfFilesAndStreams) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 7 % 256)); // many chunks
    EXPECT_EQ(FileBytes(dir.Write("big", bytes)), bytes);
    EXPECT_EQ(FileBytes(dir.Write("one", "a")), "a");
    EXPECT_EQ(FileBytes(dir.Write("empty", "")), "");
    EXPECT_EQ(FileBytes(dir.Path("missing")), "");
    EXPECT_EQ(FileBytes(dir.path()), "");
    EXPECT_FALSE(FileBytes("/proc/self/cmdline").empty()); // tells no size: read to its end anyway
    std::istringstream in(bytes);
    EXPECT_EQ(ReadAllBytes(in), bytes);
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// What editors and spreadsheets save: "UTF-8 with BOM" (a spreadsheet's "CSV UTF-8" too), "Unicode"
// (UTF-16 little-endian) and UTF-16 big-endian read as the same text saved in single bytes, a name
// beyond ASCII as its UTF-8 bytes.
TEST(TextFile, MarkedAndUtf16FilesReadAsTheirText) {
    const std::u16string list = u"-412.5,1180,14.8,25,Caf\u00e9 du port \U0001F697\r\n1290,-640.25,21,30\r\n";
    const std::string text = "-412.5,1180,14.8,25,Caf\xC3\xA9 du port \xF0\x9F\x9A\x97\n1290,-640.25,21,30\n";
    const std::pair<TextEncoding, std::string> files[] = {
        {TextEncoding::Utf8Bom, "\xEF\xBB\xBF-412.5,1180,14.8,25,Caf\xC3\xA9 du port \xF0\x9F\x9A\x97\r\n"
                                "1290,-640.25,21,30\r\n"},
        {TextEncoding::Utf16Le, Utf16(list, false)},
        {TextEncoding::Utf16Be, Utf16(list, true)},
    };
    for (const auto& [encoding, bytes] : files) {
        SCOPED_TRACE(static_cast<int>(encoding));
        std::string decoded = bytes;
        EXPECT_EQ(DecodeText(decoded), encoding);
        ApplyTextMode(decoded);
        EXPECT_EQ(decoded, text);
        Buffer<DealerRecord> dealers;
        ASSERT_TRUE(ReadDealerList(bytes, dealers));
        ASSERT_EQ(dealers.size(), 2u);
        EXPECT_EQ(std::tuple(dealers[0].x, dealers[0].y, dealers[0].radius),
                  std::tuple(-412.5f, 1180.0f, 25));
        EXPECT_EQ(std::tuple(dealers[1].x, dealers[1].y, dealers[1].radius),
                  std::tuple(1290.0f, -640.25f, 30));
        ConfigFile settings("unused");
        const std::u16string rates = u"price_rate_buy=0.9\r\nprice_rate_sell=0.4\r\n";
        ASSERT_TRUE(settings.Load(encoding == TextEncoding::Utf8Bom
                                      ? "\xEF\xBB\xBFprice_rate_buy=0.9\r\nprice_rate_sell=0.4\r\n"
                                      : Utf16(rates, encoding == TextEncoding::Utf16Be)));
        EXPECT_EQ(std::pair(settings.GetFloat("price_rate_buy", 0), settings.GetFloat("price_rate_sell", 0)),
                  std::pair(0.9f, 0.4f));
    }
    // The edges of each UTF-8 length, surrogate pairs at theirs and at the file's end, lone halves.
    std::string edges = Utf16(u"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF", false) +
                        "\xFF\xDB\xFF\xDF\x00\xDC\xFF\xDB\xFF\xDF\xFF\xDB\x00\xDC"s;
    EXPECT_EQ(DecodeText(edges), TextEncoding::Utf16Le);
    EXPECT_EQ(edges, "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80"
                     "\xF4\x8F\xBF\xBF\xF4\x8F\xBF\xBF\xEF\xBF\xBD\xF4\x8F\xBF\xBF\xF4\x8F\xB0\x80");
    std::string plain = "x\xFF\xFE";
    EXPECT_EQ(DecodeText(plain), TextEncoding::Bytes);
    EXPECT_EQ(plain, "x\xFF\xFE");
}

// Ties to even; the largest float ends half an ulp above FLT_MAX.
TEST(Settings, NarrowsToTheNearestFloat) {
    EXPECT_EQ(NarrowToFloat(1.0 + 0x1p-24), 1.0f);
    EXPECT_EQ(NarrowToFloat(1.0 + 0x1p-23 + 0x1p-24), 1.0f + 0x1p-22f);
    EXPECT_EQ(NarrowToFloat(0x1.fffffefp127), FLT_MAX);
    EXPECT_EQ(NarrowToFloat(0x1.ffffffp127), INFINITY);
    EXPECT_EQ(NarrowToFloat(-0x1.ffffffp127), -INFINITY);
}

// Against the reference, with the outcome's text and stof / stoi's message.
TEST(DealerList, EachLineBetweenTwoGoodOnes) {
    const std::tuple<std::string_view, const char*, const char*> lines[] = {
        {"100.5,-20,15.25,30", "accepted", ""},
        {" 100.5, -20 ,15.25,30", "accepted", ""}, // leading white space, and text after a number
        {"100.5,-20,15.25,30,Downtown lot", "accepted", ""},
        {"100.5,-20,15.25,30.9", "accepted", ""}, // the radius stops at the point
        {"100.5,-20,15.25", "too few fields", ""},
        {"100.5,-20,15.25,", "too few fields", ""}, // nothing after the last comma: no field
        {"", "too few fields", ""},
        {"100.5,,15.25,30", "not a number", "invalid stof argument"},
        {"x,y,z,radius", "not a number", "invalid stof argument"},
        {"1e40,0,0,10", "out of range", "stof argument out of range"},
        {"0,0,1e-50,10", "out of range", "stof argument out of range"}, // underflow, as glibc
        {"0,0,0,2147483648", "out of range", "stoi argument out of range"},
        {"0,0,0,-2147483649", "out of range", "stoi argument out of range"},
        {"0,0,0,-2147483648", "accepted", ""},
        {"0,0,0,2147483647", "accepted", ""},
        {"0,0,0,0x10", "accepted", ""}, // radius 0
        {"0x1p4,0x.8,-0X1P-1,1", "accepted", ""},
        {"1,2,3,,", "not a number", "invalid stoi argument"},
        {"1,2,3, ", "not a number", "invalid stoi argument"}, // a blank radius must not read the next line
        {"1,x,1e40,99999999999", "not a number", "invalid stof argument"}, // the first failing field decides
    };
    for (const auto& [line, status, message] : lines) {
        SCOPED_TRACE(line);
        errno = ERANGE; // a stale errno fails no conversion
        const auto report = reference::CheckDealerListReader("1,2,3,4\n" + std::string(line) + "\n5,6,7,8");
        EXPECT_STREQ(DealerLineStatusText(report[1].line.status), status);
        EXPECT_STREQ(DealerLineConversionMessage(report[1].line), message);
    }
    EXPECT_STREQ(ConfigLineStatusText(ConfigLineStatus::Comment), "comment");
    EXPECT_STREQ(ConfigLineStatusText(ConfigLineStatus::Entry), "entry");
    EXPECT_STREQ(ConfigLineStatusText(ConfigLineStatus::TooFewPieces), "too few pieces");
}

// In text mode (a Ctrl-Z ends each); without them, no dealers, default rates. Durations are not settings.
TEST(DealerModule, ReadsBothFilesUnderTheCurrentDirectory) {
    TempDir dir;
    dir.Write("car_dealers/dealers.conf",
              "bargain_interval=10\r\ncooldown_duration=1\r\nhold_duration=0\r\n"
              "price_rate_sell=0.4\r\nprice_rate_buy=2\r\n\x1A\nprice_rate_buy=3");
    dir.Write("car_dealers/dealers.csv", "x,y,z,radius\r\n100.5,-20,15.25,30\r\n-1,-2,-3,4\x1A\r\n5,6,7,8");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const DealerModule module;
    std::filesystem::current_path(saved);
    EXPECT_EQ(std::pair(module.price_rate_sell, module.price_rate_buy), std::pair(0.4f, 2.0f));
    ASSERT_EQ(module.dealers.size(), 2u);
    EXPECT_EQ(module.dealers[1].radius, 4);
    EXPECT_EQ(std::tuple(module.bargain_interval, module.cooldown_duration, module.hold_duration),
              std::tuple(3, 5, 7));
    const std::string list = dir.Path("none.csv"), settings = dir.Path("none.conf");
    const DealerModule none(list.c_str(), settings.c_str());
    EXPECT_TRUE(none.dealers.empty());
    EXPECT_EQ(std::pair(none.price_rate_sell, none.price_rate_buy), std::pair(0.5f, 0.8f));
}

} // namespace
