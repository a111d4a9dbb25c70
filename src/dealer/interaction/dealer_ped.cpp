#include "dealer/interaction/dealer_ped.h"

#include "dealer/dealer_module.h"
#include "dealer/interaction/dealer_tick.h"
#include "script/commands.h"
#include "script/host_objects.h"

#include <random>

void SpawnDealerPed() {
    DealerModule& module = g_dealer_module;
    const DealerRecord* const dealer = module.current_dealer;
    if (!dealer) return;
    std::random_device device;
    std::mt19937 engine(device());
    if (!DoesCharacterExist(module.dealer_ped)) {
        const std::uint32_t model = DealerPedModels[std::uniform_int_distribution<int>(0, 5)(engine)];
        module.dealer_ped = CreateCharacterAt(model, dealer->x, dealer->y, dealer->z);
        SetCharacterMoney(module.dealer_ped, std::uniform_int_distribution<std::int32_t>(0, 20)(engine));
    }
    const std::int32_t player = GetLocalPlayerIndex();
    std::int32_t group = 0;
    GetPlayerGroup(player, &group);
    PrepareCharacterForGroup(module.dealer_ped);
    AddCharacterToGroup(group, module.dealer_ped);
    SetGroupOption(group);
    std::int32_t character = 0;
    GetPlayerCharacter(player, &character);
    SetGroupLeader(group, character);
    SetPlayerGroupOption(player);
    SetCharacterOption(module.dealer_ped);
    SetCharacterMode(module.dealer_ped, 0);
}

void DismissDealerPed() {
    DealerModule& module = g_dealer_module;
    if (module.dealer_ped == 0 || !DoesCharacterExist(module.dealer_ped)) return;
    if (!IsCharacterInjured(module.dealer_ped) && !IsCharacterDead(module.dealer_ped)) {
        RemoveCharacterFromGroup(module.dealer_ped);
        ResetCharacterState(module.dealer_ped);
        SetCharacterMode(module.dealer_ped, 3);
        ResetCharacterActivity(module.dealer_ped);
        if (const DealerRecord* dealer = module.current_dealer)
            SendCharacterToCoordinates(module.dealer_ped, dealer->x, dealer->y, dealer->z);
        else
            DismissCharacter(module.dealer_ped);
    }
    // The game may write to the handle; whatever it leaves there stays.
    ReleaseCharacter(&module.dealer_ped);
}

void WatchDealerPed() {
    DealerModule& module = g_dealer_module;
    if (module.dealer_ped == 0) return;
    if (!DoesCharacterExist(module.dealer_ped) || IsCharacterDead(module.dealer_ped)) {
        SetDealState(DealState::AfterDeal);
        return;
    }
    std::int32_t character = 0;
    GetPlayerCharacter(GetLocalPlayerIndex(), &character);
    if (HasCharacterBeenDamagedBy(module.dealer_ped, character)) SetDealState(DealState::AfterDeal);
}
