#include "dealer/interaction/dealer_tick.h"
#include "runtime/game_events.h"
#include "runtime/host_version.h"

#include <windows.h>

namespace {

// Holds nothing and does nothing: sleeps for the life of the process.
DWORD WINAPI KeepAliveThread(LPVOID) {
    for (;;) Sleep(1000);
}

// One copy of the plugin runs the dealers in a game, the first to load, whatever its file name or
// version: a player who installs it twice would otherwise get two salesmen, two prices drawn over
// each other, and pay twice for one vehicle. The mark is an atom of the process's own table: it ends
// with the process, no other process sees it, and no child inherits it. Attaching runs under the
// loader lock, so two copies never test and set it at once.
bool ClaimTheGame() {
    constexpr const wchar_t* kMark = L"car_dealers: the dealers of this game run";
    if (FindAtomW(kMark) != 0) return false;
    return AddAtomW(kMark) != 0;
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
    // Another copy runs the game: this one stays idle, as with a build it does not know.
    if (!ClaimTheGame()) return TRUE;

    // The listener is in place before any site can reach it.
    ScriptTickEvent.Append(&DealerTick);
    InstallGameEvents();
    return TRUE;
}
