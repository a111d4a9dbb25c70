#include "contact.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
extern unsigned char host_image[];
testhost::SiteRecord g_site_records[testhost::kSiteCount];
std::uint32_t g_active_context_address;
void SiteCallee0();
void SiteCallee1();
void SiteCallee2();
void SiteCallee3();
void SiteCallee4();
void SiteCallee5();
void SiteCallee6();
void SiteCallee7();
std::uint32_t RunSiteCall(std::uint32_t site, const testhost::Registers* registers);
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

std::uint32_t RunSite(int site, const Registers& registers) {
    return RunSiteCall(SiteAddress(site), &registers);
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
