// The settings reader, with the mend that a last line without a line feed is read.
#include "dealer/config_file.h"
#include "dealer/dealer_module.h"
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Entries = std::unordered_map<std::string, std::string>;

struct ConfigCase {
    const char* name;
    std::string_view file;
    float buy, sell; // the module's rates after loading
    Entries entries;
};

void PrintTo(const ConfigCase& c, std::ostream* out) {
    *out << c.name;
}

const ConfigCase kTable[] = {
    // One line each in an otherwise empty file.
    {"SpacesVanish", "price_rate_buy = 0.9\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    {"SpacesInsideKeyVanish", "price rate buy=0.9\n", 0.8f, 0.5f, {{"priceratebuy", "0.9"}}},
    {"CommentAtFirstCharacter", "#price_rate_buy=0.9\n", 0.8f, 0.5f, {}},
    {"HashAfterSpaceIsNoComment", " #price_rate_buy=0.9\n", 0.8f, 0.5f, {{"#price_rate_buy", "0.9"}}},
    {"NothingAfterOnlyEquals", "price_rate_buy=\n", 0.8f, 0.5f, {}},
    {"DoubleEqualsGivesEmptyValue", "price_rate_buy==0.9\n", 0.0f, 0.5f, {{"price_rate_buy", ""}}},
    {"ThirdPieceIgnored", "price_rate_buy=0.9=7\n", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    {"NoNumberGivesZero", "price_rate_sell=abc\n", 0.8f, 0.0f, {{"price_rate_sell", "abc"}}},
    {"CommaStopsConversion", "price_rate_sell=0,7\n", 0.8f, 0.0f, {{"price_rate_sell", "0,7"}}},
    {"TextAfterNumberIgnored", "price_rate_sell=0.7xyz\n", 0.8f, 0.7f, {{"price_rate_sell", "0.7xyz"}}},
    {"TabStaysInKey", "price_rate_sell\t=0.7\n", 0.8f, 0.5f, {{"price_rate_sell\t", "0.7"}}},
    {"ConversionSkipsTab", "price_rate_sell=\t0.7\n", 0.8f, 0.7f, {{"price_rate_sell", "\t0.7"}}},
    // Mended: a plain line reader drops a last line without a line feed.
    {"LastLineWithoutLineFeed", "price_rate_buy=0.9", 0.9f, 0.5f, {{"price_rate_buy", "0.9"}}},
    {"EmptyFile", "", 0.8f, 0.5f, {}},
    {"LaterLineWins", "price_rate_buy=0.9\nprice_rate_buy=0.7\n", 0.7f, 0.5f, {{"price_rate_buy", "0.7"}}},
    {"OnlySellLeavesBuy", "price_rate_sell=0.6\n", 0.8f, 0.6f, {{"price_rate_sell", "0.6"}}},
    {"NoRangeApplies", "price_rate_sell=-2\n", 0.8f, -2.0f, {{"price_rate_sell", "-2"}}},
    {"CrLf",
     "#x\r\nprice_rate_buy=0.9\r\nprice_rate_sell=0.6\r\n",
     0.9f,
     0.6f,
     {{"price_rate_buy", "0.9"}, {"price_rate_sell", "0.6"}}},
    // A carriage return without a line feed ends no line: the comment runs on over the rest.
    {"LoneCarriageReturn", "#comment\rprice_rate_buy=0.9\n", 0.8f, 0.5f, {}},
};

class ConfigTable : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigTable, EntriesAndRates) {
    const ConfigCase& c = GetParam();
    TempDir dir;
    ConfigFile fromFile(dir.Write("dealers.conf", c.file)), fromBuffer("unused");
    fromFile.Load();
    fromBuffer.Load(c.file);
    EXPECT_EQ(fromFile.entries, c.entries);
    EXPECT_EQ(fromBuffer.entries, c.entries);
    const DealerModule module(dir.Path("none.csv"), fromFile.file_name);
    EXPECT_EQ(module.price_rate_buy, c.buy);
    EXPECT_EQ(module.price_rate_sell, c.sell);
}

INSTANTIATE_TEST_SUITE_P(Settings, ConfigTable, ::testing::ValuesIn(kTable),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigFile, MissingFileOrDirectoryLeavesTheDefaults) {
    TempDir dir;
    for (const std::string& path : {dir.Path("car_dealers/dealers.conf"), dir.path().string()}) {
        const DealerModule module(dir.Path("none.csv"), path);
        EXPECT_EQ(module.price_rate_sell, 0.5f) << path;
        EXPECT_EQ(module.price_rate_buy, 0.8f) << path;
    }
}

TEST(ConfigFile, GetFloatConvertsAsAtofAndRoundsToTheNearestFloat) {
    const std::pair<std::string, float> values[] = {
        {"0.1", 0.1f},   {"1e300", INFINITY}, {"-1e300", -INFINITY}, {"1e-50", 0.0f},
        {"0x10", 16.0f}, {"", 0.0f},          {"0.7\0009"s, 0.7f}}; // a NUL ends the text
    ConfigFile config("unused");
    for (const auto& [text, expected] : values) {
        config.entries["k"] = text;
        EXPECT_EQ(config.GetFloat("k", 9), expected) << text;
    }
    config.entries["k"] = "nan";
    EXPECT_TRUE(std::isnan(config.GetFloat("k", 9)));
    EXPECT_EQ(config.GetFloat("price_rate_buy", -3.25f), -3.25f); // no entry: the default as it is
    // Rounded to nearest, ties to even; the largest float ends half an ulp above FLT_MAX.
    EXPECT_EQ(NarrowToFloat(1.0 + 0x1p-24), 1.0f);
    EXPECT_EQ(NarrowToFloat(1.0 + 0x1p-23 + 0x1p-24), 1.0f + 0x1p-22f);
    EXPECT_EQ(NarrowToFloat(0x1.fffffefp127), FLT_MAX);
    EXPECT_EQ(NarrowToFloat(0x1.ffffffp127), INFINITY);
    EXPECT_EQ(NarrowToFloat(-0x1.ffffffp127), -INFINITY);
}

TEST(ConfigFile, ReportTellsWhatEachLineIs) {
    ConfigFile config("unused");
    std::vector<ConfigLineReport> report;
    config.Load("#c\nkey = value\n\nnothing\nk=\nk=v", &report);
    const ConfigLineStatus expected[] = {ConfigLineStatus::Comment,      ConfigLineStatus::Entry,
                                         ConfigLineStatus::TooFewPieces, ConfigLineStatus::TooFewPieces,
                                         ConfigLineStatus::TooFewPieces, ConfigLineStatus::Entry};
    ASSERT_EQ(report.size(), 6u);
    for (std::size_t i = 0; i < report.size(); ++i) {
        EXPECT_EQ(report[i].number, i + 1);
        EXPECT_EQ(report[i].line.status, expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(report[1].line.key, "key");
    EXPECT_EQ(report[1].line.value, "value");
    EXPECT_STREQ(ConfigLineStatusText(ConfigLineStatus::Comment), "comment");
    EXPECT_STREQ(ConfigLineStatusText(ConfigLineStatus::Entry), "entry");
    EXPECT_STREQ(ConfigLineStatusText(ConfigLineStatus::TooFewPieces), "too few pieces");
}

} // namespace
