#include "dealer/interaction/deal_prompt.h"

#include "dealer/dealer_module.h"
#include "dealer/interaction/buying.h"
#include "dealer/interaction/deal_price.h"
#include "script/screen_text.h"

bool DrawDealPrompt(std::int32_t vehicle) {
    const std::int32_t price = GetDealPrice(vehicle);
    if (price == 0) return false; // no current dealer, or no memory for the offer
    char line[kPriceLineSize];
    DrawScreenText(FormatPriceLine(price, line), 0.1f, 0.1f, 1.0f);
    DrawScreenText(g_dealer_module.deal_state == DealState::Buying ? "[E] Buy" : "[E] Sell", 0.7f, 0.1f,
                   0.3f);
    DrawScreenText("[BACKSPACE] Bargain", 0.7f, 0.14f, 0.3f);
    return true;
}
