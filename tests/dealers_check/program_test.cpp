// The dealers-check program's output and exit status on the samples, on tests/data/broken_car_dealers and on
// what cannot be read.
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// Runs dealers-check with the arguments (already quoted for the shell) in the folder: its exit status, and
// what it prints to stdout and stderr, after a line feed.
int DealersCheck(const std::string& arguments, const std::string& folder, std::string& printed) {
    const std::string command = "cd '" + folder + "' && '" DEALERS_CHECK "' " + arguments + " 2>&1";
    std::FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return -1;
    for (int c; (c = std::fgetc(out)) != EOF;) printed += static_cast<char>(c);
    const int wait = pclose(out);
    return WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
}

const std::string kSource = SOURCE_DIR;

// Each run's exit status and some lines it prints; status 2 when the folder cannot be read, memory runs out
// (a line, not an abort), the report or the map cannot be written (the error after the report) or the command
// line is wrong. The report stays short whatever the folder holds.
TEST(DealersCheck, StatusAndLinesOfEachRun) {
    TempDir dir, empty, large, huge;
    huge.Write("car_dealers/dealers.csv", std::string(64 << 20, '\n')); // more than the memory it has below
    std::filesystem::create_directories(dir.Path("car_dealers/dealers.conf"));
    std::filesystem::create_directories(dir.Path("loop"));
    std::filesystem::create_symlink("dealers.conf", dir.Path("loop/dealers.conf"));
    dir.Write("plain", "1,2,3,4\n");
    std::string list;
    for (int i = 0; i < 3000; ++i)
        list += "0,0,0,10,a name far too long to show whole, with more and more words after it\n";
    for (int i = 0; i < 3000; ++i) list += "x\n";
    for (int i = 0; i < 3000; ++i) list += std::to_string(100 + 15 * i) + ",0,0,10\n"; // each meets the next
    large.Write("car_dealers/dealers.csv", list);
    const struct {
        std::string arguments, folder;
        int status;
        std::vector<std::string> lines;
    } runs[] = {
        // clang-format off
        {"", kSource + "/data", 0, {"car_dealers/dealers.csv: 4 dealers",
                                    "  price_rate_sell = 0.5  (line 10)",
                                    "  price_rate_buy = 0.8  (line 12)",
                                    "  line 1: x -412.5, y 1180, z 14.8, radius 25 (Harbour lot)",
                                    "ok: the plugin uses every line as it stands"}},
        {"broken_car_dealers", kSource + "/tests/data", 1, {
             "  price_rate_sell = 0  (line 9)",
             "  price_rate_buy = 0.9  (line 10)",
             "  line 3: ignored: nothing reads the key \"priceratebuy\" (did you mean price_rate_buy?)",
             "  line 4: ignored: nothing reads the key \"#price_rate_buy\" (a comment needs \"#\" as the line's very first character)",
             "  line 5: ignored: nothing reads the key \"price_rate_sell\\t\" (a tab stays in the key; did you mean price_rate_sell?)",
             "  line 6: skipped: nothing after \"=\" in \"price_rate_buy=\"",
             "  line 7: skipped: no \"=\" in \"price_rate_buy 0.9\"",
             "  line 8: ignored: price_rate_sell is set again on line 9, which wins",
             "  line 9: ignored: price_rate_sell reads as 0: \",7\" after the number is not read (write a decimal point, not a comma)",
             "  line 9: warning: price_rate_sell is 0: every price becomes $ -1",
             "  line 10: ignored: \"=7\" after the value is not read",
             "broken_car_dealers/dealers.csv: 7 dealers",
             "  line 1: skipped: field 1 (x) \"x\" is not a number; the list has no header line",
             "  line 4: x 100.5, y -20, z 15.25, radius 30 (Downtown lot)",
             "  line 5: ignored: field 4 (radius) \"30.9\" reads as 30: \".9\" is not read (a radius is a whole number)",
             "  line 5: warning: this dealer is never chosen: its zone lies within the zone of line 2, which comes first",
             "  line 6: skipped: too few fields: 3 of the 4 needed (x, y, z, radius)",
             "  line 7: skipped: too few fields: 3 of the 4 needed (x, y, z, radius); the empty text after the last comma is no field",
             "  line 8: skipped: field 2 (y) \"\" is not a number",
             "  line 9: skipped: field 1 (x) \"1e40\" is out of range",
             "  line 10: skipped: field 4 (radius) \"99999999999\" is out of range",
             "  line 11: ignored: field 1 (x) \"12.5m\" reads as 12.5: \"m\" is not read",
             "  line 12: warning: radius -5 is negative: the zone never holds the player",
             "  line 13: skipped: too few fields: 1 of the 4 needed (x, y, z, radius); the list has no comments, every line is a place",
             "  lines 2 and 14: centres 19.5 apart, radii 30 and 15",
             "problems: 9 skipped, 8 ignored, 5 warnings"}},
        {"-- .", empty.path(), 1, {"./dealers.conf: not found, the rates keep their defaults",
                                            "  price_rate_buy = 0.8  (default)", "./dealers.csv: not found",
                                            "  warning: no dealer will ever react"}},
        {"", large.path(), 1, {"car_dealers/dealers.csv: 6000 dealers",
                                        "  line 1: x 0, y 0, z 0, radius 10 (a name far too long to show whole, with ...)",
                                        "  ... and 5800 more dealers (--map draws them all), not listed",
                                        "  ... and 5799 more findings, not listed",
                                        "  2999 pairs of zones that can be chosen share ground",
                                        "  lines 6001 and 6002: centres 15 apart, radii 10 and 10",
                                        "  ... and 2979 more pairs, not listed",
                                        "  2999 zones never chosen: each lies wholly within a zone listed before it (warnings above)",
                                        "problems: 3000 skipped, 0 ignored, 2999 warnings"}},
        {"car_dealers/", kSource + "/data", 0, {"car_dealers/dealers.conf", "car_dealers/dealers.csv: 4 dealers"}},
        {"", empty.path(), 2, {"dealers-check: there is no folder car_dealers"}},
        {"", "' && ulimit -v 60000 && cd '" + huge.path(), 2, {"dealers-check: out of memory: the files are too large to check on this machine"}},
        {"car_dealers", dir.path(), 2, {"dealers-check: cannot read car_dealers/dealers.conf: not a file"}},
        {"loop", dir.path(), 2, {"dealers-check: cannot read loop/dealers.conf: Too many levels of symbolic links"}},
        {"plain", dir.path(), 2, {"dealers-check: plain is not a folder"}},
        {"car_dealers --map " + dir.Path("none/map.svg"), kSource + "/data", 2, {
             "ok: the plugin uses every line as it stands\ndealers-check: cannot write the map " + dir.Path("none/map.svg")}},
        {". --map /dev/full", empty.path(), 2, {"dealers-check: cannot write the map /dev/full"}}, // fails at the close
        {"car_dealers >/dev/full", kSource + "/data", 2, {}},
        {"--frobnicate", ".", 2, {}},
        {"--map", ".", 2, {}},
        {"one two", ".", 2, {}},
        {"--help", ".", 0, {"usage: dealers-check [FOLDER] [--map FILE.svg] [--game PATH]",
                            "  2  the folder, one of its files or the game cannot be read, the game is not a Windows program,"}},
        // clang-format on
    };
    for (const auto& [arguments, folder, status, lines] : runs) {
        std::string printed = "\n";
        EXPECT_EQ(DealersCheck(arguments, folder, printed), status) << arguments;
        EXPECT_LT(std::ranges::count(printed, '\n'), 700) << arguments;
        for (const std::string& line : lines)
            EXPECT_NE(printed.find("\n" + line + "\n"), std::string::npos) << arguments << ": " << line;
    }
}

} // namespace
