#include "dealer/interaction/selling.h"

#include "dealer/dealer_module.h"
#include "dealer/interaction/bargaining.h"
#include "dealer/interaction/buying.h"
#include "dealer/interaction/deal_prompt.h"
#include "dealer/interaction/dealer_ped.h"
#include "dealer/interaction/dealer_tick.h"
#include "script/commands.h"
#include "script/host_objects.h"
#include "script/screen_text.h"

namespace {

constexpr float kNear = 10.0f; // vehicle and salesman must be this near the player

bool Near(float x, float y, const Vector3& player) {
    float distance = 0.0f;
    GetDistance2D(x, y, player.x, player.y, &distance);
    return distance <= kNear;
}

} // namespace

void SellingStep() {
    DealerModule& module = g_dealer_module;
    if (!DoesVehicleExist(module.deal_vehicle)) return;
    if (!DoesCharacterExist(module.dealer_ped)) return;
    DrawScreenText("Selling", 0.8f, 0.8f, 0.5f);
    WatchDealerPed();
    // A salesman who is dead or attacked buys nothing more in this frame.
    if (module.deal_state != DealState::Selling) return;
    HoldStep();

    const std::optional<Vector3> player = GetPlayerPosition();
    if (!player) return;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    GetVehicleCoordinates(module.deal_vehicle, &x, &y, &z);
    if (!Near(x, y, *player)) return;
    x = y = z = 0.0f;
    GetCharacterCoordinates(module.dealer_ped, &x, &y, &z);
    if (!Near(x, y, *player)) return;

    if (!DrawDealPrompt(module.deal_vehicle)) return;
    if (IsKeyPressed(kKeyE))
        SellVehicle(module.deal_vehicle);
    else if (IsKeyPressed(kKeyBackspace))
        BargainWithDealer(module.deal_vehicle);
}

void SellVehicle(std::int32_t vehicle) {
    DealerModule& module = g_dealer_module;
    const std::int32_t price = GetDealPrice(vehicle);
    SetVehicleOwnedByPlayer(vehicle, false);
    SetVehicleStatusCode(vehicle, 7);
    SetVehicleForSale(vehicle, true);
    ReleaseVehicle(&vehicle); // our own copy: what the game writes there stays here
    AddPlayerMoney(GetPlayerIdentifier(GetLocalPlayerIndex()), price);
    SayCharacterSpeech(module.dealer_ped, "THANKS");
    SetDealState(DealState::Idle);
    module.message.Show("Nice deal!");
}
