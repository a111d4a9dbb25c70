#include "dealer/interaction/buying.h"

#include "dealer/dealer_module.h"
#include "dealer/interaction/bargaining.h"
#include "dealer/interaction/deal_price.h"
#include "dealer/interaction/deal_prompt.h"
#include "dealer/interaction/dealer_ped.h"
#include "dealer/interaction/dealer_tick.h"
#include "script/commands.h"
#include "script/host_objects.h"
#include "script/screen_text.h"

namespace {

constexpr float kReach = 3.0f;       // how near a vehicle must stand to be offered
constexpr std::int32_t kMoney = 108; // ReadFloatById: the player's money

} // namespace

std::int32_t GetDealPrice(std::int32_t vehicle) {
    DealerModule& module = g_dealer_module;
    if (!module.current_dealer) return 0;
    const float rate =
        module.deal_state == DealState::Buying ? module.price_rate_buy : module.price_rate_sell;
    const VehicleOffer* offer = module.current_dealer->offers.GetOrCreateOffer(vehicle);
    return offer ? DealPrice(offer->price, rate) : 0; // no memory for a new offer: no price yet
}

void BuyingStep() {
    DealerModule& module = g_dealer_module;
    std::int32_t character = 0;
    GetPlayerCharacter(GetLocalPlayerIndex(), &character);
    if (IsCharacterInAnyVehicle(character)) {
        SetDealState(DealState::AfterDeal);
        return;
    }
    DrawScreenText("Buying", 0.8f, 0.8f, 0.5f);
    WatchDealerPed();
    // A salesman who is gone, dead or attacked sells nothing more in this frame.
    if (module.deal_state != DealState::Buying) return;

    const std::optional<Vector3> player = GetPlayerPosition();
    if (!player) return;
    const std::int32_t vehicle = FindClosestVehicle(player->x, player->y, player->z, kReach);
    if (vehicle == 0) return;
    // E takes only a price the player sees in this very frame.
    if (!DrawDealPrompt(vehicle)) return;
    if (IsKeyPressed(kKeyE))
        BuyVehicle(vehicle);
    else if (IsKeyPressed(kKeyBackspace))
        BargainWithDealer(vehicle);
}

void BuyVehicle(std::int32_t vehicle) {
    DealerModule& module = g_dealer_module;
    const std::int32_t price = GetDealPrice(vehicle);
    const float money = ReadFloatById(kMoney);
    if (static_cast<float>(price) > money) {
        module.message.Show("You cannot afford this");
        SayCharacterSpeech(module.dealer_ped, "GENERIC_FUCK_OFF");
        return;
    }
    SetVehicleOwnedByPlayer(vehicle, true);
    SetVehicleStatusCode(vehicle, 1);
    SetVehicleForSale(vehicle, false);
    AddPlayerMoney(GetPlayerIdentifier(GetLocalPlayerIndex()), -price);
    SetCharacterMoney(module.dealer_ped, price);
    SayCharacterSpeech(module.dealer_ped, "THANKS");
    SetDealState(DealState::AfterDeal);
    module.message.Show("The vehicle is yours!");
    module.deal_vehicle = vehicle; // the after-deal hold applies to the bought vehicle
}
