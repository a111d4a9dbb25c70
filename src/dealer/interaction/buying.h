#pragma once
#include <cstdint>

// The price of the vehicle in the deal state now: the current dealer's offer at the buying rate in
// Buying and at the selling rate otherwise; 0 when there is no current dealer, or no memory for a
// new offer (a price is never 0 otherwise).
std::int32_t GetDealPrice(std::int32_t vehicle);

// A frame of Buying: the vehicle nearest to the player on foot is offered; E buys, BACKSPACE bargains.
void BuyingStep();

// Buys the vehicle at the deal price if the player's money covers it; otherwise the dealer refuses.
// Only for a vehicle whose price shows.
void BuyVehicle(std::int32_t vehicle);
