#include "dealer/interaction/dealer_tick.h"
#include "runtime/game_events.h"
#include "runtime/host_version.h"

#include <windows.h>

namespace {

// Holds nothing and does nothing: sleeps for the life of the process.
DWORD WINAPI KeepAliveThread(LPVOID) {
    for (;;) Sleep(1000);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;

    // A counted reference to ourselves, never released: the plugin stays mapped until the game ends.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&KeepAliveThread),
                       &self);
    CreateThread(nullptr, 0, KeepAliveThread, self, 0, nullptr);

    EnsureHostState();
    if (g_host_state.version == HostVersion::Unknown) return TRUE;

    InstallGameEvents();
    try {
        ScriptTickEvent.push_back(&DealerTick);
    } catch (...) {
        // Out of memory under the loader lock: stay loaded without a tick rather than end the game.
    }
    return TRUE;
}
