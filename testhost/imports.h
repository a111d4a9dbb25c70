#pragma once
// The game's side of the plugin's imports: after LoadPlugin, its clock and heap functions are
// pointed at the game, so tests set the time the plugin reads and count the allocations it makes;
// before its static initialisers run, its start-up reads can be traced.
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

namespace testhost {

// Redirects the clock (_time64, _time32, time) and, with `heap`, the heap functions (malloc, calloc,
// realloc, _strdup, free) that the plugin imports from the C runtime. Returns how many import slots were
// redirected. A test program that links the plugin's code in-process redirects its own clock only
// (the game's heap functions call the C runtime through the same imports).
int InterceptPluginImports(HMODULE plugin, bool heap = true);

// Points `module`'s import of `name` from `dll` at `replacement`; returns what the import slot held,
// or null when the module does not import it.
void* RedirectImport(HMODULE module, const char* dll, const char* name, const void* replacement);

// From the moment the plugin is mapped, before its static initialisers run (a DLL load
// notification), records in order its reads of the game's version information ("version") and
// the paths of the files it opens.
void TracePluginLoad();
const std::vector<std::string>& PluginLoadTrace();
// From the moment the plugin is mapped, its heap functions are the game's too (as
// InterceptPluginImports makes them), so that its start-up allocations are counted and can be refused.
void InterceptPluginHeapAtLoad();
// Calls `mapped` with the plugin's module as soon as it is mapped, before its static initialisers run.
void OnPluginMapped(void (*mapped)(HMODULE plugin));

void SetClock(std::int64_t seconds);
void AdvanceClock(std::int64_t seconds);
std::int64_t Clock();

// Heap allocations (malloc, calloc, realloc, _strdup) the plugin has asked for since its imports were
// redirected, refused ones too.
std::uint64_t PluginAllocations();
// From the n-th of those allocations on (the first is 1), the game's heap is out of memory for `count`
// of them: each is refused with a null block, as the C runtime refuses it. 0 refuses none.
void RefuseAllocationsFrom(std::uint64_t n, std::uint64_t count = UINT64_MAX);
// Heap blocks the plugin allocated since then less those it freed (blocks from before count when
// freed, so only a change of this figure says something).
std::int64_t PluginLiveBlocks();

} // namespace testhost
