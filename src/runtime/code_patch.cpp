#include "runtime/code_patch.h"

#include "runtime/call_displacement.h"

#include <cstring>
#include <windows.h>

CodeProtectionScope::CodeProtectionScope(std::uint32_t address, std::uint32_t size)
    : address_(address), size_(size) {
    DWORD previous = 0;
    changed_ =
        VirtualProtect(reinterpret_cast<void*>(address_), size_, PAGE_EXECUTE_READWRITE, &previous) != 0;
    previous_protection_ = previous;
}

CodeProtectionScope::~CodeProtectionScope() {
    if (!changed_) return;
    DWORD scratch = 0;
    VirtualProtect(reinterpret_cast<void*>(address_), size_, previous_protection_, &scratch);
}

namespace {

// Where the call at `site` goes now; false for site 0 or where its protection cannot be changed.
bool ReadDestination(std::uint32_t site, std::uint32_t& destination) {
    if (site == 0) return false;
    CodeProtectionScope scope(site + 1, 4);
    if (!scope.changed()) return false;
    std::uint32_t displacement = 0;
    std::memcpy(&displacement, reinterpret_cast<const void*>(site + 1), 4);
    destination = CallDestination(site, displacement);
    return true;
}

// Code written at run time is made visible to instruction fetch, as Windows asks.
void Flush(std::uint32_t address, std::uint32_t size) {
    FlushInstructionCache(GetCurrentProcess(), reinterpret_cast<const void*>(address), size);
}

} // namespace

std::uint32_t ReadCallDestination(std::uint32_t site) {
    std::uint32_t destination = 0;
    ReadDestination(site, destination);
    return destination;
}

std::uint32_t PatchCall(std::uint32_t site, std::uint32_t target) {
    std::uint32_t previous = 0;
    if (!ReadDestination(site, previous)) return 0;
    {
        CodeProtectionScope scope(site, 1);
        if (!scope.changed()) return previous;
        *reinterpret_cast<volatile unsigned char*>(site) = 0xE8;
        Flush(site, 1);
    }
    {
        CodeProtectionScope scope(site + 1, 4);
        if (!scope.changed()) return previous;
        // One 32-bit store, so that a game thread executing the call meanwhile goes either where it
        // went or to the target, never to a mix of the two: x86 makes a store that lies within one
        // cache line visible whole, to other processors and to instruction fetch alike (the sites'
        // displacements do, game_events.cpp checks).
        const std::uint32_t displacement = CallDisplacement(site, target);
        asm volatile("movl %1, %0" : "=m"(*reinterpret_cast<std::uint32_t*>(site + 1)) : "r"(displacement));
        Flush(site + 1, 4);
    }
    return previous;
}
