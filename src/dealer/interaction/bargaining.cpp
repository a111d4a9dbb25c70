#include "dealer/interaction/bargaining.h"

#include "dealer/dealer_module.h"
#include "runtime/clock.h"
#include "script/commands.h"

void BargainWithDealer(std::int32_t vehicle) {
    DealerModule& module = g_dealer_module;
    if (!module.current_dealer) return;
    const std::int64_t now = Now();
    if (module.next_bargain_at > now) return;
    module.next_bargain_at = now + module.bargain_interval;

    const bool ok = module.current_dealer->offers.BargainOffer(vehicle, module.deal_state);
    std::int32_t character = 0;
    GetPlayerCharacter(GetLocalPlayerIndex(), &character);
    SayCharacterSpeech(character, "GENERIC_BUY");
    if (DoesCharacterExist(module.dealer_ped))
        SayCharacterSpeech(module.dealer_ped, ok ? "CONV_BIZ_STATE" : "GENERIC_FUCK_OFF");
}
