// The plugin's runtime linked into a stand-in game, seen from inside: address resolution, call patching,
// game event dispatch and the 32-bit build's price rules.
#include "contact.h"
#include "dealer/interaction/deal_price.h"
#include "dealer/vehicle_offers.h"
#include "imports.h"
#include "runtime/code_patch.h"
#include "runtime/game_events.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

std::vector<int> g_calls;
std::uint32_t g_context_seen = 0;

DWORD Protection(std::uint32_t address) {
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof info);
    return info.Protect;
}

// Installation watched at each protection change: a game thread passing a site right after its
// displacement is written must reach the game's callee, never an empty saved destination.
int g_passes_to_callee[testhost::kSiteCount];
int g_passes_to_nothing = 0;
decltype(&VirtualProtect) g_virtual_protect = nullptr;

BOOL WINAPI ProtectThenPassTheSite(LPVOID address, SIZE_T size, DWORD protection, PDWORD previous) {
    const BOOL changed = g_virtual_protect(address, size, protection, previous);
    for (int site = 0; site < testhost::kSiteCount; ++site) {
        const std::uint32_t at = testhost::SiteAddress(site);
        if (reinterpret_cast<std::uintptr_t>(address) != at + 1) continue;
        if (at + 5 + testhost::ReadWord(at + 1) == testhost::SiteCallee(site)) continue; // not redirected yet
        if (g_event_saved_destination[site] == 0) {
            ++g_passes_to_nothing; // the game would jump to address 0
            continue;
        }
        const std::uint32_t calls = testhost::LastRecord(site).calls;
        testhost::RunSite(site, {});
        g_passes_to_callee[site] += static_cast<int>(testhost::LastRecord(site).calls - calls);
    }
    return changed;
}

class GameEvents : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        const HMODULE game = GetModuleHandleW(nullptr);
        g_virtual_protect = &VirtualProtect; // the system's, before redirection
        testhost::RedirectImport(game, "kernel32.dll", "VirtualProtect",
                                 reinterpret_cast<const void*>(&ProtectThenPassTheSite));
        InstallGameEvents();
        testhost::RedirectImport(game, "kernel32.dll", "VirtualProtect",
                                 reinterpret_cast<const void*>(g_virtual_protect));
    }
    void TearDown() override {
        for (EventList* list : {&ScriptTickEvent, &PreCallEvent7}) list->Clear();
        testhost::WriteWord(testhost::ActiveScriptContextAddress(), testhost::GameScriptContext());
    }
};

// Calls split after each of their bytes, one at a page's start, one ending where reserved space begins, on
// unreadable pages: touching a byte outside the changed range faults. A patch returns the old call target
// and restores the protection; reserved space, a call running into it and address 0 are left alone.
TEST(PatchCall, ReadsAndWritesACallAcrossAPageBoundaryWhole) {
    auto* pages = static_cast<unsigned char*>(VirtualAlloc(nullptr, 4 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(VirtualAlloc(pages, 3 * 4096, MEM_COMMIT, PAGE_NOACCESS), nullptr);
    const std::uint32_t first = reinterpret_cast<std::uintptr_t>(pages), below = first - 0x1000;
    DWORD previous = 0;
    for (const std::uint32_t site :
         {first + 4092, first + 4093, first + 4094, first + 4095, first + 4096, first + 3 * 4096 - 5}) {
        VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READWRITE, &previous);
        testhost::WriteCall(site, reinterpret_cast<const void*>(below));
        VirtualProtect(pages, 3 * 4096, PAGE_NOACCESS, &previous);
        EXPECT_EQ(PatchCall(site, 0x64000000), below) << site - first;
        EXPECT_EQ(PatchCall(site, 0x65000000), 0x64000000u) << site - first;
        for (int page = 0; page < 3; ++page) EXPECT_EQ(Protection(first + page * 4096), DWORD{PAGE_NOACCESS});
        VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READ, &previous);
        EXPECT_EQ(pages[site - first], 0xE8);
        EXPECT_EQ(site + 5 + testhost::ReadWord(site + 1), 0x65000000u) << site - first;
    }
    // Opcode and displacement on pages of different protections: each keeps its own.
    VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READWRITE, &previous);
    testhost::WriteCall(first + 4095, reinterpret_cast<const void*>(below));
    VirtualProtect(pages, 4096, PAGE_NOACCESS, &previous);
    VirtualProtect(pages + 4096, 4096, PAGE_READONLY, &previous);
    EXPECT_EQ(PatchCall(first + 4095, 0x64000000), below);
    EXPECT_EQ(std::pair(Protection(first), Protection(first + 4096)),
              std::pair(DWORD{PAGE_NOACCESS}, DWORD{PAGE_READONLY}));
    VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READWRITE, &previous);
    pages[3 * 4096 - 1] = 0xCC; // not even a call
    EXPECT_EQ(PatchCall(first + 3 * 4096 - 1, 0x64000000), 0u);
    EXPECT_EQ(pages[3 * 4096 - 1], 0xCC);
    EXPECT_EQ(PatchCall(first + 3 * 4096, 0x64000000), 0u);
    EXPECT_EQ(ReadCallDestination(first + 3 * 4096), 0u);
    EXPECT_EQ(PatchCall(0, 0x64000000), 0u);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(GameEvents, ASitePassedWhileBeingInstalledReachesTheGamesCallee) {
    EXPECT_EQ(g_passes_to_nothing, 0);
    for (int site = 0; site < testhost::kSiteCount; ++site) EXPECT_EQ(g_passes_to_callee[site], 1) << site;
}

// After the tick listeners the game's script context is back, a null one too.
TEST_F(GameEvents, ListenersRunInOrderInThePluginsContextAndAThrowDoesNotReachTheGame) {
    ScriptTickEvent.Append([] {
        g_context_seen = testhost::ReadWord(testhost::ActiveScriptContextAddress());
        g_calls.push_back(1);
    });
    ScriptTickEvent.Append([] { throw std::runtime_error("listener failed"); });
    ScriptTickEvent.Append([] { g_calls.push_back(2); });
    PreCallEvent7.Append([] { g_calls.push_back(7); });
    const std::uint32_t callsBefore = testhost::LastRecord(0).calls;
    testhost::RunFrame();
    EXPECT_EQ(g_calls, (std::vector<int>{1, 2}));
    EXPECT_EQ(g_context_seen, reinterpret_cast<std::uintptr_t>(PluginScriptContext));
    EXPECT_EQ(std::pair(testhost::LastRecord(0).calls, testhost::LastRecord(0).context),
              std::pair(callsBefore + 1, testhost::GameScriptContext()));
    EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), testhost::GameScriptContext());
    testhost::RunSite(6, {});
    EXPECT_EQ(g_calls, (std::vector<int>{1, 2, 7}));

    testhost::WriteWord(testhost::ActiveScriptContextAddress(), 0);
    g_context_seen = 0;
    testhost::RunFrame();
    EXPECT_EQ(g_context_seen, reinterpret_cast<std::uintptr_t>(PluginScriptContext));
    EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), 0u);
}

// Single precision throughout, as in the 32-bit build: a rated price on a whole hundred is not lost to
// excess precision.
TEST(FloatRules, PricesNearWholeNumbersMatchTheNativeBuild) {
    EXPECT_EQ(DealPrice(10000, 0.9f), 8999); // 10000 x 0.9f is 9000 in single precision, 8999.9998 in x87
    EXPECT_EQ(DealPrice(12345, 0.8f), 9799);
    EXPECT_EQ(DealPrice(12345, 0.5f), 6099);
    EXPECT_EQ(AppraisalBasisOf(999.9f, 20000).q, 19980u);
    EXPECT_EQ(AppraisalBasisOf(-1.0f, 20000).q, 4294947u);
}

} // namespace
