#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// Numbers of the data files, read as the C library reads them in its "C" locale: the decimal point
// is '.', whatever locale another module of the game process has given the shared C runtime. C99's
// forms stay: hexadecimal, infinity and not-a-number.

enum class NumberStatus : unsigned char { Ok, NotANumber, OutOfRange };

template <class T> struct NumberRead {
    NumberStatus status = NumberStatus::NotANumber;
    T value = 0;
    std::size_t length = 0; // characters taken, leading white space included; 0 without a number
};

// As strtod and strtof: leading white space skipped, the longest prefix that forms a number
// converted, correctly rounded. OutOfRange where they report a range error, with their value.
NumberRead<double> ReadDouble(std::string_view text);
NumberRead<float> ReadFloat(std::string_view text);

// As strtol in base 10, limited to 32 bits: OutOfRange beyond them, with the nearest limit.
NumberRead<std::int32_t> ReadInt32(std::string_view text);
