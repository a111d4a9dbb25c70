#pragma once

// The per-frame dealer logic; the one listener of ScriptTickEvent.
void DealerTick();
