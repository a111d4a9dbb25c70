// The text-mode translation and line cutting shared by both dealer data files.
#include "dealer/text_file.h"
#include "dealer_reference.h"
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string TextMode(std::string bytes) {
    ApplyTextMode(bytes);
    return bytes;
}

std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    ForEachLine(text, [&](std::size_t number, std::string_view line) {
        EXPECT_EQ(number, lines.size() + 1);
        lines.emplace_back(line);
    });
    return lines;
}

using Lines = std::vector<std::string>;

TEST(TextMode, OnlyACarriageReturnDirectlyBeforeALineFeedGoes) {
    EXPECT_EQ(TextMode("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(TextMode("a\rb"), "a\rb");
    EXPECT_EQ(TextMode("a\r\r\nb"), "a\r\nb");
    EXPECT_EQ(TextMode("a\r"), "a\r");
    EXPECT_EQ(TextMode("\r"), "\r");
    EXPECT_EQ(TextMode("\r\n\r\n"), "\n\n");
    EXPECT_EQ(TextMode("\n\r"), "\n\r");
    EXPECT_EQ(TextMode("\r\r\r\n\n"), "\r\r\n\n");
    EXPECT_EQ(TextMode(""), "");
    EXPECT_EQ(TextMode("plain\n"), "plain\n");
}

TEST(TextMode, CtrlZEndsTheText) {
    EXPECT_EQ(TextMode("a\x1A\nb"), "a");
    EXPECT_EQ(TextMode("a\r\x1A\n"), "a\r");
    EXPECT_EQ(TextMode("\x1A"), "");
    EXPECT_EQ(TextMode("a\r\n\x1A\r\n"), "a\n");
}

TEST(TextMode, AgreesWithTheByteByByteReference) {
    std::mt19937 generator(11);
    const char alphabet[] = {'a', '\r', '\n', '\x1A', ','};
    for (int i = 0; i < 20000; ++i) {
        std::string bytes(generator() % 24, ' ');
        for (char& c : bytes) c = alphabet[generator() % (i % 2 == 0 ? 3 : 5)];
        ASSERT_EQ(TextMode(bytes), reference::TextMode(bytes)) << testing::PrintToString(bytes);
    }
}

TEST(Lines, EveryLineFeedEndsALineAndALastLineNeedsNone) {
    EXPECT_EQ(LinesOf(""), Lines{});
    EXPECT_EQ(LinesOf("\n"), Lines{""});
    EXPECT_EQ(LinesOf("a"), Lines{"a"});
    EXPECT_EQ(LinesOf("a\n"), Lines{"a"});
    EXPECT_EQ(LinesOf("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(LinesOf("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(LinesOf("\n\nb"), (Lines{"", "", "b"}));
    EXPECT_EQ(LinesOf("a\rb\n"), Lines{"a\rb"});
    EXPECT_EQ(LinesOf(std::string_view("a\0b\n", 4)), Lines{std::string("a\0b", 3)});
}

TEST(Lines, AgreeWithGetline) {
    std::mt19937 generator(12);
    for (int i = 0; i < 20000; ++i) {
        std::string bytes(generator() % 16, ' ');
        for (char& c : bytes) c = "ab\n\r"[generator() % 4];
        ASSERT_EQ(LinesOf(TextMode(bytes)), reference::Lines(bytes)) << testing::PrintToString(bytes);
    }
}

TEST(ReadFileBytes, ReadsEveryByteAsItIs) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 7 % 256));
    EXPECT_EQ(ReadFileBytes(dir.Write("big", bytes)), bytes);
    EXPECT_EQ(ReadFileBytes(dir.Write("crlf", "a\r\nb\x1A")), "a\r\nb\x1A");
    EXPECT_EQ(ReadFileBytes(dir.Write("empty", "")), "");
}

TEST(ReadFileBytes, MissingFileOrDirectoryGivesNothing) {
    TempDir dir;
    EXPECT_EQ(ReadFileBytes(dir.Path("missing")), "");
    EXPECT_EQ(ReadFileBytes(dir.path().string()), "");
}

TEST(ReadFileBytes, ReadsToTheRealEndOfAFileWithoutSize) {
    // A file that tells no size (a pipe-like file): read until the end all the same.
    EXPECT_EQ(ReadFileBytes("/proc/self/cmdline").empty(), false);
}

TEST(ReadAllBytes, ReadsTheWholeStream) {
    std::string bytes(200000, 'x');
    bytes[199999] = '\x1A';
    std::istringstream in(bytes);
    EXPECT_EQ(ReadAllBytes(in), bytes);
    std::istringstream empty("");
    EXPECT_EQ(ReadAllBytes(empty), "");
}

} // namespace
