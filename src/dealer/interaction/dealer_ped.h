#pragma once
#include <cstdint>

// Models a new salesman is drawn from; the last stands twice, so it comes up a third of the time.
inline constexpr std::uint32_t DealerPedModels[6] = {0x5B404032, 0x2924DBD8, 0xDA0E92D1,
                                                     0x976C0D95, 0x1B0DCC86, 0x1B0DCC86};

// When a deal opens: creates the salesman at the current dealer unless one still exists, and makes
// him join the player's group.
void SpawnDealerPed();

// On every change of the deal state: sends a live salesman back to the dealer (or away when there
// is no current dealer) and hands him back to the game; a dead or injured one is only handed back.
void DismissDealerPed();

// Each frame of a deal: a salesman who is gone, dead or attacked by the player ends it (AfterDeal).
void WatchDealerPed();
