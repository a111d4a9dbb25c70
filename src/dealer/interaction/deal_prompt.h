#pragma once
#include <cstdint>

// The offer on screen: the price, "[E] Buy" or "[E] Sell", and "[BACKSPACE] Bargain". Nothing
// without a current dealer.
void DrawDealPrompt(std::int32_t vehicle);
