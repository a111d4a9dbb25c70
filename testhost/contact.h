#pragma once
// Points of contact of the stand-in game: its image region, the eight call sites with the
// game's own callees behind them, the game variables, and loading the plugin as the loader does.
#include <cstddef>
#include <cstdint>
#include <string>
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

// What the game holds in the floating-point and vector unit when it executes a call site (its x87
// stack is empty), and how far below a 16-byte boundary it has its stack.
struct GameUnit {
    std::uint32_t xmm[8][4];
    std::uint32_t mxcsr;
    std::uint32_t x87Control;
    std::uint32_t directionFlag; // 0 or 1
    std::uint32_t stackOffset;   // 0, 4, 8 or 12
};
static_assert(sizeof(GameUnit) == 144);

// The unit as FXSAVE stores it, and EFLAGS.
struct alignas(16) UnitImage {
    unsigned char fxsave[512];
    std::uint32_t eflags;
};

// What the game's callee behind a call site saw when it ran.
struct SiteRecord {
    std::uint32_t eax, ecx, edx, ebx, esp, ebp, esi, edi; // registers at entry
    std::uint32_t stack[4];                               // [esp], [esp+4], ...
    std::uint32_t calls;                                  // how often it ran
    std::uint32_t context;                                // the game's active script context then
    UnitImage unit;                                       // at entry
};
static_assert(offsetof(SiteRecord, unit) == 64 && sizeof(SiteRecord) == 592);

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
// The game keeps its own unit (GameUnitOfRun) there: when its callee saw another or the game gets
// back another than the callee left, it says so on stderr and ends the program.
std::uint32_t RunSite(int site, const Registers& registers);
// The game's unit at its `run`th site: XMM0 to XMM7 of its own, flush-to-zero and denormals-are-zero,
// x87 single precision, the direction flag clear, the stack at each offset in turn.
GameUnit GameUnitOfRun(std::uint32_t run);
// Executes a site with this unit; `after` receives the unit as the game found it after the call.
std::uint32_t RunSiteWith(int site, const Registers& registers, const GameUnit& unit, UnitImage& after);
// What is wrong with a site's unit, or "": what the callee saw (`seen`, unless null) against what the
// game executed the site with, and what the game found after it against what the callee leaves (each
// XMM inverted, MXCSR's precision flag raised and, at a post-call site, `object` as a number in ST0).
std::string UnitMismatch(int site, const GameUnit& unit, std::uint32_t object, const UnitImage* seen,
                         const UnitImage& after);
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
