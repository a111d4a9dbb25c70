#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

// The listeners of one redirected call site, run in the order they were appended. The room is
// fixed, so that registering needs no memory. A listener is published only once it is in place: a
// game thread walking the list while one is appended sees it whole or not at all.
template <class Listener> class ListenerList {
  public:
    static constexpr std::size_t kCapacity = 4;

    // A full list takes no more.
    void Append(Listener listener) {
        const std::size_t count = count_.load(std::memory_order_relaxed);
        if (count == kCapacity) return;
        listeners_[count] = listener;
        count_.store(count + 1, std::memory_order_release);
    }
    // Tests only: the plugin never removes a listener.
    void Clear() { count_.store(0, std::memory_order_release); }

    const Listener* begin() const { return listeners_; }
    const Listener* end() const { return listeners_ + count_.load(std::memory_order_acquire); }
    bool Empty() const { return begin() == end(); }

  private:
    Listener listeners_[kCapacity] = {};
    std::atomic<std::size_t> count_{0};
};

using EventListener = void (*)();
using ObjectEventListener = void (*)(void* hostObject);
using EventList = ListenerList<EventListener>;
using ObjectEventList = ListenerList<ObjectEventListener>;

// Runs before the game's call at site 1, with PluginScriptContext as the active script context:
// the plugin's frame.
extern EventList ScriptTickEvent;
extern EventList PreCallEvent2;
extern EventList PreCallEvent3;
extern EventList PreCallEvent4;
// Run after the game's member function call returned; the argument is that call's object.
extern ObjectEventList PostCallEvent5;
extern ObjectEventList PostCallEvent6;
extern EventList PreCallEvent7;
extern EventList PreCallEvent8;

// The script context the game runs the plugin's commands in. The plugin never writes it.
extern "C" unsigned char PluginScriptContext[256];

inline constexpr int kGameEventCount = 8;

// Where each event's call went before it was redirected (0 while not installed).
extern "C" std::uint32_t g_event_saved_destination[kGameEventCount];

// Redirects the eight call sites of the running game build to the plugin's handlers.
void InstallGameEvents();
