#pragma once
#include <cstdint>
#include <list>

// Listeners of the eight redirected call sites, run in the order they were appended.
using EventListener = void (*)();
using ObjectEventListener = void (*)(void* hostObject);
using EventList = std::list<EventListener>;
using ObjectEventList = std::list<ObjectEventListener>;

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
