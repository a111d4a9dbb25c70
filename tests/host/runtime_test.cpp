// The plugin's runtime linked into a stand-in game: address resolution, call patching and the
// dispatch of the game events, observed from the inside.
#include "contact.h"
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

// Installation watched at each protection change: a game thread that passes a site right after
// its displacement is written must reach the game's own callee, never an empty saved destination.
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
        g_virtual_protect = &VirtualProtect; // the system's, taken before it is redirected
        testhost::RedirectImport(game, "kernel32.dll", "VirtualProtect",
                                 reinterpret_cast<const void*>(&ProtectThenPassTheSite));
        InstallGameEvents();
        testhost::RedirectImport(game, "kernel32.dll", "VirtualProtect",
                                 reinterpret_cast<const void*>(g_virtual_protect));
    }
    void SetUp() override {
        g_calls.clear();
        g_context_seen = 0;
    }
    void TearDown() override {
        for (EventList* list : {&ScriptTickEvent, &PreCallEvent2, &PreCallEvent7}) list->clear();
        PostCallEvent5.clear();
        PostCallEvent6.clear();
        testhost::WriteWord(testhost::ActiveScriptContextAddress(), testhost::GameScriptContext());
    }
};

TEST(PatchCall, ReturnsThePreviousDestinationAndKeepsTheProtection) {
    // A spare call site in the game image, at the far end from everything else.
    const std::uint32_t site = testhost::Base() + 0x1400000;
    const std::uint32_t below = testhost::Base() + 0x2000; // destination below the site
    testhost::WriteCall(site, reinterpret_cast<const void*>(below));
    DWORD previous = 0;
    ASSERT_TRUE(VirtualProtect(reinterpret_cast<void*>(site), 5, PAGE_EXECUTE_READ, &previous));

    const std::uint32_t first = 0x64000000, second = 0x65000000;
    EXPECT_EQ(PatchCall(site, first), below);
    EXPECT_EQ(Protection(site), static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_EQ(PatchCall(site, second), first);
    EXPECT_EQ(*reinterpret_cast<const unsigned char*>(site), 0xE8);
    EXPECT_EQ(site + 5 + testhost::ReadWord(site + 1), second);
    EXPECT_EQ(Protection(site), static_cast<DWORD>(PAGE_EXECUTE_READ));
    VirtualProtect(reinterpret_cast<void*>(site), 5, previous, &previous);
    EXPECT_EQ(PatchCall(0, first), 0u);
}

TEST(PatchCall, LeavesCodeWhoseProtectionCannotBeChangedAlone) {
    // Reserved address space: no protection change is possible there, and touching it would fault.
    void* reserved = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    EXPECT_EQ(PatchCall(reinterpret_cast<std::uintptr_t>(reserved), 0x64000000), 0u);
    EXPECT_EQ(ReadCallDestination(reinterpret_cast<std::uintptr_t>(reserved)), 0u);
    VirtualFree(reserved, 0, MEM_RELEASE);
}

// Calls across a page boundary, each byte of the call on either page, and one that ends where
// reserved space begins. The pages cannot even be read without a protection change: a byte read or
// written outside the changed range faults. A call running into reserved space is left alone.
TEST(PatchCall, ReadsAndWritesACallAcrossAPageBoundaryWhole) {
    auto* pages = static_cast<unsigned char*>(VirtualAlloc(nullptr, 4 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(VirtualAlloc(pages, 3 * 4096, MEM_COMMIT, PAGE_NOACCESS), nullptr);
    const std::uint32_t first = reinterpret_cast<std::uintptr_t>(pages), below = first - 0x1000;
    DWORD previous = 0;
    for (const std::uint32_t site :
         {first + 4092, first + 4093, first + 4094, first + 4095, first + 3 * 4096 - 5}) {
        VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READWRITE, &previous);
        testhost::WriteCall(site, reinterpret_cast<const void*>(below));
        VirtualProtect(pages, 3 * 4096, PAGE_NOACCESS, &previous);
        EXPECT_EQ(PatchCall(site, 0x64000000), below) << site - first;
        for (int page = 0; page < 3; ++page) EXPECT_EQ(Protection(first + page * 4096), DWORD{PAGE_NOACCESS});
        VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READ, &previous);
        EXPECT_EQ(site + 5 + testhost::ReadWord(site + 1), 0x64000000u) << site - first;
    }
    VirtualProtect(pages, 3 * 4096, PAGE_EXECUTE_READWRITE, &previous);
    pages[3 * 4096 - 1] = 0xCC; // not even a call
    EXPECT_EQ(PatchCall(first + 3 * 4096 - 1, 0x64000000), 0u);
    EXPECT_EQ(pages[3 * 4096 - 1], 0xCC);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(GameEvents, ASitePassedWhileBeingInstalledReachesTheGamesCallee) {
    EXPECT_EQ(g_passes_to_nothing, 0);
    for (int site = 0; site < testhost::kSiteCount; ++site) EXPECT_EQ(g_passes_to_callee[site], 1) << site;
}

// Listeners run in the order they were appended; tick listeners in the plugin's script context,
// which the game gets back after them (its null too), and one that throws does not reach the game.
TEST_F(GameEvents, ListenersRunInOrderInThePluginsContextAndAThrowDoesNotReachTheGame) {
    ScriptTickEvent.push_back([] {
        g_context_seen = testhost::ReadWord(testhost::ActiveScriptContextAddress());
        g_calls.push_back(1);
    });
    ScriptTickEvent.push_back([] { throw std::runtime_error("listener failed"); });
    ScriptTickEvent.push_back([] { g_calls.push_back(2); });
    PreCallEvent7.push_back([] { g_calls.push_back(7); });
    const std::uint32_t callsBefore = testhost::LastRecord(0).calls;
    testhost::RunFrame();
    EXPECT_EQ(g_calls, (std::vector<int>{1, 2}));
    EXPECT_EQ(g_context_seen, reinterpret_cast<std::uintptr_t>(PluginScriptContext));
    EXPECT_EQ(testhost::LastRecord(0).calls, callsBefore + 1);
    EXPECT_EQ(testhost::LastRecord(0).context, testhost::GameScriptContext());
    EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), testhost::GameScriptContext());
    testhost::RunSite(6, {});
    EXPECT_EQ(g_calls, (std::vector<int>{1, 2, 7}));

    testhost::WriteWord(testhost::ActiveScriptContextAddress(), 0);
    g_context_seen = 0;
    testhost::RunFrame();
    EXPECT_EQ(g_context_seen, reinterpret_cast<std::uintptr_t>(PluginScriptContext));
    EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), 0u);
}

std::vector<std::pair<int, std::uint32_t>> g_objects_seen; // event, object
std::uint32_t g_callee_calls_seen = 0;

// Each post-call event's listeners, and only they, get the object of that site's call.
TEST_F(GameEvents, PostCallListenersGetThatCallsObjectAfterTheCallee) {
    PostCallEvent5.push_back([](void* object) {
        g_objects_seen.emplace_back(5, reinterpret_cast<std::uintptr_t>(object));
        g_callee_calls_seen = testhost::LastRecord(4).calls;
    });
    PostCallEvent6.push_back(
        [](void* object) { g_objects_seen.emplace_back(6, reinterpret_cast<std::uintptr_t>(object)); });
    const std::uint32_t callsBefore = testhost::LastRecord(4).calls;
    testhost::Registers registers{};
    for (const auto& [site, object] : {std::pair{4, 0x0BADF00Du}, {4, 0x12345678u}, {5, 0x600Du}}) {
        registers.ecx = object;
        EXPECT_EQ(testhost::RunSite(site, registers), testhost::PostCallResult(object));
    }
    EXPECT_EQ(g_callee_calls_seen, callsBefore + 2); // the game's function had already run
    EXPECT_EQ(g_objects_seen,
              (std::vector<std::pair<int, std::uint32_t>>{{5, 0x0BADF00D}, {5, 0x12345678}, {6, 0x600D}}));
}

} // namespace
