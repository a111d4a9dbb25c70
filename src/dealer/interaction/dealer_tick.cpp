#include "dealer/interaction/dealer_tick.h"

void DealerTick() {}
