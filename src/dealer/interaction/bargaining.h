#pragma once
#include <cstdint>

// The player asks the dealer for a better price on the vehicle: at most one request every
// bargain_interval seconds, at every dealer alike; the salesman answers whether it worked.
void BargainWithDealer(std::int32_t vehicle);
