// What dealers-check finds in a car_dealers/ folder, written for each case, and in a game's program.
#include "folder_check.h"
#include "pe_version.h"
#include "zone_overlaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;
using dealers_check::FindingKind;
using dealers_check::FolderCheck;

constexpr auto kProblem = FindingKind::Problem;
constexpr auto kNote = FindingKind::Note;
constexpr const char* kOneDealer = "0,0,0,10\n";

FolderCheck Check(std::string conf, std::string csv) {
    FolderCheck check;
    dealers_check::CheckFiles(std::move(conf), std::move(csv), check);
    return check;
}

// Line, kind, part of the text ($: its end).
using Findings = std::vector<std::tuple<std::size_t, FindingKind, const char*>>;

// The findings of both files, in order, and the exit status: 1 with a problem, 0 with notes only.
void ExpectFindings(const FolderCheck& check, const Findings& expected) {
    std::vector<dealers_check::Finding> found = check.settings.findings;
    found.insert(found.end(), check.dealer_list.findings.begin(), check.dealer_list.findings.end());
    ASSERT_EQ(found.size(), expected.size()) << (found.empty() ? "" : found[0].text);
    bool problem = false;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const auto& [line, kind, part] = expected[i];
        EXPECT_TRUE(found[i].line == line && found[i].kind == kind &&
                    (found[i].text + "$").find(part) != std::string::npos)
            << found[i].text;
        problem = problem || kind == kProblem;
    }
    EXPECT_EQ(dealers_check::ExitStatus(check), problem ? 1 : 0);
}

// Most other lines: the example of docs/players.md.
TEST(FolderCheck, FindingsOfALine) {
    const struct {
        const char *conf, *csv;
        Findings findings;
    } cases[] = {
        {"#price_rate_buy=0.9\nprice_rate_sell=\t0.7\n\n \t\nprice_rate_buy = 0.9", kOneDealer, {}},
        {"PRICE_RATE_SELL=0.9\n", kOneDealer, {{1, kProblem, "did you mean price_rate_sell?"}}},
        {"price_rate_buy==0.9\n",
         kOneDealer,
         {{1, kProblem, "buy has no value: the rate reads as 0"}, {1, kNote, "\"=0.9\" after the value"}}},
        {"price_rate_sell=ninety_percent_of_the_offer,_as_agreed_with_the_old_salesman\n",
         kOneDealer, // sixty characters show whole
         {{1, kProblem, "salesman\" does not start with a number"}}},
        {"price_rate_buy=-0.5x\n",
         kOneDealer,
         {{1, kNote, "buy reads as -0.5: \"x\" after the number is not read$"},
          {1, kProblem, "buy is negative (-0.5)"}}},
        {"price_rate_buy=1e39\n", kOneDealer, {{1, kProblem, "buy is not a finite number (inf)"}}},
        {"price_rate_buy=1\nprice_rate_sell=1\n", kOneDealer, {}}, // all of the value, either way
        {"price_rate_buy=0.5\nprice_rate_buy=.5\nprice_rate_buy=0.9\nprice_rate_buy=0.9",
         kOneDealer,
         {{1, kProblem, "set again on line 4, which wins: this line's 0.5 is not used"},
          {2, kProblem, "set again"},
          {3, kNote, "set again on line 4, to the same value"}}},
        // A Ctrl-Z ends the file; one at the very end, as old editors leave it, loses nothing.
        {"price_rate_buy=0.9\n\x1A\r\n", kOneDealer, {}},
        {"# a\n\x1Aprice_rate_buy=0.9\n", kOneDealer, {{2, kProblem, "an end-of-file mark (Ctrl-Z)"}}},
        {"",
         "0,0,0,10\n100.5,-20,15.25,30,Downtown lot\n 200.5, -20 ,15.25,30\n\n  \r\n600,2,3,4\r\r\n500,2,3,4",
         {}},
        {"", "0,0,0,10\nnan,0,0,5\n", {{2, kProblem, "the place is not a finite point"}}},
        {"",
         "0,0,0,10\n1,2,3 m\r\x7F\x1F,4\n",
         {{2, kProblem, "a carriage return without a line feed"},
          {2, kNote, "\" m\\r\\x7F\\x1F\" is not read"}}},
        {"", "0,0,0,10\n500,2,3,4\x1Ax", {{2, kProblem, "Ctrl-Z"}}},
        {"",
         "1,2,3,x\n1..,.5.,nan.,4\n5-,12.m,0,4a\n",
         {{1, kProblem, "(radius) \"x\" is not a number$"},
          {2, kProblem, "\"1..\" reads as 1: \".\" is not read$"},
          {2, kProblem, "\".5.\" reads as 0.5"},
          {2, kProblem, "\"nan.\" reads as nan"},
          {3, kNote, "\"5-\" reads as 5: \"-\""},
          {3, kNote, "\"12.m\" reads as 12: \"m\""},
          {3, kNote, "\"4a\" reads as 4: \"a\""}}},
        // A radius is a whole number: a fraction, an exponent or hexadecimal is misread, "25.0" is not.
        {"",
         "0,0,0,30.9\n100,0,0,1e3\n200,0,0,0x10\n300,0,0,25.0\n",
         {{1, kProblem, "reads as 30: \".9\" is not read (a radius is a whole number)"},
          {2, kProblem, "\"1e3\" reads as 1"},
          {3, kProblem, "\"0x10\" reads as 0"},
          {3, kProblem, "radius 0"},
          {4, kNote, "\"25.0\" reads as 25: \".0\" is not read$"}}},
        {"", "#", {{0, kProblem, "the list holds no"}, {1, kNote, "comment"}}},
    };
    for (const auto& [conf, csv, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::pair(std::string(conf), std::string(csv))));
        ExpectFindings(Check(conf, csv), expected);
    }
}

// UTF-16 as Notepad saves it: a byte order mark, then each character in two bytes, line ends included.
std::string Utf16(std::string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
}

// Files as Windows editors and spreadsheets save them: read as meant, or each with its cause named.
TEST(FolderCheck, FilesAsEditorsAndSpreadsheetsSaveThem) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        std::string conf, csv;
        Findings findings;
        float buy, x; // the buying rate, the first dealer's x
    } cases[] = {
        // The notes' second example shows more of these: a spreadsheet's "CSV UTF-8" with ";" between
        // fields and decimal commas, Notepad's "Unicode". Here big endian, too.
        {Utf16("price_rate_buy=0.9\r\n"),
         Utf16("x,y,z,radius\r\n-412.5,1180,14.8,25,Harbour lot\r\n", true),
         {{0, kNote, "UTF-16 little-endian (Notepad's \"Unicode\""},
          {0, kNote, "UTF-16 big-endian"},
          {1, kNote, "a header line"}},
         0.9f,
         -412.5f},
        // ";" between fields: a radius that happens to read right, a line of three numbers.
        {"",
         "12,5;80,5;3,5;5\r\n-412;1180;14\r\n1;2;3;2147483648\r\n",
         {{1, kProblem, "read as x 12, y 5, z 5, radius 5; meant as x 12.5, y 80.5, z 3.5, radius 5"},
          {2, kProblem,
           "skipped: too few fields: 1 of the 4 needed (x, y, z, radius); fields separated by \";\""},
          {3, kProblem,
           "(x, y, z, radius); fields separated by \";\" (save"}}, // no place: a radius past 32 bits
         0.8f,
         12},
        // Every field quoted; a spreadsheet that quotes decimal commas; Excel's "Unicode Text" (tabs).
        {"",
         "\"x \"\"east\"\"\",\"y\",\"z\",\"radius\"\n\"-412.5\",\"1180.0\",\"14.8\",\"25\",\"Harbour lot\"\n"
         "\"-412,5\",1180,\"14,9\",\"25\"\n\"1290\",\"-640.25\",\"21\"\n",
         {{0, kProblem, "no dealer"},
          {1, kNote, "a header line"},
          {2, kProblem,
           "numbers in quotes: skipped, field 1 (x) \"\"-412.5\"\" is not a number; meant as x -412.5, "
           "y 1180, z 14.8, radius 25 (save the list without quotes)$"},
          {3, kProblem,
           "numbers in quotes and decimal commas: skipped, field 1 (x) \"\"-412\" is not a number; "
           "meant as x -412.5, y 1180, z 14.9, radius 25"},
          {4, kProblem,
           "skipped: too few fields: 3 of the 4 needed (x, y, z, radius); numbers in quotes (save "
           "the list without quotes)$"}},
         0.8f,
         0},
        {"",
         Utf16("-412.5\t1180\t14.8\t25\tHarbour lot, north\r\n"),
         {{0, kNote, "UTF-16"},
          {0, kProblem, "no dealer"},
          {1, kProblem, "fields separated by tabs: skipped"}},
         0.8f,
         0},
        // Rates written as percentages, and a selling rate above the buying one.
        {"price_rate_buy=80\nprice_rate_sell=60\n",
         kOneDealer,
         {{1, kProblem, "buy is 80, above 1: a rate is a share of the dealer's value (did you mean 0.80?)"},
          {2, kProblem, "sell is 60, above 1"}},
         80,
         0},
        {"price_rate_buy=90%\nprice_rate_sell=0.5%\n",
         kOneDealer,
         {{1, kProblem,
           "buy \"90%\" reads as 90: a rate is a share, written without \"%\" (did you mean 0.90?)$"},
          {2, kProblem,
           "sell \"0.5%\" reads as 0.5: a rate is a share, written without \"%\" (did you mean 0.005?)$"}},
         90,
         0},
        {"price_rate_buy=0%\nprice_rate_sell=101\n",
         kOneDealer,
         {{1, kProblem, "buy \"0%\" reads as 0: a rate is a share, written without \"%\"$"},
          {1, kProblem, "buy is 0"},
          {2, kProblem, "sell is 101, above 1: a rate is a share of the dealer's value (1 is all of it)$"}},
         0,
         0},
        {"price_rate_buy=0.8\nprice_rate_sell=1.5\n",
         kOneDealer,
         {{2, kProblem, "sell is 1.5, above 1"}},
         0.8f,
         0},
        {"price_rate_sell=0.7\r\nprice_rate_buy=0.6\r\n",
         kOneDealer,
         {{1, kProblem,
           "price_rate_sell 0.7 is above price_rate_buy 0.6: a player can buy a vehicle and sell it back"}},
         0.6f,
         0},
        // Harmless lines exit 0: a line of text, a radius "25.0", a fifth number.
        {"rates for the harbour\r\n",
         "0,0,0,25.0\r\n100,5,-20,19,30\r\n",
         {{1, kNote, "no \"=\""},
          {1, kNote, "\"25.0\" reads as 25"},
          {2, kNote, "a fifth field \"30\" is a number"}},
         0.8f,
         0},
        // Old Mac line ends; a spreadsheet's own file; UTF-16 without its mark; a second byte order mark.
        {"price_rate_sell=0.5\rprice_rate_buy=0.7\r",
         "PK\x03\x04\x14\0\6\0"s,
         {{1, kProblem, "a carriage return without a line feed"},
          {1, kNote, "\"price_rate_buy\" after the number"},
          {1, kNote, "\"=0.7\\r\" after the value is not read"},
          {0, kProblem, "a spreadsheet's own file (.xlsx, .ods or .xls): save it as CSV text"},
          {0, kProblem, "no dealer"},
          {1, kNote, "a header line"}},
         0.8f,
         0},
        {"",
         "-\0"
         "4\0,\0"
         "1\0,\0"
         "2\0,\0"
         "3\0\r\0\n\0"s,
         {{0, kProblem, "NUL bytes"},
          {0, kProblem, "no dealer"},
          {1, kProblem, "a carriage return without a line feed"},
          {1, kNote, "a header line"},
          {2, kNote, "no number"}},
         0.8f,
         0},
        {"",
         bom + bom + "1,2,3,4\n",
         {{0, kNote, "byte order mark"},
          {0, kProblem, "no dealer"},
          {1, kProblem,
           "a second byte order mark before the first number: skipped, field 1 (x) \"\\uFEFF1\" is not"}},
         0.8f,
         0},
    };
    for (const auto& [conf, csv, expected, buy, x] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::pair(conf, csv)));
        const FolderCheck check = Check(conf, csv);
        ExpectFindings(check, expected);
        EXPECT_EQ(check.buy.value, buy);
        if (x != 0) EXPECT_EQ(check.dealers.at(0).x, x);
    }
}

// Touching zones share no ground (radii compare as floats: 16777217 is 16777216); labels are trimmed.
TEST(FolderCheck, TouchingZonesShareNoGroundAndLabelsAreTrimmed) {
    const FolderCheck check = Check(
        "", "0,0,0,10,  Harbour lot, north side \n0,20,0,10\n-50000000,0,0,16777217\n-33222782,0,0,2\n");
    EXPECT_EQ(check.overlaps.pairs, 0u);
    ASSERT_EQ(check.dealers.size(), 4u);
    EXPECT_EQ(check.dealers[0].label, "Harbour lot, north side");
    // Within another up to its edge is within it; a larger zone on the centre of one before it is not.
    const FolderCheck within = Check("", "0,0,0,10\n5,0,0,5\n0,0,0,5\n0,0,0,20\n");
    const auto by = [&](std::size_t i) { return within.dealers[i].never_chosen_by; };
    EXPECT_EQ(std::tuple(by(1), by(2), by(3)), std::tuple(1u, 1u, 0u));
    // Points so far out that their cells are clamped into the outermost rows: neighbours there still meet.
    EXPECT_EQ(Check("", "1e30,-0.5,0,1\n1e30,1,0,1\n-1e30,-0.5,0,1\n-1e30,1,0,1\n").overlaps.pairs, 2u);
}

// The search finds what comparing every pair finds, with copies, zones within zones, points, huge zones.
TEST(FolderCheck, OverlapsAgreeWithEveryPairCompared) {
    const struct {
        float side; // of the square of the centres
        int smallest, huge;
        std::uint64_t leastBudget;
    } layouts[] = {{500, 0, 100000, 103666}, {150, 41, 0, 151680}}; // sparse; crowded
    for (const auto& [side, smallest, huge, leastBudget] : layouts) {
        SCOPED_TRACE(leastBudget);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> place(-side, side);
        std::uniform_int_distribution<int> radius(smallest, 60), kind(0, 19);
        std::vector<dealers_check::Dealer> dealers;
        for (std::size_t line = 1; line <= 1500; ++line) {
            dealers_check::Dealer dealer{line, place(random), place(random), 0, radius(random), "", 0, false};
            if (const int k = kind(random); k == 0 && !dealers.empty()) { // a copy of an earlier one
                dealer = dealers[random() % dealers.size()];
                dealer.line = line;
            } else if (k == 1) {
                dealer.radius = huge + radius(random);
            } else if (k == 2) {
                dealer.radius = -1;
            }
            dealers.push_back(dealer);
        }
        const auto reach = [&](std::size_t i) { return double{static_cast<float>(dealers[i].radius)}; };
        const auto apart = [&](std::size_t i, std::size_t j) {
            return std::hypot(double{dealers[i].x} - dealers[j].x, double{dealers[i].y} - dealers[j].y);
        };
        const auto holds = [&](std::size_t i, std::size_t j) {
            return dealers[i].radius >= 0 && dealers[j].radius >= 0 && apart(i, j) + reach(j) <= reach(i);
        };
        std::vector<std::size_t> heldBy(dealers.size(), 0); // lines
        for (std::size_t j = 0; j < dealers.size(); ++j)
            for (std::size_t i = 0; i < j && heldBy[j] == 0; ++i)
                if (holds(i, j)) heldBy[j] = dealers[i].line;
        std::uint64_t pairs = 0;
        std::vector<std::pair<std::size_t, std::size_t>> first, found;
        for (std::size_t i = 0; i < dealers.size(); ++i)
            for (std::size_t j = i + 1; j < dealers.size(); ++j)
                if (dealers[i].radius >= 0 && dealers[j].radius >= 0 && heldBy[i] == 0 && heldBy[j] == 0 &&
                    apart(i, j) < reach(i) + reach(j) &&
                    (++pairs, first.size() < dealers_check::kListedOverlaps))
                    first.emplace_back(dealers[i].line, dealers[j].line);

        dealers_check::Overlaps overlaps;
        dealers_check::FindOverlaps(dealers, overlaps);
        EXPECT_TRUE(overlaps.complete);
        EXPECT_EQ(overlaps.pairs, pairs);
        for (const auto& overlap : overlaps.first) found.emplace_back(overlap.first, overlap.second);
        EXPECT_EQ(found, first);
        for (std::size_t j = 0; j < dealers.size(); ++j)
            EXPECT_EQ(dealers[j].never_chosen_by, heldBy[j]) << j;
        // The least budget that completes the search; less leaves lower bounds, and a holder, not the first.
        for (const std::uint64_t budget :
             {leastBudget, leastBudget - 1, leastBudget / 2, std::uint64_t{1000}}) {
            dealers_check::FindOverlaps(dealers, overlaps, budget);
            EXPECT_EQ(overlaps.complete, budget == leastBudget);
            EXPECT_LE(overlaps.pairs, pairs);
            for (std::size_t j = 0; j < dealers.size(); ++j)
                if (const std::size_t by = dealers[j].never_chosen_by; by != 0)
                    EXPECT_TRUE(by <= j && holds(by - 1, j));
        }
    }
}

// The least program the reader takes: headers, a section at file offset and address 0x200 holding the
// resources (type 16, name 1, a language) and version 1.2.3.4; then the changes, each 32 bits little-endian.
using Changes = std::vector<std::pair<std::size_t, std::uint32_t>>;
std::string Program(const Changes& changes = {}) {
    std::string image(0x300, '\0');
    Changes writes = {{0x00, 0x5A4D},      {0x3C, 0x40},        {0x40, 0x4550},    {0x46, 1},
                      {0x54, 0xE0},        {0x58, 0x10B},       {0xB4, 16},        {0xC8, 0x200},
                      {0x144, 0x200},      {0x148, 0x100},      {0x14C, 0x200},    {0x20E, 1},
                      {0x210, 16},         {0x214, 0x80000018}, {0x226, 1},        {0x228, 1},
                      {0x22C, 0x80000030}, {0x23E, 1},          {0x240, 0x409},    {0x244, 0x48},
                      {0x248, 0x260},      {0x24C, 0x5C},       {0x260, 0x34005C}, {0x288, 0xFEEF04BD},
                      {0x290, 0x10002},    {0x294, 0x30004}};
    writes.insert(writes.end(), changes.begin(), changes.end());
    for (const auto& [at, value] : writes)
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> 8 * i);
    return image;
}

// Its version, also of unusual programs; none of one cut short or broken; no program without its headers.
TEST(GameCheck, VersionOfAProgramAndNoneOfOneBrokenAnywhere) {
    using enum dealers_check::PeVersion;
    std::uint16_t words[4] = {};
    EXPECT_EQ(dealers_check::ReadPeFileVersion(Program(), words), Found);
    EXPECT_EQ(std::vector<std::uint16_t>(words, words + 4), (std::vector<std::uint16_t>{1, 2, 3, 4}));
    const std::string whole = Program();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const auto found = size < 0x5A ? NotPe : (size < 0x2BC ? NoVersion : Found);
        EXPECT_EQ(dealers_check::ReadPeFileVersion(whole.substr(0, size), words), found) << size;
    }
    // Three data directories, a named entry before the type, VS_VERSION_INFO the second name.
    const Changes unusual = {{0xB4, 3},  {0x20C, 0x10001},    {0x218, 16}, {0x21C, 0x80000018}, {0x226, 2},
                             {0x228, 2}, {0x22C, 0x80000000}, {0x230, 1},  {0x234, 0x80000030}};
    const std::pair<Changes, dealers_check::PeVersion> cases[] = {
        {{{0x00, 0x5A4E}}, NotPe},
        {{{0x3C, 0x2FE}}, NotPe}, // PE header past the end
        {{{0x40, 0x4551}}, NotPe},
        {{{0x40, 0x1004550}}, NotPe},
        {{{0x58, 0x10C}}, NotPe},
        {{{0x58, 0x20B}, {0xC4, 16}, {0xD8, 0x200}}, Found}, // PE32+
        {{{0x58, 0x20B}}, NoVersion},
        {{{0x44, 0x14C}}, NoVersion}, // no sections
        {{{0xB4, 2}}, NoVersion},
        {{{0x54, 0x78}, {0xDC, 0x200}, {0xE0, 0x100}, {0xE4, 0x200}}, Found},     // sections right after
        {{{0x54, 0x77}, {0xDB, 0x200}, {0xDF, 0x100}, {0xE3, 0x200}}, NoVersion}, // a byte too short
        {{{0xC8, 0}}, NoVersion},
        {{{0x144, 0}, {0xC8, 0}, {0x248, 0x60}}, NoVersion}, // resources at address 0: none
        {{{0x148, 0x60}}, NoVersion},                        // the version right after the section
        {{{0xC8, 0x300}}, NoVersion},
        {{{0x20C, 0x10001}}, NoVersion}, // the entry named
        {unusual, Found},
        {{{0x210, 15}}, NoVersion},
        {{{0x210, 15}, {0x218, 16}, {0x21C, 0x80000018}}, NoVersion}, // one after the entries
        {{{0x214, 0x18}}, NoVersion},
        {{{0x214, 0x19}}, NoVersion},
        {{{0x228, 2}}, Found}, // the first name
        {{{0x22C, 0x30}}, NoVersion},
        {{{0x244, 0x80000048}}, NoVersion},
        {{{0x244, 0xF8}, {0x2F8, 0x260}, {0x2FC, 0x5C}}, Found}, // a field in the last bytes
        {{{0x23C, 0x20000}, {0x248, 0}, {0x24C, 0x58}, {0x258, 0x260}, {0x25C, 0x5C}},
         Found}, // language 0 first
        {{{0x248, 0x300}}, NoVersion},
        {{{0x24C, 0xA0}}, Found},
        {{{0x24C, 0xA1}}, NoVersion},
        {{{0x24C, 0x5B}}, NoVersion},
        {{{0x260, 0x105C}}, NoVersion}, // long, no value
        {{{0x288, 0xFEEF04BE}}, NoVersion},
    };
    for (const auto& [changes, found] : cases)
        EXPECT_EQ(dealers_check::ReadPeFileVersion(Program(changes), words), found)
            << std::hex << changes[0].first;
}

} // namespace
