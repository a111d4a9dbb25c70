// The game's floating-point and vector unit around the plugin's eight handlers, whose listeners (the
// test's own) change all of it, as a deal's frame does.
#include "contact.h"
#include "runtime/game_events.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <tuple>
#include <windows.h>

namespace {

testhost::UnitImage g_listener_saw;
std::atomic<int> g_listener_runs{0};
bool g_from_threads = false;

// Sees the unit (from one thread only), then leaves zeros and UTF-16 text in every XMM register and
// other modes in MXCSR and the x87 control word.
void SeeAndChangeTheUnit() {
    if (!g_from_threads)
        asm volatile("fxsave %0\n\tpushfl\n\tpopl %1"
                     : "=m"(g_listener_saw.fxsave), "=m"(g_listener_saw.eflags));
    static const std::uint32_t text[4] = {0x00610044, 0x006C0065, 0, 0};
    static const std::uint32_t mxcsr = 0x1FBF;
    static const std::uint16_t x87Control = 0x037F;
    asm volatile("movups %0, %%xmm0\n\tmovups %0, %%xmm1\n\tmovups %0, %%xmm2\n\tmovups %0, %%xmm3\n\t"
                 "movups %0, %%xmm4\n\tmovups %0, %%xmm5\n\tmovups %0, %%xmm6\n\tmovups %0, %%xmm7\n\t"
                 "ldmxcsr %1\n\tfldcw %2"
                 :
                 : "m"(text), "m"(mxcsr), "m"(x87Control)
                 : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7");
    ++g_listener_runs;
    if (g_from_threads) SwitchToThread(); // the other thread passes its site meanwhile
}

// A game thread passing a pre-call and a post-call site in turn with a unit of its own, counting what
// it gets back wrong.
DWORD WINAPI PassSites(LPVOID mismatches) {
    const std::uint32_t thread = GetCurrentThreadId();
    for (std::uint32_t run = 0; run < 400; ++run) {
        testhost::GameUnit unit = testhost::GameUnitOfRun(run);
        for (auto& xmm : unit.xmm) xmm[3] = thread;
        const int site = run % 2 ? 4 : 1;
        const testhost::Registers in = {0, 0, thread + run, 0, 0, 0, 0};
        testhost::UnitImage after;
        testhost::RunSiteWith(site, in, unit, after);
        if (!testhost::UnitMismatch(site, unit, in.ecx, nullptr, after).empty())
            ++*static_cast<std::atomic<int>*>(mismatches);
    }
    return 0;
}

class Registers : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        InstallGameEvents();
        for (EventList* list : {&ScriptTickEvent, &PreCallEvent2, &PreCallEvent3, &PreCallEvent4,
                                &PreCallEvent7, &PreCallEvent8})
            list->Append(SeeAndChangeTheUnit);
        for (ObjectEventList* list : {&PostCallEvent5, &PostCallEvent6})
            list->Append([](void*) { SeeAndChangeTheUnit(); });
    }
};

// At each stack offset, with the direction flag clear and set.
TEST_F(Registers, TheGameKeepsItsUnitAtEverySiteAndListenersRunAsTheirCompilerExpects) {
    for (int site = 0; site < testhost::kSiteCount; ++site) {
        for (std::uint32_t run = 0; run < 8; ++run) {
            SCOPED_TRACE(testing::Message() << "site " << site << ", run " << run);
            testhost::GameUnit unit = testhost::GameUnitOfRun(run);
            unit.directionFlag = run / 4;
            const testhost::Registers in = {0, 0, 0x01000000u * site + run, 0, 0, 0, 0};
            const int runs = g_listener_runs;
            testhost::UnitImage after;
            testhost::RunSiteWith(site, in, unit, after);
            EXPECT_EQ(testhost::UnitMismatch(site, unit, in.ecx, &testhost::LastRecord(site).unit, after),
                      "");
            // An empty x87 stack (a post-call callee left its result there) and the direction flag clear,
            // in the game's modes.
            std::uint16_t x87Control;
            std::uint32_t mxcsr;
            std::memcpy(&x87Control, g_listener_saw.fxsave, 2);
            std::memcpy(&mxcsr, g_listener_saw.fxsave + 24, 4);
            EXPECT_EQ(std::tuple(g_listener_runs - runs, g_listener_saw.fxsave[4],
                                 g_listener_saw.eflags & 0x400, x87Control, mxcsr & ~0x3Fu),
                      std::tuple(1, 0, 0u, unit.x87Control, unit.mxcsr));
        }
    }
}

TEST_F(Registers, GameThreadsPassingTheSitesAtOnceEachGetTheirOwnUnitBack) {
    g_from_threads = true;
    std::atomic<int> mismatches{0};
    HANDLE threads[2];
    for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, PassSites, &mismatches, 0, nullptr);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    g_from_threads = false;
    EXPECT_EQ(mismatches, 0);
}

} // namespace
