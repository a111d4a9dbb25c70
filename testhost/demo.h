#pragma once
#include "world.h"

// A scripted buy-and-sell session with the loaded plugin, printed frame by frame as the player
// sees and hears it. Returns 0 when every step happened as a player expects.
int RunDemo(testhost::World& world);
