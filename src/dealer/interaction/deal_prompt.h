#pragma once
#include <cstdint>

// The offer on screen: the price, "[E] Buy" or "[E] Sell", and "[BACKSPACE] Bargain". Nothing, and
// false, without a price: no current dealer, or no memory for a new offer.
bool DrawDealPrompt(std::int32_t vehicle);
