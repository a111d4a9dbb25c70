#pragma once
// Points of contact of the stand-in game: its image region, the eight call sites with the
// game's own callees behind them, the game variables, and loading the plugin as the loader does.
#include <cstdint>
#include <windows.h>

namespace testhost {

// Which build's offsets this executable lays out (its version resource says which build it is).
enum class Layout { V1070, V1080 };

// The build of the game an executable is: defined once per executable by the build.
struct Variant {
    const char* name; // v1070, v1080, v1071, v0_0_10_70, noversion
    Layout layout;
};
extern const Variant kVariant;

struct Registers {
    std::uint32_t eax, ebx, ecx, edx, esi, edi, ebp;
};

// What the game's callee behind a call site saw when it ran.
struct SiteRecord {
    std::uint32_t eax, ecx, edx, ebx, esp, ebp, esi, edi; // registers at entry
    std::uint32_t stack[4];                               // [esp], [esp+4], ...
    std::uint32_t calls;                                  // how often it ran
    std::uint32_t context;                                // the game's active script context then
};
static_assert(sizeof(SiteRecord) == 56);

inline constexpr int kSiteCount = 8;
inline constexpr std::uint32_t kStackArgument1 = 0xA5A50001;
inline constexpr std::uint32_t kStackArgument2 = 0xA5A50002;

// Prepares the image for this executable's layout: region executable, a call at each site to the
// game's own callee, the game variables (ActiveScriptContext starts pointing at the game's own
// context). Call once, first.
void Start();
Layout CurrentLayout();

std::uint32_t Base();
// Bytes from Base() to the end of the game's laid-out image (its header page first).
std::uint32_t ImageSize();
// The address of a game offset of this layout.
std::uint32_t Address(std::uint32_t offsetV1070, std::uint32_t offsetV1080);
// Writes `E8 rel32` (call) or `E9 rel32` (jump) to `target` at `at`.
void WriteCall(std::uint32_t at, const void* target);
void WriteJump(std::uint32_t at, const void* target);
void WriteWord(std::uint32_t at, std::uint32_t value);
std::uint32_t ReadWord(std::uint32_t at);

// The eight call sites, in the plugin's installation order (0 = the frame's site).
std::uint32_t SiteAddress(int site);
// The game's own function that site `site` calls.
std::uint32_t SiteCallee(int site);
// Executes the call instruction at a site with the given registers and two stack arguments, as the
// game would; returns EAX after the call (the member function's result at the post-call sites).
std::uint32_t RunSite(int site, const Registers& registers);
const SiteRecord& LastRecord(int site);
// Value the game's member function at post-call site `site` returns for object `object`.
std::uint32_t PostCallResult(std::uint32_t object);

// Game variables.
std::uint32_t ActiveScriptContextAddress();
std::uint32_t GameScriptContext(); // the pointer the game keeps there between frames

// A frame: the game executes the call at site 0.
void RunFrame();

// Loads the plugin next to this executable (car_dealers.dll) with LoadLibraryW, as the loader does.
HMODULE LoadPlugin();

} // namespace testhost
