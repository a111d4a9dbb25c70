#pragma once
#include <cstdint>

// The price shown, charged and paid for an offer's base price at a rate: the rated price
// (single precision, truncated) cut to whole hundreds and lowered by one, so it ends in 99.
// 12345 at 0.8 gives 9799; a rated price from -99 to 99 gives -1. Never 0.
std::int32_t DealPrice(std::int32_t offerPrice, float rate);

// "$ " and the price in decimal, into `line` (room for "$ -2147483648" and the terminator).
inline constexpr int kPriceLineSize = 16;
const char* FormatPriceLine(std::int32_t price, char (&line)[kPriceLineSize]);
