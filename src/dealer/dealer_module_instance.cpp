// The dealer module of the plugin, built by this static initialiser when the game's loader maps
// the library. Windows build only: native programs build their own modules.
#include "dealer/dealer_module.h"

DealerModule g_dealer_module;
