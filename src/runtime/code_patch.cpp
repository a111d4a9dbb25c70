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

std::uint32_t PatchCall(std::uint32_t site, std::uint32_t target) {
    if (site == 0) return 0;
    auto* const code = reinterpret_cast<unsigned char*>(site);

    std::uint32_t displacement = 0;
    {
        CodeProtectionScope scope(site + 1, 4);
        if (!scope.changed()) return 0;
        std::memcpy(&displacement, code + 1, 4);
    }
    const std::uint32_t previous = CallDestination(site, displacement);
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
