#pragma once
#include <cstdint>

// State of the interaction with the dealer the player is at (Part 4.1). 32-bit signed.
enum class DealState : std::int32_t { Idle = 0, Buying = 1, Selling = 2, AfterDeal = 3 };
