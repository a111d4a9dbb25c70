#pragma once
#include <cstdint>

// Where the game keeps four pointers it owns; resolved once while the plugin loads, 0 under an
// unknown build. Read the pointer through the address at the moment of use; never cache it.
struct HostAddressTable {
    std::uint32_t ActiveScriptContext;
    std::uint32_t VehiclePoolPointer;
    std::uint32_t CharacterPoolPointer;
    std::uint32_t CharacterFactoryPointer;
};

extern HostAddressTable g_host_addresses;

// Reads the pointer stored in a game variable; 0 when the variable's address is 0.
inline std::uint32_t ReadHostPointer(std::uint32_t variableAddress) {
    return variableAddress ? *reinterpret_cast<volatile std::uint32_t*>(variableAddress) : 0;
}
