// The sample car_dealers/ folder that ships with the plugin, read as the plugin reads it.
#include "dealer/config_file.h"
#include "dealer/dealer_list.h"
#include "dealer/dealer_module.h"
#include "dealer/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kSettings = CAR_DEALERS_SAMPLE_DIR "/dealers.conf";
const std::string kDealers = CAR_DEALERS_SAMPLE_DIR "/dealers.csv";

TEST(SampleData, SetsBothRatesAtTheirDefaultsAndNothingElse) {
    ConfigFile settings(kSettings);
    std::vector<ConfigLineReport> report;
    settings.Load(ReadFileBytes(kSettings), &report);
    ASSERT_FALSE(report.empty());
    for (const ConfigLineReport& line : report)
        EXPECT_NE(line.line.status, ConfigLineStatus::TooFewPieces) << "line " << line.number;
    EXPECT_EQ(settings.entries.size(), 2u);
    EXPECT_EQ(settings.entries.count("price_rate_sell"), 1u);
    EXPECT_EQ(settings.entries.count("price_rate_buy"), 1u);

    const DealerModule module(kDealers, kSettings);
    EXPECT_EQ(module.price_rate_sell, 0.5f);
    EXPECT_EQ(module.price_rate_buy, 0.8f);
}

TEST(SampleData, EveryDealerLineIsAPlace) {
    std::vector<DealerRecord> dealers;
    std::vector<DealerLineReport> report;
    ReadDealerListFile(kDealers, dealers, &report);
    ASSERT_GE(report.size(), 3u);
    for (const DealerLineReport& line : report) {
        EXPECT_EQ(line.line.status, DealerLineStatus::Accepted) << "line " << line.number;
        EXPECT_GT(line.line.radius, 0) << "line " << line.number;
    }
    EXPECT_EQ(DealerModule(kDealers, kSettings).dealers.size(), report.size());
}

} // namespace
