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

// The displacement of the call at `site`; false when its protection cannot be changed.
bool ReadDisplacement(std::uint32_t site, std::uint32_t& displacement) {
    CodeProtectionScope scope(site + 1, 4);
    if (!scope.changed()) return false;
    std::memcpy(&displacement, reinterpret_cast<const void*>(site + 1), 4);
    return true;
}

} // namespace

std::uint32_t ReadCallDestination(std::uint32_t site) {
    std::uint32_t displacement = 0;
    if (site == 0 || !ReadDisplacement(site, displacement)) return 0;
    return CallDestination(site, displacement);
}

std::uint32_t PatchCall(std::uint32_t site, std::uint32_t target) {
    std::uint32_t displacement = 0;
    if (site == 0 || !ReadDisplacement(site, displacement)) return 0;
    const std::uint32_t previous = CallDestination(site, displacement);
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
