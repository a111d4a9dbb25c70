// The text-mode translation and line cutting shared by both dealer data files.
#include "dealer/stream_readers.h"
#include "dealer/text_file.h"
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

Lines LinesOf(std::string bytes) {
    ApplyTextMode(bytes);
    Lines lines;
    ForEachLine(bytes, [&](std::size_t number, std::string_view line) {
        EXPECT_EQ(number, lines.size() + 1);
        lines.emplace_back(line);
    });
    return lines;
}

// Windows text mode drops only a carriage return directly before a line feed and ends the text at
// Ctrl-Z; every line feed ends a line, and a last line needs none.
TEST(TextFile, LinesAsWindowsTextModeReadsThem) {
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"\n", {""}},
        {"a", {"a"}},
        {"a\n\n", {"a", ""}},
        {"a\r\nb\r\nc", {"a", "b", "c"}},
        {"a\rb\n", {"a\rb"}},
        {"a\r\r\nb\r", {"a\r", "b\r"}},
        {"\r\r\r\n\n\r", {"\r\r", "", "\r"}},
        {"a\r\x1A\nb", {"a\r"}},
        {"a\r\n\x1A\r\n", {"a"}},
        {"\x1A", {}},
        {"a\0b\n"s, {"a\0b"s}},
    };
    for (const auto& [bytes, lines] : cases)
        EXPECT_EQ(LinesOf(bytes), lines) << testing::PrintToString(bytes);
}

TEST(TextFile, ReadsEveryByteOfFilesAndStreams) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 7 % 256)); // many chunks
    EXPECT_EQ(ReadFileBytes(dir.Write("big", bytes)), bytes);
    EXPECT_EQ(ReadFileBytes(dir.Write("empty", "")), "");
    EXPECT_EQ(ReadFileBytes(dir.Path("missing")), "");
    EXPECT_EQ(ReadFileBytes(dir.path().string()), "");
    EXPECT_FALSE(ReadFileBytes("/proc/self/cmdline").empty()); // tells no size: read to its end all the same
    std::istringstream in(bytes);
    EXPECT_EQ(ReadAllBytes(in), bytes);
}

} // namespace
