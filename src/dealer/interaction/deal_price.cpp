#include "dealer/interaction/deal_price.h"

#include "dealer/truncate.h"

#include <charconv>
#include <cmath>

std::int32_t DealPrice(std::int32_t offerPrice, float rate) {
    const float rated = static_cast<float>(offerPrice) * rate;
    const std::int32_t hundreds = TruncateToInt32(rated) / 100;
    return static_cast<std::int32_t>(std::floor(static_cast<double>(hundreds)) * 100.0 - 1.0);
}

const char* FormatPriceLine(std::int32_t price, char (&line)[kPriceLineSize]) {
    line[0] = '$';
    line[1] = ' ';
    char* end = std::to_chars(line + 2, line + kPriceLineSize - 1, price).ptr;
    *end = '\0';
    return line;
}
