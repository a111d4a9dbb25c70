#include "imports.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <winternl.h>

namespace testhost {
namespace {

std::int64_t g_clock = 1'800'000'000; // an ordinary day in 2027
std::uint64_t g_allocations = 0;
std::uint64_t g_refuse_from = 0;
std::uint64_t g_refuse_count = 0;
std::int64_t g_live_blocks = 0;

// Counts an allocation asked for; true when the heap refuses it.
bool Refused() {
    ++g_allocations;
    return g_refuse_from != 0 && g_allocations >= g_refuse_from &&
           g_allocations - g_refuse_from < g_refuse_count;
}

__int64 __cdecl Time64(__int64* out) {
    if (out) *out = g_clock;
    return g_clock;
}
// The runtime's 32-bit clock ends with 2038-01-18 23:59:59 UTC; after that it answers -1.
long __cdecl Time32(long* out) {
    constexpr std::int64_t kLastSecond = 0x7FFFD27F;
    const long now = g_clock >= 0 && g_clock <= kLastSecond ? static_cast<long>(g_clock) : -1;
    if (out) *out = now;
    return now;
}
void* Counted(void* block) {
    g_live_blocks += block != nullptr;
    return block;
}
void* __cdecl Malloc(std::size_t size) {
    return Refused() ? nullptr : Counted(std::malloc(size));
}
void* __cdecl Calloc(std::size_t count, std::size_t size) {
    return Refused() ? nullptr : Counted(std::calloc(count, size));
}
// The C runtime's realloc: a null block is a malloc, a size of 0 frees the block; refused, the block
// stays as it was.
void* __cdecl Realloc(void* block, std::size_t size) {
    if (Refused()) return nullptr;
    void* moved = std::realloc(block, size);
    if (!block) return Counted(moved);
    if (size == 0 && !moved) --g_live_blocks;
    return moved;
}
char* __cdecl Strdup(const char* text) {
    if (Refused()) return nullptr;
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

void* RedirectImport(HMODULE module, const char* dll, const char* name, const void* replacement) {
    auto* const base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imported = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         imported->Name != 0; ++imported) {
        if (_stricmp(reinterpret_cast<const char*>(base + imported->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + imported->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + imported->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            void* const previous = reinterpret_cast<void*>(slots->u1.Function);
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            slots->u1.Function = reinterpret_cast<std::uintptr_t>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

int InterceptPluginImports(HMODULE plugin, bool heap) {
    int redirected = 0;
    for (const Replacement& replacement : kReplacements)
        if ((heap || !replacement.heap) &&
            RedirectImport(plugin, "msvcrt.dll", replacement.name, replacement.function))
            ++redirected;
    return redirected;
}

namespace {

std::vector<std::string> g_load_trace;
bool g_trace_load = false;
bool g_heap_at_load = false;
void (*g_on_mapped)(HMODULE) = nullptr;
decltype(&std::fopen) g_fopen = nullptr;
decltype(&GetFileVersionInfoSizeW) g_version_size = nullptr;

std::FILE* __cdecl TraceFopen(const char* path, const char* mode) {
    g_load_trace.push_back(path);
    return g_fopen(path, mode);
}
DWORD WINAPI TraceVersionSize(LPCWSTR path, LPDWORD handle) {
    g_load_trace.push_back("version");
    return g_version_size(path, handle);
}

// What the loader tells of a module it has mapped (LDR_DLL_NOTIFICATION_DATA).
struct DllNotification {
    ULONG flags;
    const UNICODE_STRING* fullName;
    const UNICODE_STRING* baseName;
    void* base;
    ULONG size;
};

void CALLBACK OnDllNotification(ULONG reason, const DllNotification* data, void*) {
    constexpr ULONG kLoaded = 1;
    if (reason != kLoaded) return;
    const std::wstring name(data->baseName->Buffer, data->baseName->Length / sizeof(wchar_t));
    if (_wcsicmp(name.c_str(), L"car_dealers.dll") != 0) return;
    auto* const plugin = static_cast<HMODULE>(data->base);
    if (g_on_mapped) g_on_mapped(plugin);
    if (g_heap_at_load)
        for (const Replacement& replacement : kReplacements)
            if (replacement.heap)
                RedirectImport(plugin, "msvcrt.dll", replacement.name, replacement.function);
    if (!g_trace_load) return;
    g_fopen = reinterpret_cast<decltype(g_fopen)>(
        RedirectImport(plugin, "msvcrt.dll", "fopen", reinterpret_cast<const void*>(&TraceFopen)));
    g_version_size = reinterpret_cast<decltype(g_version_size)>(RedirectImport(
        plugin, "version.dll", "GetFileVersionInfoSizeW", reinterpret_cast<const void*>(&TraceVersionSize)));
}

void WatchPluginLoad() {
    using Register = LONG(NTAPI*)(ULONG, decltype(&OnDllNotification), void*, void**);
    const auto registerNotification = reinterpret_cast<Register>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrRegisterDllNotification")));
    static void* cookie = nullptr;
    if (!cookie && registerNotification) registerNotification(0, &OnDllNotification, nullptr, &cookie);
}

} // namespace

void TracePluginLoad() {
    g_trace_load = true;
    WatchPluginLoad();
}

void InterceptPluginHeapAtLoad() {
    g_heap_at_load = true;
    WatchPluginLoad();
}

void OnPluginMapped(void (*mapped)(HMODULE plugin)) {
    g_on_mapped = mapped;
    WatchPluginLoad();
}

const std::vector<std::string>& PluginLoadTrace() {
    return g_load_trace;
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
void RefuseAllocationsFrom(std::uint64_t n, std::uint64_t count) {
    g_refuse_from = n;
    g_refuse_count = count;
}
std::int64_t PluginLiveBlocks() {
    return g_live_blocks;
}

} // namespace testhost
