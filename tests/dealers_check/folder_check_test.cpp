// What dealers-check finds in a car_dealers/ folder, on folders written for each case.
#include "dealer_test_files.h"
#include "folder_check.h"
#include "zone_overlaps.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using dealers_check::FindingKind;
using dealers_check::FolderCheck;

constexpr auto kIgnored = FindingKind::Ignored;
constexpr auto kWarning = FindingKind::Warning;

struct Expected {
    std::size_t line;
    FindingKind kind;
    const char* fragment; // a part of the finding's text
};

constexpr const char* kOneDealer = "0,0,0,10\n";

FolderCheck Check(const TempDir& dir, const char* conf, const char* csv) {
    if (conf) dir.Write("dealers.conf", conf);
    if (csv) dir.Write("dealers.csv", csv);
    FolderCheck check;
    std::string error;
    EXPECT_TRUE(dealers_check::CheckFolder(dir.path().string(), check, error)) << error;
    return check;
}

void ExpectFindings(const std::vector<dealers_check::Finding>& found, const std::vector<Expected>& expected) {
    ASSERT_EQ(found.size(), expected.size()) << [&] {
        std::string all;
        for (const auto& f : found) all += std::to_string(f.line) + ": " + f.text + "\n";
        return all;
    }();
    for (std::size_t i = 0; i < found.size(); ++i) {
        SCOPED_TRACE(found[i].text);
        EXPECT_EQ(found[i].line, expected[i].line);
        EXPECT_EQ(found[i].kind, expected[i].kind);
        EXPECT_NE(found[i].text.find(expected[i].fragment), std::string::npos) << expected[i].fragment;
    }
}

struct SettingsCase {
    const char* file;
    std::vector<Expected> findings;
};

// The file's text as a test name: what else it holds shows as '_'.
void PrintTo(const char* file, std::ostream* out) {
    for (const char* c = file; *c; ++c)
        *out << (std::isalnum(static_cast<unsigned char>(*c)) || std::strchr("_.,=+-", *c) ? *c : '_');
}
void PrintTo(const SettingsCase& c, std::ostream* out) {
    PrintTo(c.file, out);
}

class CheckedSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(CheckedSettings, FindingsOfOneLine) {
    TempDir dir;
    const FolderCheck check = Check(dir, GetParam().file, kOneDealer);
    ExpectFindings(check.settings.findings, GetParam().findings);
    EXPECT_EQ(dealers_check::ExitStatus(check), GetParam().findings.empty() ? 0 : 1);
}

// Most other lines are those of tests/data/broken_car_dealers (program_test.cpp).
INSTANTIATE_TEST_SUITE_P(
    Lines, CheckedSettings,
    ::testing::Values(
        SettingsCase{"price_rate_buy = 0.9\n", {}}, SettingsCase{"#price_rate_buy=0.9\n", {}},
        SettingsCase{"price_rate_sell=\t0.7\n", {}}, SettingsCase{"\n \t\n", {}},
        SettingsCase{"price_rate_buy=0.9", {}}, // the plugin reads a last line without a line feed
        SettingsCase{"PRICE_RATE_SELL=0.9\n", {{1, kIgnored, "did you mean price_rate_sell?"}}},
        SettingsCase{"colour=red\n", {{1, kIgnored, "nothing reads the key \"colour\""}}},
        SettingsCase{
            "price_rate_buy==0.9\n",
            {{1, kWarning, "has no value: the rate reads as 0"}, {1, kIgnored, "\"=0.9\" after the value"}}},
        SettingsCase{"price_rate_sell=abc\n", {{1, kWarning, "\"abc\" does not start with a number"}}},
        SettingsCase{"price_rate_sell=0.7xyz\n", {{1, kIgnored, "reads as 0.7: \"xyz\""}}},
        SettingsCase{"price_rate_buy=-0.5\n", {{1, kWarning, "negative (-0.5)"}}},
        SettingsCase{"price_rate_buy=1e39\n", {{1, kWarning, "not a finite number (inf)"}}},
        // A Ctrl-Z ends the file for the plugin; one at the very end, as old editors leave it, loses nothing.
        SettingsCase{"price_rate_buy=0.9\n\x1A", {}},
        SettingsCase{"# a\n\x1Aprice_rate_buy=0.9\n", {{2, kIgnored, "Ctrl-Z"}}}));

TEST(CheckedSettings, RatesComeFromTheLineThatWinsOrAreTheDefaults) {
    TempDir dir;
    const FolderCheck check =
        Check(dir, "price_rate_buy=0.7\r\n# note\r\nprice_rate_buy=0.6\r\n", kOneDealer);
    EXPECT_TRUE(check.settings.found);
    EXPECT_EQ(check.buy.value, 0.6f);
    EXPECT_EQ(check.buy.line, 3u);
    EXPECT_EQ(check.sell.value, 0.5f);
    EXPECT_EQ(check.sell.line, 0u);
    ExpectFindings(check.settings.findings, {{1, kIgnored, "set again on line 3"}});

    TempDir none;
    const FolderCheck missing = Check(none, nullptr, kOneDealer);
    EXPECT_FALSE(missing.settings.found);
    EXPECT_EQ(missing.buy.value, 0.8f);
    EXPECT_EQ(missing.sell.value, 0.5f);
    EXPECT_EQ(dealers_check::ExitStatus(missing), 0); // no file is fine: the defaults apply
}

struct ListCase {
    const char* file;
    std::vector<Expected> findings;
};

void PrintTo(const ListCase& c, std::ostream* out) {
    PrintTo(c.file, out);
}

class CheckedDealerList : public ::testing::TestWithParam<ListCase> {};

TEST_P(CheckedDealerList, FindingsOfOneLine) {
    TempDir dir;
    const std::string file = std::string(kOneDealer) + GetParam().file;
    ExpectFindings(Check(dir, "", file.c_str()).dealer_list.findings, GetParam().findings);
}

// Most other lines are those of tests/data/broken_car_dealers (program_test.cpp).
INSTANTIATE_TEST_SUITE_P(Lines, CheckedDealerList,
                         ::testing::Values(ListCase{"100.5,-20,15.25,30,Downtown lot\n", {}},
                                           ListCase{" 100.5, -20 ,15.25,30\n", {}}, ListCase{"\n  \r\n", {}},
                                           ListCase{"500,2,3,4", {}},
                                           ListCase{"500,0,0,0\n",
                                                    {{2, kWarning, "only on its very centre"}}},
                                           ListCase{"nan,0,0,5\n", {{2, kWarning, "not a finite point"}}},
                                           ListCase{"500,2,3,4\x1A\n5,6,7,8\n", {{2, kIgnored, "Ctrl-Z"}}}));

TEST(CheckedDealerList, DealersKeepTheirLinesAndLabels) {
    TempDir dir;
    const FolderCheck check = Check(dir, "", "1,2,3,4,  Harbour lot, north side \n\n500,0,0,5\n");
    ASSERT_EQ(check.dealers.size(), 2u);
    EXPECT_EQ(check.dealers[0].line, 1u);
    EXPECT_EQ(check.dealers[0].label, "Harbour lot, north side");
    EXPECT_EQ(check.dealers[1].line, 3u);
    EXPECT_EQ(check.dealers[1].label, "");
    EXPECT_EQ(dealers_check::ExitStatus(check), 0);
}

TEST(CheckedDealerList, NoDealerIsAWarning) {
    TempDir empty;
    ExpectFindings(Check(empty, "", "").dealer_list.findings, {{0, kWarning, "holds no dealer place"}});
    TempDir none;
    const FolderCheck check = Check(none, "", nullptr);
    EXPECT_FALSE(check.dealer_list.found);
    ExpectFindings(check.dealer_list.findings, {{0, kWarning, "no dealer will ever react"}});
}

std::vector<std::pair<std::size_t, std::size_t>> OverlapLines(const FolderCheck& check) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const auto& overlap : check.overlaps.first) pairs.emplace_back(overlap.first, overlap.second);
    return pairs;
}

// Zones overlap when their centres are closer than the sum of the radii; zones that never hold the
// player, or never get him, overlap with nothing.
TEST(CheckedDealerList, OverlapsAreTheZonesThatShareGround) {
    TempDir dir;
    const FolderCheck check = Check(dir, "",
                                    "0,0,0,10\n"   // 1
                                    "15,0,9,10\n"  // 2: overlaps 1 (z plays no part)
                                    "0,20,0,10\n"  // 3: touches 1, shares no ground
                                    "0,0,0,-1\n"   // 4: never holds the player
                                    "2,0,0,3\n"    // 5: within 1, never chosen
                                    "3,0,0,20\n"); // 6: holds 1 and 5, and is chosen where 1 is not
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {{1, 2}, {1, 6}, {2, 6}, {3, 6}};
    EXPECT_EQ(OverlapLines(check), expected);
    EXPECT_EQ(check.overlaps.pairs, 4u);
    EXPECT_DOUBLE_EQ(check.overlaps.first[0].distance, 15.0);
    ExpectFindings(check.dealer_list.findings, {{4, kWarning, "negative"}});
    EXPECT_EQ(check.dealers[4].never_chosen_by, 1u);
    EXPECT_EQ(check.overlaps.never_chosen, 1u);
    EXPECT_EQ(check.dealer_list.counts[static_cast<int>(kWarning)], 2u);
    EXPECT_TRUE(check.dealers[5].overlaps);
    EXPECT_FALSE(check.dealers[4].overlaps);
}

// The zones found by cells and classes of radii are those that every pair compared finds, on lists
// with copies, zones within zones, points and huge zones; a small budget leaves lower bounds.
TEST(CheckedDealerList, OverlapsAgreeWithEveryPairCompared) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> place(-500, 500);
    std::uniform_int_distribution<int> radius(0, 60), kind(0, 19);
    std::vector<dealers_check::Dealer> dealers;
    for (std::size_t line = 1; line <= 1500; ++line) {
        dealers_check::Dealer dealer{line, place(random), place(random), 0, radius(random), "", 0, false};
        switch (kind(random)) {
        case 0: // a copy of an earlier one
            if (!dealers.empty()) dealer = dealers[random() % dealers.size()], dealer.line = line;
            break;
        case 1:
            dealer.radius = 100000 + radius(random);
            break;
        case 2:
            dealer.radius = -1;
            break;
        }
        dealers.push_back(dealer);
    }
    const auto reach = [&](std::size_t i) { return double{static_cast<float>(dealers[i].radius)}; };
    const auto apart = [&](std::size_t i, std::size_t j) {
        return std::hypot(double{dealers[i].x} - dealers[j].x, double{dealers[i].y} - dealers[j].y);
    };
    std::vector<std::size_t> heldBy(dealers.size(), 0); // lines
    for (std::size_t j = 0; j < dealers.size(); ++j)
        for (std::size_t i = 0; i < j && heldBy[j] == 0; ++i)
            if (dealers[i].radius >= 0 && dealers[j].radius >= 0 && apart(i, j) + reach(j) <= reach(i))
                heldBy[j] = dealers[i].line;
    std::uint64_t pairs = 0;
    std::vector<std::pair<std::size_t, std::size_t>> first;
    for (std::size_t i = 0; i < dealers.size(); ++i)
        for (std::size_t j = i + 1; j < dealers.size(); ++j)
            if (dealers[i].radius >= 0 && dealers[j].radius >= 0 && heldBy[i] == 0 && heldBy[j] == 0 &&
                apart(i, j) < reach(i) + reach(j) && (++pairs, first.size() < dealers_check::kListedOverlaps))
                first.emplace_back(dealers[i].line, dealers[j].line);

    dealers_check::Overlaps overlaps;
    dealers_check::FindOverlaps(dealers, overlaps);
    EXPECT_TRUE(overlaps.complete);
    EXPECT_EQ(overlaps.pairs, pairs);
    FolderCheck check;
    check.overlaps = overlaps;
    EXPECT_EQ(OverlapLines(check), first);
    for (std::size_t j = 0; j < dealers.size(); ++j) EXPECT_EQ(dealers[j].never_chosen_by, heldBy[j]) << j;

    dealers_check::FindOverlaps(dealers, overlaps, 1000);
    EXPECT_FALSE(overlaps.complete);
    EXPECT_LT(overlaps.pairs, pairs);
}

// The plugin compares the radius as a float: 16777217 is 16777216 there, and these two zones only touch.
TEST(CheckedDealerList, RadiiCountAsFloats) {
    TempDir dir;
    const FolderCheck check = Check(dir, "", "-50000000,0,0,16777217\n-33222782,0,0,2\n");
    EXPECT_EQ(check.overlaps.pairs, 0u);
}

TEST(CheckedFolder, WhatCannotBeReadIsAnError) {
    TempDir dir;
    FolderCheck check;
    std::string error;
    EXPECT_FALSE(dealers_check::CheckFolder(dir.Path("nothing"), check, error));
    EXPECT_EQ(error, "there is no folder " + dir.Path("nothing"));
    EXPECT_FALSE(dealers_check::CheckFolder(dir.Write("file", "1,2,3,4\n"), check, error));
    EXPECT_EQ(error, dir.Path("file") + " is not a folder");
    std::filesystem::create_directories(dir.path() / "dealers.csv");
    EXPECT_FALSE(dealers_check::CheckFolder(dir.path().string(), check, error));
    EXPECT_EQ(error, "cannot read " + dir.Path("dealers.csv") + ": not a file");
}

} // namespace
