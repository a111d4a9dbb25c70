#include "runtime/host_version.h"

#include <cstdlib>
#include <windows.h>

HostState g_host_state{};

bool ReadFileVersionWords(const wchar_t* path, std::uint16_t (&words)[4]) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) return false;
    void* buffer = std::malloc(size);
    if (buffer == nullptr) return false;

    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    const bool read = GetFileVersionInfoW(path, handle, size, buffer) &&
                      VerQueryValueW(buffer, L"\\", reinterpret_cast<void**>(&info), &length) &&
                      length >= sizeof(VS_FIXEDFILEINFO) && info->dwSignature == 0xFEEF04BD;
    if (read) {
        words[0] = HIWORD(info->dwFileVersionMS);
        words[1] = LOWORD(info->dwFileVersionMS);
        words[2] = HIWORD(info->dwFileVersionLS);
        words[3] = LOWORD(info->dwFileVersionLS);
    }
    std::free(buffer);
    return read;
}

void DetectHostVersion() {
    g_host_state.version = HostVersion::Unknown;

    // A name that fills the buffer may be cut (Windows XP does not even terminate it): it names no
    // file of the game, or another one.
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;

    std::uint16_t words[4];
    if (ReadFileVersionWords(path, words))
        g_host_state.version = HostVersionFromWords(words[0], words[1], words[2], words[3]);
}

std::uint32_t EnsureHostState() {
    if (!g_host_state.initialised) {
        DetectHostVersion();
        g_host_state.base = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
        g_host_state.initialised = true;
    }
    return g_host_state.base;
}

std::uint32_t ResolveHostAddress(std::uint32_t offsetV1070, std::uint32_t offsetV1080) {
    const std::uint32_t base = EnsureHostState();
    switch (g_host_state.version) {
    case HostVersion::V1070:
        return base + offsetV1070;
    case HostVersion::V1080:
        return base + offsetV1080;
    default:
        return 0;
    }
}
