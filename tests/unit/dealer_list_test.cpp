// The dealer list, with two mends: a line whose number does not convert is
// skipped and reading goes on; a last line without a line feed is read.
#include "dealer/dealer_list.h"
#include "dealer/dealer_module.h"
#include "dealer/stream_readers.h"
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr auto kAccepted = DealerLineStatus::Accepted;
constexpr auto kTooFew = DealerLineStatus::TooFewFields;
constexpr auto kNotANumber = DealerLineStatus::NotANumber;
constexpr auto kOutOfRange = DealerLineStatus::OutOfRange;

struct DealerCase {
    const char* name;
    std::string_view line; // without its line feed
    DealerLineStatus status;
    int field; // the failing field
    float x, y, z;
    std::int32_t radius;
    const char* message; // as std::stof / std::stoi word it
};

void PrintTo(const DealerCase& c, std::ostream* out) {
    *out << c.name;
}

const DealerCase kTable[] = {
    {"Plain", "100.5,-20,15.25,30", kAccepted, 0, 100.5f, -20, 15.25f, 30, ""},
    {"LeadingWhiteSpaceAndTrailingText", " 100.5, -20 ,15.25,30", kAccepted, 0, 100.5f, -20, 15.25f, 30, ""},
    {"FifthFieldIgnored", "100.5,-20,15.25,30,Downtown lot", kAccepted, 0, 100.5f, -20, 15.25f, 30, ""},
    {"RadiusTruncatedAtThePoint", "100.5,-20,15.25,30.9", kAccepted, 0, 100.5f, -20, 15.25f, 30, ""},
    {"ThreeFields", "100.5,-20,15.25", kTooFew, 0, 0, 0, 0, 0, ""},
    {"EmptyTextAfterLastCommaIsNoField", "100.5,-20,15.25,", kTooFew, 0, 0, 0, 0, 0, ""},
    {"EmptyLine", "", kTooFew, 0, 0, 0, 0, 0, ""},
    {"EmptySecondField", "100.5,,15.25,30", kNotANumber, 2, 0, 0, 0, 0, "invalid stof argument"},
    {"HeaderLine", "x,y,z,radius", kNotANumber, 1, 0, 0, 0, 0, "invalid stof argument"},
    {"FloatOutOfRange", "1e40,0,0,10", kOutOfRange, 1, 0, 0, 0, 0, "stof argument out of range"},
    {"FloatUnderflow", "0,0,1e-50,10", kOutOfRange, 3, 0, 0, 0, 0, "stof argument out of range"}, // as glibc
    {"RadiusOutOfRange", "0,0,0,99999999999", kOutOfRange, 4, 0, 0, 0, 0, "stoi argument out of range"},
    {"RadiusJustBeyond", "0,0,0,2147483648", kOutOfRange, 4, 0, 0, 0, 0, "stoi argument out of range"},
    {"RadiusAtTheLimit", "0,0,0,-2147483648", kAccepted, 0, 0, 0, 0, INT32_MIN, ""},
    {"HexadecimalRadiusReadsZero", "0,0,0,0x10", kAccepted, 0, 0, 0, 0, 0, ""},
    {"HexadecimalFloats", "0x1p4,0x.8,-0X1P-1,1", kAccepted, 0, 16, 0.5f, -0.5f, 1, ""},
    {"EmptyFourthFieldBeforeComma", "1,2,3,,", kNotANumber, 4, 0, 0, 0, 0, "invalid stoi argument"},
    // The blank radius ends at the line end: the conversion must not run on into the next line.
    {"BlankRadius", "1,2,3, ", kNotANumber, 4, 0, 0, 0, 0, "invalid stoi argument"},
    {"FirstFailingFieldDecides", "1,x,1e40,99999999999", kNotANumber, 2, 0, 0, 0, 0, "invalid stof argument"},
};

class DealerTable : public ::testing::TestWithParam<DealerCase> {};

// Mended: the row between two good lines is skipped when bad, and reading goes on to the last line,
// which has no line feed.
TEST_P(DealerTable, LineBetweenTwoGoodLines) {
    const DealerCase& c = GetParam();
    std::vector<DealerRecord> dealers;
    std::vector<DealerLineReport> report;
    ReadDealerList("1,2,3,4\n" + std::string(c.line) + "\n5,6,7,8", dealers, &report);
    ASSERT_EQ(report.size(), 3u);
    const DealerLine& line = report[1].line;
    EXPECT_EQ(report[1].number, 2u);
    EXPECT_EQ(line.status, c.status);
    EXPECT_EQ(line.field, c.field);
    EXPECT_EQ(line.x, c.x);
    EXPECT_EQ(line.y, c.y);
    EXPECT_EQ(line.z, c.z);
    EXPECT_EQ(line.radius, c.radius);
    EXPECT_STREQ(DealerLineConversionMessage(line), c.message);

    const bool accepted = c.status == kAccepted;
    ASSERT_EQ(dealers.size(), accepted ? 3u : 2u);
    EXPECT_EQ(dealers.front().radius, 4);
    EXPECT_EQ(dealers.back().radius, 8);
    if (accepted) {
        EXPECT_EQ(dealers[1].x, c.x);
        EXPECT_EQ(dealers[1].z, c.z);
        EXPECT_EQ(dealers[1].radius, c.radius);
    }
}

INSTANTIATE_TEST_SUITE_P(DealerList, DealerTable, ::testing::ValuesIn(kTable),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DealerList, RecordsKeepTheFileOrderAndRepeatIdenticalLines) {
    std::istringstream in("10,20,30,40\n7,8,9,10\n10,20,30,40\n");
    std::vector<DealerRecord> dealers;
    ReadDealerList(in, dealers);
    ASSERT_EQ(dealers.size(), 3u);
    EXPECT_EQ(dealers[0].x, 10);
    EXPECT_EQ(dealers[1].x, 7);
    EXPECT_EQ(dealers[2].x, 10);
    EXPECT_EQ(dealers[2].radius, 40);
}

// Text mode removes only a carriage return directly before a line feed, on every platform.
TEST(DealerList, CarriageReturnsOutsideCrLfStayInTheLine) {
    std::vector<DealerRecord> dealers;
    std::vector<DealerLineReport> report;
    ReadDealerList("1,2,3,\r\n1,2,3,\r\r\n1,2,3,4\r5,6\r\n", dealers, &report);
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0].line.status, kTooFew);     // "1,2,3,"
    EXPECT_EQ(report[1].line.status, kNotANumber); // "1,2,3,\r"
    ASSERT_EQ(dealers.size(), 1u);
    EXPECT_EQ(dealers[0].radius, 4); // "4\r5"
}

TEST(DealerList, AStaleErrnoDoesNotFailAConversion) {
    errno = ERANGE;
    EXPECT_EQ(ParseDealerLine("1,2,3,4").status, kAccepted);
}

TEST(DealerList, ReportNamesTheReason) {
    EXPECT_STREQ(DealerLineStatusText(kAccepted), "accepted");
    EXPECT_STREQ(DealerLineStatusText(kTooFew), "too few fields");
    EXPECT_STREQ(DealerLineStatusText(kNotANumber), "not a number");
    EXPECT_STREQ(DealerLineStatusText(kOutOfRange), "out of range");
}

TEST(DealerList, EmptyMissingOrUnreadableFilesGiveNoDealers) {
    TempDir dir;
    for (const std::string& path : {dir.Write("dealers.csv", ""), dir.Write("blank.csv", "\n\n"),
                                    dir.Path("car_dealers/dealers.csv"), dir.path().string()}) {
        const DealerModule module(path, dir.Path("none.conf"));
        EXPECT_TRUE(module.dealers.empty()) << path;
    }
}

} // namespace
