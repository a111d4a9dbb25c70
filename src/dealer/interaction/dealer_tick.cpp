#include "dealer/interaction/dealer_tick.h"

#include "dealer/dealer_module.h"
#include "dealer/interaction/buying.h"
#include "dealer/interaction/dealer_ped.h"
#include "dealer/interaction/selling.h"
#include "runtime/clock.h"
#include "script/commands.h"
#include "script/host_objects.h"

namespace {

// The dealer's radius holds the player at exactly that distance too.
bool AreaHolds(const DealerRecord& dealer, const Vector3& player) {
    float distance = 0.0f;
    GetDistance2D(dealer.x, dealer.y, player.x, player.y, &distance);
    return static_cast<float>(dealer.radius) >= distance;
}

} // namespace

void DealerTick() {
    DealerModule& module = g_dealer_module;
    if (module.active) {
        if (!FindDealer()) {
            module.active = false;
            return;
        }
        switch (module.deal_state) {
        case DealState::Idle:
            IdleStep();
            break;
        case DealState::Buying:
            BuyingStep();
            break;
        case DealState::Selling:
            SellingStep();
            break;
        case DealState::AfterDeal:
            HoldStep();
            break;
        }
    } else if (module.deal_state != DealState::Idle) {
        SetDealState(DealState::Idle);
    } else if (IsKeyPressed(kKeyE)) {
        module.active = true; // the dealer search starts next frame
    }
    module.message.Draw();
}

bool FindDealer() {
    DealerModule& module = g_dealer_module;
    const std::optional<Vector3> player = GetPlayerPosition();
    if (!player) {
        module.current_dealer = nullptr;
        return false;
    }
    // The current dealer keeps the player while he stays in its area, wherever others overlap it.
    if (module.current_dealer) {
        if (AreaHolds(*module.current_dealer, *player)) return true;
        module.current_dealer = nullptr;
    }
    for (DealerRecord& dealer : module.dealers) {
        if (AreaHolds(dealer, *player)) {
            module.current_dealer = &dealer;
            return true;
        }
    }
    return false;
}

void IdleStep() {
    DealerModule& module = g_dealer_module;
    if (Now() < module.cooldown_until) return;
    std::int32_t character = 0;
    GetPlayerCharacter(GetLocalPlayerIndex(), &character);
    // Opening a deal neither dismisses a ped nor purges offers: the state is set directly.
    if (IsCharacterInAnyVehicle(character)) {
        module.deal_state = DealState::Selling;
        GetCharacterVehicle(character, &module.deal_vehicle);
    } else {
        module.deal_state = DealState::Buying;
    }
    SpawnDealerPed();
}

void SetDealState(DealState state) {
    DealerModule& module = g_dealer_module;
    module.deal_state = state;
    if (state == DealState::Idle) {
        module.active = false;
        module.cooldown_until = Now() + module.cooldown_duration;
    }
    DismissDealerPed();
    if (module.current_dealer) module.current_dealer->offers.PurgeOffers();
}

void HoldStep() {
    DealerModule& module = g_dealer_module;
    const std::int64_t now = Now();
    std::int32_t level = 0;
    const std::int32_t identifier = GetPlayerIdentifier(GetLocalPlayerIndex());
    GetPlayerAlertLevel(identifier, &level);
    std::int32_t character = 0;
    GetPlayerCharacter(GetLocalPlayerIndex(), &character);
    // hold_until keeps the low 32 bits of a time; compared with now it is widened without sign.
    if (IsCharacterInAnyVehicle(character)) {
        std::int32_t vehicle = 0;
        GetCharacterVehicle(character, &vehicle);
        if (std::int64_t{module.hold_until} <= now && vehicle == module.deal_vehicle &&
            static_cast<std::uint32_t>(level) < 2)
            module.hold_until = static_cast<std::uint32_t>(now + module.hold_duration);
    }
    if (std::int64_t{module.hold_until} > now && level == 1) ClearPlayerAlertLevel(identifier);
}
