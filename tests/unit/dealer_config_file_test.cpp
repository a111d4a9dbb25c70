// Part 3.1: the settings reader, with the mend that a last line without a line feed is read.
#include "dealer/config_file.h"
#include "dealer/dealer_module.h"
#include "dealer_reference.h"
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::unordered_map<std::string, std::string>;

struct ConfigCase {
    const char* name;
    std::string_view file;
    float buy;  // price_rate_buy after loading
    float sell; // price_rate_sell after loading
    Entries entries;
};

void PrintTo(const ConfigCase& c, std::ostream* out) {
    *out << c.name;
}

// The edge-case table of Part 3.1, one row per case, each row one line of an otherwise empty file.
const ConfigCase kTable[] = {
    {"SpacesVanish", "price_rate_buy = 0.9\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    {"SpacesInsideKeyVanish", "price rate buy=0.9\n", 0.8f, 0.5f, {{"priceratebuy", "0.9"}}},
    {"CommentAtFirstCharacter", "#price_rate_buy=0.9\n", 0.8f, 0.5f, {}},
    {"HashAfterSpaceIsNoComment", " #price_rate_buy=0.9\n", 0.8f, 0.5f, {{"#price_rate_buy", "0.9"}}},
    {"NothingAfterOnlyEqualsIsOnePiece", "price_rate_buy=\n", 0.8f, 0.5f, {}},
    {"DoubleEqualsGivesEmptyValue", "price_rate_buy==0.9\n", 0.0f, 0.5f, {{"price_rate_buy", ""}}},
    {"ThirdPieceIgnored", "price_rate_buy=0.9=7\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    {"NoNumberGivesZero", "price_rate_sell=abc\n", 0.8f, 0.0f, {{"price_rate_sell", "abc"}}},
    {"CommaStopsConversion", "price_rate_sell=0,7\n", 0.8f, 0.0f, {{"price_rate_sell", "0,7"}}},
    {"TextAfterNumberIgnored", "price_rate_sell=0.7xyz\n", 0.8f, 0.7f, {{"price_rate_sell", "0.7xyz"}}},
    {"TabStaysInKey", "price_rate_sell\t=0.7\n", 0.8f, 0.5f, {{"price_rate_sell\t", "0.7"}}},
    {"ConversionSkipsTab", "price_rate_sell=\t0.7\n", 0.8f, 0.7f, {{"price_rate_sell", "\t0.7"}}},
    // Mended: a last line without a line feed is read like any other (the spec's reader drops it).
    {"LastLineWithoutLineFeedIsRead", "price_rate_buy=0.9", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    // Further cases.
    {"EmptyFile", "", 0.8f, 0.5f, {}},
    {"OnlyLineFeeds", "\n\n\n", 0.8f, 0.5f, {}},
    {"LaterLineWins", "price_rate_buy=0.9\nprice_rate_buy=0.7\n", 0.7f, 0.5f, {{"price_rate_buy", "0.7"}}},
    {"CaseMatters", "PRICE_RATE_BUY=0.9\n", 0.8f, 0.5f, {{"PRICE_RATE_BUY", "0.9"}}},
    {"OnlyBuyLeavesSell", "price_rate_buy=0.6\n", 0.6f, 0.5f, {{"price_rate_buy", "0.6"}}},
    {"OnlySellLeavesBuy", "price_rate_sell=0.6\n", 0.8f, 0.6f, {{"price_rate_sell", "0.6"}}},
    {"BothAndOtherKeys",
     "a=1\nprice_rate_sell=0.25\nprice_rate_buy=1.5\nb=c=d\n",
     1.5f,
     0.25f,
     {{"a", "1"}, {"price_rate_sell", "0.25"}, {"price_rate_buy", "1.5"}, {"b", "c"}}},
    {"NoRangeApplies",
     "price_rate_sell=-2\nprice_rate_buy=0\n",
     0.0f,
     -2.0f,
     {{"price_rate_sell", "-2"}, {"price_rate_buy", "0"}}},
    {"LeadingEqualsGivesEmptyKey", "=0.9\n", 0.8f, 0.5f, {{"", "0.9"}}},
    {"HexadecimalValue", "price_rate_buy=0x1p-2\n", 0.25f, 0.5f, {{"price_rate_buy", "0x1p-2"}}},
    {"ExponentValue", "price_rate_buy=75e-2\n", 0.75f, 0.5f, {{"price_rate_buy", "75e-2"}}},
    {"CrLfLineEnds",
     "price_rate_buy=0.9\r\nprice_rate_sell=0.6\r\n",
     0.9f,
     0.6f,
     {{"price_rate_buy", "0.9"}, {"price_rate_sell", "0.6"}}},
    {"CrLfCommentLine", "#x\r\nprice_rate_buy=0.9\r\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    // A carriage return not followed by a line feed stays in the line, as Windows text mode keeps
    // it: it ends no line, so the comment below runs on over the would-be second line.
    {"LoneCarriageReturnEndsNoLine", "#comment\rprice_rate_buy=0.9\n", 0.8f, 0.5f, {}},
    {"LoneCarriageReturnInValue",
     "price_rate_buy=0.9\rprice_rate_sell=0.6\n",
     0.9f,
     0.5f,
     {{"price_rate_buy", "0.9price_rate_sell"}}},
    {"CarriageReturnBeforeCrLf", "price_rate_buy=0.9\r\r\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    // Windows text mode ends a file at Ctrl-Z.
    {"CtrlZEndsTheText",
     "price_rate_buy=0.9\n\x1Aprice_rate_sell=0.6\n",
     0.9f,
     0.5f,
     {{"price_rate_buy", "0.9"}}},
    {"CtrlZAfterLastLine", "price_rate_buy=0.9\x1A\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
};

class ConfigTable : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigTable, EntriesOfTheBuffer) {
    ConfigFile config("unused");
    config.Load(GetParam().file);
    EXPECT_EQ(config.entries, GetParam().entries);
}

TEST_P(ConfigTable, EntriesOfTheStream) {
    ConfigFile config("unused");
    std::istringstream in{std::string(GetParam().file)};
    config.Load(in);
    EXPECT_EQ(config.entries, GetParam().entries);
}

TEST_P(ConfigTable, EntriesOfTheFile) {
    TempDir dir;
    ConfigFile config(dir.Write("dealers.conf", GetParam().file));
    config.Load();
    EXPECT_EQ(config.entries, GetParam().entries);
}

TEST_P(ConfigTable, RatesOfTheModule) {
    TempDir dir;
    const DealerModule module(dir.Path("none.csv"), dir.Write("dealers.conf", GetParam().file));
    EXPECT_EQ(module.price_rate_buy, GetParam().buy);
    EXPECT_EQ(module.price_rate_sell, GetParam().sell);
}

TEST_P(ConfigTable, AgreesWithTheReference) {
    ConfigFile config("unused");
    config.Load(GetParam().file);
    EXPECT_EQ(config.entries, reference::ConfigEntries(GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(Part3_1, ConfigTable, ::testing::ValuesIn(kTable),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigFile, CrLfFileReadsAsLfFile) {
    const std::string lf = "# rates\nprice_rate_buy = 0.9\nprice_rate_sell=0.4\nx=\n\n=y\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ConfigFile a("unused"), b("unused");
    a.Load(lf);
    b.Load(crlf);
    EXPECT_EQ(a.entries, b.entries);
    EXPECT_EQ(b.GetFloat("price_rate_buy", 0.8f), 0.9f);
    EXPECT_EQ(b.GetFloat("price_rate_sell", 0.5f), 0.4f);
}

TEST(ConfigFile, MissingFileLeavesNoEntries) {
    TempDir dir;
    ConfigFile config(dir.Path("car_dealers/dealers.conf"));
    config.Load();
    EXPECT_TRUE(config.entries.empty());
    EXPECT_EQ(config.GetFloat("price_rate_sell", 0.5f), 0.5f);
    EXPECT_EQ(config.GetFloat("price_rate_buy", 0.8f), 0.8f);
}

TEST(ConfigFile, DirectoryInsteadOfFileLeavesNoEntries) {
    TempDir dir;
    ConfigFile config(dir.path().string());
    config.Load();
    EXPECT_TRUE(config.entries.empty());
}

TEST(ConfigFile, GetFloatReturnsTheDefaultUnchangedWithoutTheKey) {
    ConfigFile config("unused");
    config.Load("price_rate_buy=0.9\n");
    EXPECT_EQ(config.GetFloat("price_rate_buy ", -3.25f), -3.25f); // exact key only
    EXPECT_EQ(config.GetFloat("Price_rate_buy", 7.0f), 7.0f);
    EXPECT_TRUE(std::isnan(config.GetFloat("other", std::numeric_limits<float>::quiet_NaN())));
}

TEST(ConfigFile, GetFloatConvertsAsAtofAndRoundsToFloat) {
    ConfigFile config("unused");
    config.entries = {{"a", "0.1"},
                      {"b", "inf"},
                      {"c", "-INFINITY"},
                      {"d", "nan"},
                      {"e", "1e300"},
                      {"f", "-1e300"},
                      {"g", "1e-50"},
                      {"h", "+.5e1"},
                      {"i", "\t\v 2.5"},
                      {"j", "0x10"},
                      {"k", "3.4028235e38"},
                      {"l", ""},
                      {"m", std::string("0.7\0"
                                        "9",
                                        4)}};
    EXPECT_EQ(config.GetFloat("a", 9), 0.1f);
    EXPECT_EQ(config.GetFloat("b", 9), std::numeric_limits<float>::infinity());
    EXPECT_EQ(config.GetFloat("c", 9), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(config.GetFloat("d", 9)));
    EXPECT_EQ(config.GetFloat("e", 9), std::numeric_limits<float>::infinity());
    EXPECT_EQ(config.GetFloat("f", 9), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(config.GetFloat("g", 9), 0.0f);
    EXPECT_EQ(config.GetFloat("h", 9), 5.0f);
    EXPECT_EQ(config.GetFloat("i", 9), 2.5f);
    EXPECT_EQ(config.GetFloat("j", 9), 16.0f);
    EXPECT_EQ(config.GetFloat("k", 9), FLT_MAX);
    EXPECT_EQ(config.GetFloat("l", 9), 0.0f);
    EXPECT_EQ(config.GetFloat("m", 9), 0.7f);
}

TEST(ConfigFile, NarrowToFloatRoundsToNearestAndOverflowsToInfinity) {
    EXPECT_EQ(NarrowToFloat(0x1.fffffefp127), FLT_MAX); // below the halfway point
    EXPECT_EQ(NarrowToFloat(0x1.ffffffp127), INFINITY); // halfway: ties to even, which is infinity
    EXPECT_EQ(NarrowToFloat(-0x1.ffffffp127), -INFINITY);
    EXPECT_EQ(NarrowToFloat(1e-50), 0.0f);
    EXPECT_EQ(NarrowToFloat(0.9), 0.9f);
    EXPECT_EQ(NarrowToFloat(1.0 + 0x1p-24), 1.0f); // ties to even
    EXPECT_EQ(NarrowToFloat(1.0 + 0x1p-23 + 0x1p-24), 1.0f + 0x1p-22f);
}

TEST(ConfigFile, RemoveBlanksTakesSpacesLineFeedsAndCarriageReturnsAnywhere) {
    EXPECT_EQ(RemoveBlanks(" a b\n\rc\r \t "), "abc\t");
    EXPECT_EQ(RemoveBlanks("\v\f\t"), "\v\f\t");
    EXPECT_EQ(RemoveBlanks(""), "");
    EXPECT_EQ(RemoveBlanks(" \r\n"), "");
    EXPECT_EQ(RemoveBlanks(std::string("a\0 b", 4)), std::string("a\0b", 3));
}

TEST(ConfigFile, ReportTellsWhatEachLineIs) {
    ConfigFile config("unused");
    std::vector<ConfigLineReport> report;
    config.Load("#c\nkey = value\n\nnothing\nk=\nk=v", &report);
    ASSERT_EQ(report.size(), 6u);
    const ConfigLineStatus expected[] = {ConfigLineStatus::Comment,      ConfigLineStatus::Entry,
                                         ConfigLineStatus::TooFewPieces, ConfigLineStatus::TooFewPieces,
                                         ConfigLineStatus::TooFewPieces, ConfigLineStatus::Entry};
    for (std::size_t i = 0; i < report.size(); ++i) {
        EXPECT_EQ(report[i].number, i + 1);
        EXPECT_EQ(report[i].line.status, expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(report[1].line.key, "key");
    EXPECT_EQ(report[1].line.value, "value");
    EXPECT_STREQ(ConfigLineStatusText(report[0].line.status), "comment");
    EXPECT_STREQ(ConfigLineStatusText(report[1].line.status), "entry");
    EXPECT_STREQ(ConfigLineStatusText(report[2].line.status), "too few pieces");
}

TEST(ConfigFile, LoadAddsToTheEntries) {
    ConfigFile config("unused");
    config.Load("a=1\nb=2\n");
    config.Load("b=3\n");
    EXPECT_EQ(config.entries, (Entries{{"a", "1"}, {"b", "3"}}));
}

} // namespace
