#pragma once
#include <cstdint>

// The price of the vehicle in the deal state now: the current dealer's offer at the buying rate in
// Buying and at the selling rate otherwise; 0 when there is no current dealer.
std::int32_t GetDealPrice(std::int32_t vehicle);

// A frame of Buying: the vehicle nearest to the player on foot is offered; E buys, BACKSPACE bargains.
void BuyingStep();

// Buys the vehicle at the deal price if the player's money covers it; otherwise the dealer refuses.
void BuyVehicle(std::int32_t vehicle);
