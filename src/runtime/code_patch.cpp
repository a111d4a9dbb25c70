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

} // namespace

std::uint32_t ReadCallDestination(std::uint32_t site) {
    std::uint32_t destination = 0;
    ReadDestination(site, destination);
    return destination;
}

std::uint32_t PatchCall(std::uint32_t site, std::uint32_t target) {
    std::uint32_t previous = 0;
    if (!ReadDestination(site, previous)) return 0;
    auto* const code = reinterpret_cast<unsigned char*>(site);
    {
        CodeProtectionScope scope(site, 1);
        if (!scope.changed()) return previous;
        code[0] = 0xE8;
    }
    {
        CodeProtectionScope scope(site + 1, 4);
        if (!scope.changed()) return previous;
        const std::uint32_t newDisplacement = CallDisplacement(site, target);
        std::memcpy(code + 1, &newDisplacement, 4);
    }
    return previous;
}
