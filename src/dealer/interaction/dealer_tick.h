#pragma once
#include "dealer/deal_state.h"

// The per-frame dealer logic; the one listener of ScriptTickEvent.
void DealerTick();

// True while a dealer's area holds the player; keeps current_dealer up to date. A frame without
// a player position finds no dealer.
bool FindDealer();

// Idle with the interaction on: opens a deal once the cool-down is over.
void IdleStep();

// Moves the deal to `state`: a return to Idle ends the interaction and starts the cool-down; every
// change dismisses the dealer ped and purges the current dealer's stale offers.
void SetDealState(DealState state);

// After a deal: while the player sits in the deal vehicle, an alert level of 1 is cleared.
void HoldStep();
