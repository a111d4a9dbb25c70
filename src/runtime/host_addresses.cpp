#include "runtime/host_addresses.h"

#include "runtime/host_version.h"

// Resolved while the plugin loads; the first of these detects the game build.
HostAddressTable g_host_addresses = {
    ResolveHostAddress(0x1449AE0, 0x1394FB4), // ActiveScriptContext
    ResolveHostAddress(0x1219240, 0xE52CD0),  // VehiclePoolPointer
    ResolveHostAddress(0x14A82AC, 0x14CB03C), // CharacterPoolPointer
    ResolveHostAddress(0x11E35A0, 0xE52DE0),  // CharacterFactoryPointer
};
