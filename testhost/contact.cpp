#include "contact.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
extern unsigned char host_image[];
alignas(16) testhost::SiteRecord g_site_records[testhost::kSiteCount];
std::uint32_t g_active_context_address;
void SiteCallee0();
void SiteCallee1();
void SiteCallee2();
void SiteCallee3();
void SiteCallee4();
void SiteCallee5();
void SiteCallee6();
void SiteCallee7();
std::uint32_t RunSiteCall(std::uint32_t site, const testhost::Registers* registers,
                          const testhost::GameUnit* unit, testhost::UnitImage* after);
}

namespace testhost {
namespace {

constexpr std::uint32_t kImageOffset = 0x1000;
constexpr std::uint32_t kImageSize = 0x1500000;

struct OffsetPair {
    std::uint32_t v1070, v1080;
};

// The game's layout, as the game knows it.
constexpr OffsetPair kSites[kSiteCount] = {
    {0x21601, 0x95141},   {0x4ADB38, 0x770748}, {0x4ADA9D, 0x7706AD}, {0x46AFA8, 0x60E1C8},
    {0x7FE9C6, 0x652C26}, {0x3C4002, 0x46A802}, {0x52C4C2, 0x694232}, {0x3B2E27, 0x456C27},
};
constexpr OffsetPair kActiveScriptContext = {0x1449AE0, 0x1394FB4};

void (*const kCallees[kSiteCount])() = {SiteCallee0, SiteCallee1, SiteCallee2, SiteCallee3,
                                        SiteCallee4, SiteCallee5, SiteCallee6, SiteCallee7};

Layout g_layout = Layout::V1070;
alignas(16) unsigned char g_game_script_context[256];

std::uint32_t Relative(std::uint32_t at, const void* target) {
    return reinterpret_cast<std::uintptr_t>(target) - (at + 5);
}

void WriteBranch(std::uint32_t at, unsigned char opcode, const void* target) {
    auto* code = reinterpret_cast<unsigned char*>(at);
    const std::uint32_t displacement = Relative(at, target);
    code[0] = opcode;
    std::memcpy(code + 1, &displacement, 4);
    FlushInstructionCache(GetCurrentProcess(), code, 5);
}

// An FXSAVE image with EFLAGS, read.
struct UnitView {
    std::uint32_t x87Control, x87Status, x87Tags, mxcsr;
    long double st0;
    std::uint32_t xmm[8][4];
    std::uint32_t directionFlag;
};

UnitView Read(const UnitImage& image) {
    UnitView view{};
    std::memcpy(&view.x87Control, image.fxsave + 0, 2);
    std::memcpy(&view.x87Status, image.fxsave + 2, 2);
    view.x87Tags = image.fxsave[4]; // a bit per physical register, set when it holds a value
    std::memcpy(&view.mxcsr, image.fxsave + 24, 4);
    std::memcpy(&view.st0, image.fxsave + 32, 10);
    std::memcpy(view.xmm, image.fxsave + 160, sizeof view.xmm);
    view.directionFlag = image.eflags >> 10 & 1;
    return view;
}

// Appends "who PART WORDS, not EXPECTED; " when they differ, the words in hexadecimal.
void Compare(std::string& mismatch, const char* who, const std::string& part, const std::uint32_t* got,
             const std::uint32_t* expected, int words = 1) {
    if (std::equal(got, got + words, expected)) return;
    mismatch += std::string(who) + " " + part;
    char word[16];
    for (const std::uint32_t* list : {got, expected}) {
        for (int i = 0; i < words; ++i) {
            std::snprintf(word, sizeof word, " %08X", list[i]);
            mismatch += word;
        }
        mismatch += list == got ? ", not" : "; ";
    }
}

// The values in the x87 stack: 0 when empty, 1 with ST0 alone, 2 for more.
std::uint32_t StackDepth(const UnitView& view) {
    const std::uint32_t top = view.x87Status >> 11 & 7;
    if (view.x87Tags == 0) return 0;
    return view.x87Tags == 1u << top ? 1 : 2;
}

// `view` against `unit` with each XMM word xor `inverted`, MXCSR or `mxcsrFlags`, `depth` x87 values.
void CompareUnit(std::string& mismatch, const char* who, const UnitView& view, const GameUnit& unit,
                 std::uint32_t inverted, std::uint32_t mxcsrFlags, std::uint32_t depth) {
    for (int i = 0; i < 8; ++i) {
        std::uint32_t expected[4];
        for (int j = 0; j < 4; ++j) expected[j] = unit.xmm[i][j] ^ inverted;
        Compare(mismatch, who, "XMM" + std::to_string(i), view.xmm[i], expected, 4);
    }
    const std::uint32_t mxcsr = unit.mxcsr | mxcsrFlags, stackDepth = StackDepth(view);
    Compare(mismatch, who, "MXCSR", &view.mxcsr, &mxcsr);
    Compare(mismatch, who, "x87 control word", &view.x87Control, &unit.x87Control);
    Compare(mismatch, who, "x87 stack depth", &stackDepth, &depth);
    Compare(mismatch, who, "direction flag", &view.directionFlag, &unit.directionFlag);
}

bool PostCallSite(int site) {
    return site == 4 || site == 5;
}

} // namespace

std::uint32_t Base() {
    return reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
}

std::uint32_t ImageSize() {
    return kImageOffset + kImageSize;
}

Layout CurrentLayout() {
    return g_layout;
}

std::uint32_t Address(std::uint32_t offsetV1070, std::uint32_t offsetV1080) {
    const std::uint32_t offset = g_layout == Layout::V1070 ? offsetV1070 : offsetV1080;
    if (offset < kImageOffset || offset >= kImageOffset + kImageSize) std::abort();
    return Base() + offset;
}

void WriteCall(std::uint32_t at, const void* target) {
    WriteBranch(at, 0xE8, target);
}
void WriteJump(std::uint32_t at, const void* target) {
    WriteBranch(at, 0xE9, target);
}
void WriteWord(std::uint32_t at, std::uint32_t value) {
    std::memcpy(reinterpret_cast<void*>(at), &value, 4);
}
std::uint32_t ReadWord(std::uint32_t at) {
    std::uint32_t value;
    std::memcpy(&value, reinterpret_cast<const void*>(at), 4);
    return value;
}

void Start() {
    g_layout = kVariant.layout;
    if (reinterpret_cast<std::uintptr_t>(host_image) != Base() + kImageOffset) std::abort();
    DWORD previous = 0;
    if (!VirtualProtect(host_image, kImageSize, PAGE_EXECUTE_READWRITE, &previous)) std::abort();

    for (int site = 0; site < kSiteCount; ++site) {
        const std::uint32_t at = SiteAddress(site);
        WriteCall(at, reinterpret_cast<const void*>(kCallees[site]));
        reinterpret_cast<unsigned char*>(at)[5] = 0xC3; // ret
    }
    g_active_context_address = ActiveScriptContextAddress();
    WriteWord(g_active_context_address, GameScriptContext());
}

std::uint32_t SiteAddress(int site) {
    return Address(kSites[site].v1070, kSites[site].v1080);
}

std::uint32_t SiteCallee(int site) {
    return reinterpret_cast<std::uintptr_t>(kCallees[site]);
}

GameUnit GameUnitOfRun(std::uint32_t run) {
    GameUnit unit{};
    for (std::uint32_t i = 0; i < 8; ++i)
        for (std::uint32_t j = 0; j < 4; ++j) unit.xmm[i][j] = 0x600D0000 + 0x100 * i + 0x10 * j + run % 16;
    unit.mxcsr = 0x9FC0;      // exceptions masked, flush-to-zero, denormals-are-zero
    unit.x87Control = 0x007F; // exceptions masked, single precision
    unit.stackOffset = 4 * (run % 4);
    return unit;
}

std::uint32_t RunSiteWith(int site, const Registers& registers, const GameUnit& unit, UnitImage& after) {
    return RunSiteCall(SiteAddress(site), &registers, &unit, &after);
}

std::string UnitMismatch(int site, const GameUnit& unit, std::uint32_t object, const UnitImage* seen,
                         const UnitImage& after) {
    std::string mismatch;
    if (seen) CompareUnit(mismatch, "the callee saw", Read(*seen), unit, 0, 0, 0);
    const UnitView left = Read(after);
    const bool post = PostCallSite(site);
    CompareUnit(mismatch, "the game got back", left, unit, 0xFFFFFFFF, 0x20, post);
    if (post && left.st0 != static_cast<std::int32_t>(object)) mismatch += "the game got back another ST0; ";
    return mismatch;
}

std::uint32_t RunSite(int site, const Registers& registers) {
    static std::uint32_t runs = 0;
    const GameUnit unit = GameUnitOfRun(runs++);
    UnitImage after;
    const std::uint32_t result = RunSiteWith(site, registers, unit, after);
    const std::string mismatch = UnitMismatch(site, unit, registers.ecx, &LastRecord(site).unit, after);
    if (!mismatch.empty()) {
        std::fprintf(stderr, "stand-in game, site %d: %s\n", site, mismatch.c_str());
        std::abort();
    }
    return result;
}

const SiteRecord& LastRecord(int site) {
    return g_site_records[site];
}

std::uint32_t PostCallResult(std::uint32_t object) {
    return object ^ 0x5A5A5A5A;
}

std::uint32_t ActiveScriptContextAddress() {
    return Address(kActiveScriptContext.v1070, kActiveScriptContext.v1080);
}

std::uint32_t GameScriptContext() {
    return reinterpret_cast<std::uintptr_t>(g_game_script_context);
}

void RunFrame() {
    RunSite(0, Registers{0, 0, 0, 0, 0, 0, 0});
}

HMODULE LoadPlugin() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll.resize(dll.find_last_of(L"\\/") + 1);
    dll += L"car_dealers.dll";
    return LoadLibraryW(dll.c_str());
}

} // namespace testhost
