#pragma once
#include <cstdint>

// A frame of Selling: once the deal vehicle and the dealer ped are near the player, the dealer's
// price is offered; E sells, BACKSPACE bargains.
void SellingStep();

// Sells the vehicle at the deal price and hands it back to the game.
void SellVehicle(std::int32_t vehicle);
