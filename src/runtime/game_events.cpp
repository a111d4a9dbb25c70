#include "runtime/game_events.h"

#include "runtime/code_patch.h"
#include "runtime/host_addresses.h"
#include "runtime/host_version.h"

#include <atomic>

EventList ScriptTickEvent;
EventList PreCallEvent2;
EventList PreCallEvent3;
EventList PreCallEvent4;
ObjectEventList PostCallEvent5;
ObjectEventList PostCallEvent6;
EventList PreCallEvent7;
EventList PreCallEvent8;

extern "C" {
alignas(16) unsigned char PluginScriptContext[256];
std::uint32_t g_event_saved_destination[kGameEventCount];
std::uint32_t g_event_object[kGameEventCount];
// Entry points in event_handlers.S, in site order.
extern const std::uint32_t g_event_handlers[kGameEventCount];
void DispatchGameEvent(std::uint32_t index);
}

namespace {

struct HostEventSite {
    std::uint32_t offsetV1070;
    std::uint32_t offsetV1080;
};

// Installation order. Site 3 lies 0x9B bytes before site 2 in both builds.
constexpr HostEventSite kEventSites[kGameEventCount] = {
    {0x21601, 0x95141},   // ScriptTickEvent
    {0x4ADB38, 0x770748}, // PreCallEvent2
    {0x4ADA9D, 0x7706AD}, // PreCallEvent3
    {0x46AFA8, 0x60E1C8}, // PreCallEvent4
    {0x7FE9C6, 0x652C26}, // PostCallEvent5
    {0x3C4002, 0x46A802}, // PostCallEvent6
    {0x52C4C2, 0x694232}, // PreCallEvent7
    {0x3B2E27, 0x456C27}, // PreCallEvent8
};

// PatchCall writes a displacement with one 32-bit store, which a game thread passing the site sees
// whole only if it does not cross a cache line. The game is mapped at a multiple of 64 KiB.
constexpr bool DisplacementsWithinCacheLines() {
    for (const HostEventSite& site : kEventSites)
        if ((site.offsetV1070 + 1) % 64 > 60 || (site.offsetV1080 + 1) % 64 > 60) return false;
    return true;
}
static_assert(DisplacementsWithinCacheLines());

EventList* const kPreCallLists[kGameEventCount] = {
    &ScriptTickEvent, &PreCallEvent2, &PreCallEvent3, &PreCallEvent4,
    nullptr,          nullptr,        &PreCallEvent7, &PreCallEvent8,
};

// A listener that throws must not unwind into the game's code, which cannot handle it.
template <class Listener, class... Argument> void RunListener(Listener listener, Argument... argument) {
    try {
        listener(argument...);
    } catch (...) {
    }
}

void DispatchScriptTick() {
    auto* const active = reinterpret_cast<std::uint32_t*>(g_host_addresses.ActiveScriptContext);
    const std::uint32_t hostContext = *active;
    *active = reinterpret_cast<std::uintptr_t>(PluginScriptContext);
    for (EventListener listener : ScriptTickEvent) RunListener(listener);
    *active = hostContext;
}

void DispatchObjectEvent(ObjectEventList& listeners, std::uint32_t index) {
    for (ObjectEventListener listener : listeners)
        RunListener(listener,
                    reinterpret_cast<void*>(*static_cast<volatile std::uint32_t*>(&g_event_object[index])));
}

} // namespace

extern "C" void DispatchGameEvent(std::uint32_t index) {
    switch (index) {
    case 0:
        DispatchScriptTick();
        break;
    case 4:
        DispatchObjectEvent(PostCallEvent5, index);
        break;
    case 5:
        DispatchObjectEvent(PostCallEvent6, index);
        break;
    default:
        for (EventListener listener : *kPreCallLists[index]) RunListener(listener);
        break;
    }
}

void InstallGameEvents() {
    for (int i = 0; i < kGameEventCount; ++i) {
        const std::uint32_t site = ResolveHostAddress(kEventSites[i].offsetV1070, kEventSites[i].offsetV1080);
        // A game thread may pass the site as soon as its displacement points at the handler, which
        // then jumps through the saved destination: store it first. x86 keeps stores in order; the
        // fence keeps the compiler from moving PatchCall's writes before it.
        g_event_saved_destination[i] = ReadCallDestination(site);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        PatchCall(site, g_event_handlers[i]);
    }
}
