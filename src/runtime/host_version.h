#pragma once
#include "runtime/version_number.h"
#include <cstdint>

// Process-wide cache of the game module's base and build; filled once, never reset.
struct HostState {
    bool initialised;
    std::uint32_t base;
    HostVersion version;
};

extern HostState g_host_state;

// Fills g_host_state on first use; returns the game module's base address.
std::uint32_t EnsureHostState();

// Reads the file version of the game executable into g_host_state.version.
void DetectHostVersion();

// The four file version words of the executable at path, from its version resource's fixed file
// information; false when it has none or it cannot be read. DetectHostVersion's reading, also
// used by dealers-check.exe.
bool ReadFileVersionWords(const wchar_t* path, std::uint16_t (&words)[4]);

// base + offset of the running build; 0 under Unknown. The one way to get a game address.
std::uint32_t ResolveHostAddress(std::uint32_t offsetV1070, std::uint32_t offsetV1080);
