// The dealers-check program: its output and exit status on the shipped samples, on a folder of
// broken lines (tests/data/broken_car_dealers) and on what cannot be read.
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::vector<std::string> lines; // stdout and stderr
};

// Runs dealers-check with the arguments (already quoted for the shell) in the folder.
Outcome DealersCheck(const std::string& arguments, const std::string& folder = ".") {
    const std::string command = "cd '" + folder + "' && '" DEALERS_CHECK "' " + arguments + " 2>&1";
    Outcome run;
    std::FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return run;
    std::string line;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        run.lines.push_back(line);
        line.clear();
    }
    const int wait = pclose(out);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return run;
}

bool Has(const Outcome& run, const std::string& line) {
    return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

bool HasStart(const Outcome& run, const std::string& start) {
    return std::any_of(run.lines.begin(), run.lines.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

const std::string kSource = SOURCE_DIR;

TEST(DealersCheck, ShippedSamplesHaveNoProblem) {
    const Outcome run = DealersCheck("", kSource + "/data"); // ./car_dealers by default
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(HasStart(run, "  price_rate_sell = 0.5  (line "));
    EXPECT_TRUE(HasStart(run, "  price_rate_buy = 0.8  (line "));
    EXPECT_TRUE(Has(run, "car_dealers/dealers.csv: 4 dealers"));
    EXPECT_TRUE(Has(run, "  line 1: x -412.5, y 1180, z 14.8, radius 25 (Harbour lot)"));
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "ok: the plugin uses every line as it stands");
}

TEST(DealersCheck, NamesEveryBrokenLineWithItsReason) {
    const Outcome run = DealersCheck("broken_car_dealers", kSource + "/tests/data");
    EXPECT_EQ(run.status, 1);
    const char* const expected[] = {
        "  price_rate_sell = 0  (line 9)",
        "  price_rate_buy = 0.9  (line 10)",
        "  line 3: ignored: nothing reads the key \"priceratebuy\" (did you mean price_rate_buy?)",
        "  line 4: ignored: nothing reads the key \"#price_rate_buy\" (a comment needs \"#\" as the line's "
        "very "
        "first character)",
        "  line 5: ignored: nothing reads the key \"price_rate_sell\\t\" (a tab stays in the key; did you "
        "mean "
        "price_rate_sell?)",
        "  line 6: skipped: nothing after \"=\" in \"price_rate_buy=\"",
        "  line 7: skipped: no \"=\" in \"price_rate_buy 0.9\"",
        "  line 8: ignored: price_rate_sell is set again on line 9, which wins",
        "  line 9: ignored: price_rate_sell reads as 0: \",7\" after the number is not read (write a decimal "
        "point, not a comma)",
        "  line 9: warning: price_rate_sell is 0: every price becomes $ -1",
        "  line 10: ignored: \"=7\" after the value is not read",
        "broken_car_dealers/dealers.csv: 7 dealers",
        "  line 1: skipped: field 1 (x) \"x\" is not a number; the list has no header line",
        "  line 4: x 100.5, y -20, z 15.25, radius 30 (Downtown lot)",
        "  line 5: ignored: field 4 (radius) \"30.9\" reads as 30: \".9\" is not read (a radius is a whole "
        "number)",
        "  line 5: warning: this dealer is never chosen: its zone lies within the zone of line 2, which "
        "comes first",
        "  line 6: skipped: too few fields: 3 of the 4 needed (x, y, z, radius)",
        "  line 7: skipped: too few fields: 3 of the 4 needed (x, y, z, radius); the empty text after the "
        "last comma "
        "is no field",
        "  line 8: skipped: field 2 (y) \"\" is not a number",
        "  line 9: skipped: field 1 (x) \"1e40\" is out of range",
        "  line 10: skipped: field 4 (radius) \"99999999999\" is out of range",
        "  line 11: ignored: field 1 (x) \"12.5m\" reads as 12.5: \"m\" is not read",
        "  line 12: warning: radius -5 is negative: the zone never holds the player",
        "  line 13: skipped: too few fields: 1 of the 4 needed (x, y, z, radius); the list has no comments, "
        "every "
        "line is a place",
        "  lines 2 and 14: centres 19.5 apart, radii 30 and 15",
        "problems: 9 skipped, 8 ignored, 5 warnings",
    };
    for (const char* line : expected) EXPECT_TRUE(Has(run, line)) << line;
}

// Whatever the list holds, the report stays a few hundred lines and counts what it does not list.
TEST(DealersCheck, OutputStaysBoundedAndCountsTheRest) {
    TempDir dir;
    std::string list;
    for (int i = 0; i < 3000; ++i)
        list += "0,0,0,10,a name far too long to show whole, with more and more words after it\n";
    for (int i = 0; i < 3000; ++i) list += "x\n";
    for (int i = 0; i < 3000; ++i) list += std::to_string(100 + 15 * i) + ",0,0,10\n"; // each meets the next
    dir.Write("car_dealers/dealers.csv", list);
    const Outcome run = DealersCheck("", dir.path().string());
    EXPECT_EQ(run.status, 1);
    EXPECT_LT(run.lines.size(), 700u);
    EXPECT_TRUE(Has(run, "car_dealers/dealers.csv: 6000 dealers"));
    EXPECT_TRUE(Has(run, "  line 1: x 0, y 0, z 0, radius 10 (a name far too long to show whole, with ...)"));
    EXPECT_TRUE(Has(run, "  ... and 5800 more dealers (--map draws them all), not listed"));
    EXPECT_TRUE(Has(run, "  ... and 5799 more findings, not listed"));
    EXPECT_TRUE(Has(run, "  2999 pairs of zones that can be chosen share ground"));
    EXPECT_TRUE(Has(run, "  lines 6001 and 6002: centres 15 apart, radii 10 and 10"));
    EXPECT_TRUE(Has(run, "  ... and 2979 more pairs, not listed"));
    EXPECT_TRUE(Has(
        run, "  2999 zones never chosen: each lies wholly within a zone listed before it (warnings above)"));
    EXPECT_TRUE(Has(run, "problems: 3000 skipped, 0 ignored, 2999 warnings"));
}

// A file too large for the memory there is ends in one line and status 2, not in an abort.
TEST(DealersCheck, RunningOutOfMemoryIsAnError) {
    TempDir dir;
    dir.Write("car_dealers/dealers.csv", std::string(64 << 20, '\n'));
    const Outcome run = DealersCheck("", "' && ulimit -v 60000 && cd '" + dir.path().string());
    EXPECT_EQ(run.status, 2);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0], "dealers-check: out of memory: the files are too large to check on this machine");
}

TEST(DealersCheck, ExitStatusTwoWhenTheFolderCannotBeRead) {
    TempDir dir;
    Outcome run = DealersCheck("", dir.path().string()); // no car_dealers here
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "dealers-check: there is no folder car_dealers"));
    std::filesystem::create_directories(dir.path() / "car_dealers" / "dealers.conf");
    EXPECT_EQ(DealersCheck("car_dealers", dir.path().string()).status, 2);
    EXPECT_EQ(DealersCheck("--frobnicate").status, 2);
    EXPECT_EQ(DealersCheck("--map").status, 2);
    EXPECT_EQ(DealersCheck("car_dealers --map " + dir.Path("none/map.svg"), kSource + "/data").status, 2);
    EXPECT_EQ(DealersCheck("one two").status, 2);
}

TEST(DealersCheck, EmptyFolderReadsAsNoDealers) {
    TempDir dir;
    const Outcome run = DealersCheck("-- .", dir.path().string());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run, "./dealers.conf: not found, the rates keep their defaults"));
    EXPECT_TRUE(Has(run, "  price_rate_buy = 0.8  (default)"));
    EXPECT_TRUE(Has(run, "./dealers.csv: not found"));
    EXPECT_TRUE(Has(run, "  warning: no dealer will ever react"));
}

TEST(DealersCheck, HelpNamesTheExitStatuses) {
    const Outcome run = DealersCheck("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run, "usage: dealers-check [FOLDER] [--map FILE.svg] [--game PATH]"));
    EXPECT_TRUE(Has(
        run,
        "  2  the folder, one of its files or the game cannot be read, the game is not a Windows program,"));
}

} // namespace
