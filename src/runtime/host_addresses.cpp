#include "runtime/host_addresses.h"

#include "runtime/host_version.h"

// Resolved while the plugin loads; the first resolution detects the game build. This is the first
// static initialiser of the library, whatever the link order (MinGW runs the default ones in
// reverse link order): priority 101 runs before every initialiser of default priority, so the
// game's version is known before the event lists are built and the dealer files are read.
HostAddressTable g_host_addresses __attribute__((init_priority(101))) = {
    ResolveHostAddress(0x1449AE0, 0x1394FB4), // ActiveScriptContext
    ResolveHostAddress(0x1219240, 0xE52CD0),  // VehiclePoolPointer
    ResolveHostAddress(0x14A82AC, 0x14CB03C), // CharacterPoolPointer
    ResolveHostAddress(0x11E35A0, 0xE52DE0),  // CharacterFactoryPointer
};
