#include "imports.h"

#include <cstdlib>
#include <cstring>

namespace testhost {
namespace {

std::int64_t g_clock = 1'800'000'000; // an ordinary day in 2027
std::uint64_t g_allocations = 0;
std::int64_t g_live_blocks = 0;

__int64 __cdecl Time64(__int64* out) {
    if (out) *out = g_clock;
    return g_clock;
}
long __cdecl Time32(long* out) {
    if (out) *out = static_cast<long>(g_clock);
    return static_cast<long>(g_clock);
}
void* Counted(void* block) {
    g_live_blocks += block != nullptr;
    return block;
}
void* __cdecl Malloc(std::size_t size) {
    ++g_allocations;
    return Counted(std::malloc(size));
}
void* __cdecl Calloc(std::size_t count, std::size_t size) {
    ++g_allocations;
    return Counted(std::calloc(count, size));
}
// The C runtime's realloc: a null block is a malloc, a size of 0 frees the block.
void* __cdecl Realloc(void* block, std::size_t size) {
    ++g_allocations;
    void* moved = std::realloc(block, size);
    if (!block) return Counted(moved);
    if (size == 0 && !moved) --g_live_blocks;
    return moved;
}
char* __cdecl Strdup(const char* text) {
    return static_cast<char*>(Counted(_strdup(text)));
}
void __cdecl Free(void* block) {
    g_live_blocks -= block != nullptr;
    std::free(block);
}

struct Replacement {
    const char* name;
    void* function;
    bool heap;
};

const Replacement kReplacements[] = {
    {"_time64", reinterpret_cast<void*>(Time64), false}, {"_time32", reinterpret_cast<void*>(Time32), false},
    {"time", reinterpret_cast<void*>(Time32), false},    {"malloc", reinterpret_cast<void*>(Malloc), true},
    {"calloc", reinterpret_cast<void*>(Calloc), true},   {"realloc", reinterpret_cast<void*>(Realloc), true},
    {"free", reinterpret_cast<void*>(Free), true},       {"_strdup", reinterpret_cast<void*>(Strdup), true},
};

} // namespace

int InterceptPluginImports(HMODULE plugin, bool heap) {
    auto* const base = reinterpret_cast<unsigned char*>(plugin);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int redirected = 0;
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         module->Name != 0; ++module) {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), "msvcrt.dll") != 0) continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Replacement& replacement : kReplacements) {
                if (replacement.heap && !heap) continue;
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), replacement.name) != 0) continue;
                DWORD previous = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &previous);
                slots->u1.Function = reinterpret_cast<std::uintptr_t>(replacement.function);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, previous, &previous);
                ++redirected;
            }
        }
    }
    return redirected;
}

void SetClock(std::int64_t seconds) {
    g_clock = seconds;
}
void AdvanceClock(std::int64_t seconds) {
    g_clock += seconds;
}
std::int64_t Clock() {
    return g_clock;
}
std::uint64_t PluginAllocations() {
    return g_allocations;
}
std::int64_t PluginLiveBlocks() {
    return g_live_blocks;
}

} // namespace testhost
