// The dealer module of the plugin, built by this static initialiser when the game's loader maps
// the library, after the host address table's (host_addresses.cpp), which runs first. Windows
// build only: native programs build their own modules.
#include "dealer/dealer_module.h"

DealerModule g_dealer_module;
