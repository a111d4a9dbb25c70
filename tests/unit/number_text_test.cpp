// The data files' numbers read as the C library reads them in its "C" locale, also where another module
// of the game has set a locale with a decimal comma.
#include "dealer/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

using namespace std::string_literals;

// The C library's own reading, in the "C" locale.
template <class T> NumberRead<T> Reference(const std::string& text, T (*convert)(const char*, char**)) {
    errno = 0;
    char* end = nullptr;
    const T value = convert(text.c_str(), &end);
    const auto length = static_cast<std::size_t>(end - text.c_str());
    if (length == 0) return {};
    return {errno == ERANGE ? NumberStatus::OutOfRange : NumberStatus::Ok, value, length};
}

// Bit for bit, but for a not-a-number's payload, which makes no price or place.
template <class T> void ExpectSame(const NumberRead<T>& got, const NumberRead<T>& want) {
    EXPECT_EQ(got.status, want.status);
    EXPECT_EQ(got.length, want.length);
    if (std::isnan(want.value))
        EXPECT_TRUE(std::isnan(got.value) && std::signbit(got.value) == std::signbit(want.value));
    else if constexpr (sizeof(T) == 4)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(got.value), std::bit_cast<std::uint32_t>(want.value));
    else
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got.value), std::bit_cast<std::uint64_t>(want.value));
}

// Halfway between two floats and between two doubles, decided only by a digit far down; numbers a
// thousand digits long; every C99 form and where each ends.
const std::string kTexts[] = {
    // Where a decimal number starts and ends.
    "0.5", " \t\n\v\f\r-12.75e+2xyz", "+.5", "5.", ".", "-", "+-1", "1e", "1e+", "1e-x", "1.5e3.2", "1..2",
    "/5", ":5", "5/", "5:", "1e+5", "1E-2x", "1,5", "0,7", "1\0002"s, "",
    // Long numbers, halfway points decided far down, the ends of the float and double ranges.
    "00000000000000000000000000000012.5000000000000000000000000",
    "0.000000000000000000000000000000000000000000001401298464324817", "16777217",
    "16777217.000000000000000000000000000000000000000000000000000001", "9007199254740993",
    "9007199254740993" + std::string(1000, '0') + "e-1000",
    "9007199254740992" + std::string(900, '0') + "1e-901",
    "9007199254740992" + std::string(900, '0') + "e-900", "0." + std::string(1000, '0') + "1e1001",
    std::string(1000, '9'), "1e999999999999999999999", "1e-999999999999999999999", "-0", "-0.0e5",
    "3.4028235e38", "3.4028236e38", "1e-46", "1e-400", "2.2250738585072011e-308",
    // Hexadecimal, and the characters around its digits.
    "0x1p-1", "0X1.8P3", "0x.8", "-0x1.fffffep127", "0x1.ffffffp127", "0x1.000001p0",
    "0x1.0000010000000000000000000000000000000001p0", "0x" + std::string(60, 'f') + "p-240", "0xaA.fFp0",
    "0xBCDE", "0x", "0x@", "0xG", "0x`1", "0xg", "0x/", "0x:", "0x.g", "0x.", "0x.p1", "0x1p", "0X0.0p9",
    "0y1", "\x10x1", "0x\0168",
    // Infinity and not-a-number, words one letter off, payloads of every character class.
    "inf", "-Infinity and more", "INFINITE", "xnf", "nan", "-NaN", "NAN", " +nan(x)y", "nan(123)",
    "nan(abc_9)x", "nan(0)", "nan(Z_z9)", "nan(A)", "nan()", "nan(@)", "nan([)", "nan(`)", "nan({)", "nan(/)",
    "nan(:)", "nan(", "nan(1 2)", "xan"};

TEST(Numbers, ReadAsTheCLibraryReadsThemInTheCLocale) {
    for (const std::string& text : kTexts) {
        SCOPED_TRACE(testing::PrintToString(text));
        errno = EDOM; // the caller's, given back
        ExpectSame(ReadDouble(text), Reference<double>(text, std::strtod));
        errno = EDOM;
        ExpectSame(ReadFloat(text), Reference<float>(text, std::strtof));
        errno = EDOM;
        ReadDouble(text);
        EXPECT_EQ(errno, EDOM);
    }
}

// strtol in base 10, held to 32 bits.
TEST(Numbers, WholeNumbersStopAtThe32BitLimits) {
    const std::tuple<std::string, NumberStatus, std::int32_t, std::size_t> cases[] = {
        {"30", NumberStatus::Ok, 30, 2},
        {"  -7.9", NumberStatus::Ok, -7, 4},
        {"+0x10", NumberStatus::Ok, 0, 2},
        {"+5", NumberStatus::Ok, 5, 2},
        {"2147483647", NumberStatus::Ok, INT32_MAX, 10},
        {"-2147483648", NumberStatus::Ok, INT32_MIN, 11},
        {"2147483648", NumberStatus::OutOfRange, INT32_MAX, 10},
        {"-2147483649", NumberStatus::OutOfRange, INT32_MIN, 11},
        {"000000000000000000000000000042", NumberStatus::Ok, 42, 30},
        {"99999999999999999999999999999", NumberStatus::OutOfRange, INT32_MAX, 29},
        {"-", NumberStatus::NotANumber, 0, 0},
        {" x1", NumberStatus::NotANumber, 0, 0},
        {"", NumberStatus::NotANumber, 0, 0},
    };
    for (const auto& [text, status, value, length] : cases) {
        const NumberRead<std::int32_t> read = ReadInt32(text);
        EXPECT_EQ(std::tuple(read.status, read.value, read.length), std::tuple(status, value, length))
            << text;
    }
}

// Another module of the game set a locale with a decimal comma before the plugin loaded (as
// setlocale(LC_ALL, "") does on such a system): a rate of 0.9 is 0.9, a dealer at 100.5 is at 100.5.
TEST(Numbers, AreReadAlikeWhereTheProcessHasADecimalComma) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "scripts/setup makes this locale";
    ASSERT_EQ(std::strtod("0.9", nullptr), 0.0); // the C library itself reads it the German way
    EXPECT_EQ(ReadDouble("0.9").value, 0.9);
    EXPECT_EQ(ReadDouble("0.9").length, 3u);
    EXPECT_EQ(ReadFloat("100.5").value, 100.5f);
    EXPECT_EQ(ReadFloat("0,5").length, 1u);
    EXPECT_EQ(ReadDouble("-0x1.8p1 ").value, -3.0);
    EXPECT_EQ(ReadFloat(" 1.5e2").value, 150.0f);
    std::setlocale(LC_ALL, "C");
}

} // namespace
