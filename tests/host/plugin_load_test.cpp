// The real plugin DLL loaded into a stand-in game of one build, as the game's loader does.
#include "contact.h"
#include "imports.h"
#include "world.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <tlhelp32.h>
#include <tuple>
#include <vector>

namespace {

// Builds whose version resource the plugin recognises: 1.0.7.0, 1.0.8.0 and 0.0.10.70 (digits 001070).
bool Recognised() {
    const std::string variant = testhost::kVariant.name;
    return variant == "v1070" || variant == "v1080" || variant == "v0_0_10_70";
}

std::set<DWORD> Threads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::set<DWORD> threads;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) threads.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return threads;
}

std::uint32_t Destination(int site) {
    const std::uint32_t at = testhost::SiteAddress(site);
    return at + 5 + testhost::ReadWord(at + 1);
}

bool InPlugin(HMODULE plugin, std::uint32_t address) {
    MEMORY_BASIC_INFORMATION info{};
    return VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof info) &&
           info.AllocationBase == plugin;
}

// Loaded once per process, as in the game, noting what was there before.
struct Session {
    std::set<DWORD> threadsBefore, threadsAfter;
    HMODULE plugin = nullptr;
    std::vector<unsigned char> imageBefore; // the game's header and laid-out image
};

const Session& Loaded() {
    static testhost::World world; // the game's commands and functions behind its offsets
    static const Session session = [] {
        world.Activate();
        // Another plugin made one site a jump to the game's callee: the plugin writes a call there again.
        if (Recognised())
            testhost::WriteJump(testhost::SiteAddress(3),
                                reinterpret_cast<const void*>(testhost::SiteCallee(3)));
        Session s;
        s.threadsBefore = Threads();
        const auto* image = reinterpret_cast<const unsigned char*>(testhost::Base());
        s.imageBefore.assign(image, image + testhost::ImageSize());
        testhost::TracePluginLoad();
        s.plugin = testhost::LoadPlugin();
        Sleep(50); // let the plugin's own thread start
        s.threadsAfter = Threads();
        return s;
    }();
    return session;
}

TEST(PluginLoad, LoadsWithOneThreadOfItsOwnAndStaysLoaded) {
    const Session& session = Loaded();
    ASSERT_NE(session.plugin, nullptr) << "LoadLibraryW failed: " << GetLastError();
    ASSERT_EQ(session.threadsAfter.size(), session.threadsBefore.size() + 1);
    // Its thread sleeps: over a second it takes a few ms of processor time at most.
    DWORD own = 0;
    for (DWORD id : session.threadsAfter) own = session.threadsBefore.count(id) ? own : id;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, own);
    FILETIME created, exited, kernel, user;
    Sleep(1000);
    ASSERT_TRUE(GetThreadTimes(thread, &created, &exited, &kernel, &user));
    CloseHandle(thread);
    EXPECT_LT(kernel.dwLowDateTime + user.dwLowDateTime, 500'000u); // 100 ns units: 50 ms
    // It holds a reference to itself: freeing the loader's does not unload it.
    EXPECT_TRUE(FreeLibrary(session.plugin));
    EXPECT_EQ(GetModuleHandleW(L"car_dealers.dll"), session.plugin);
    // It knows the game's build before it reads its files.
    EXPECT_EQ(testhost::PluginLoadTrace(),
              (std::vector<std::string>{"version", "car_dealers/dealers.conf", "car_dealers/dealers.csv"}));
}

// It writes no byte of the game's image but the eight calls.
TEST(PluginLoad, RedirectsEveryCallSiteOnlyOnARecognisedBuild) {
    const Session& session = Loaded();
    const auto* image = reinterpret_cast<const unsigned char*>(testhost::Base());
    std::vector<unsigned char> now(image, image + session.imageBefore.size());
    for (int site = 0; Recognised() && site < testhost::kSiteCount; ++site) {
        const std::uint32_t at = testhost::SiteAddress(site) - testhost::Base();
        std::memcpy(&now[at], &session.imageBefore[at], 5);
    }
    EXPECT_TRUE(now == session.imageBefore);
    for (int site = 0; site < testhost::kSiteCount; ++site) {
        SCOPED_TRACE(site);
        EXPECT_EQ(*reinterpret_cast<const unsigned char*>(testhost::SiteAddress(site)), 0xE8);
        if (Recognised())
            EXPECT_TRUE(InPlugin(session.plugin, Destination(site)));
        else
            EXPECT_EQ(Destination(site), testhost::SiteCallee(site));
    }
}

DWORD WINAPI NoWork(LPVOID) {
    return 0;
}

// Also after a game thread started and ended: its notification to the plugin changes nothing.
TEST(PluginLoad, GameCalleesSeeTheRegistersAndStackTheGamePrepared) {
    Loaded();
    std::uint32_t before[testhost::kSiteCount];
    for (int site = 0; site < testhost::kSiteCount; ++site) before[site] = Destination(site);
    HANDLE thread = CreateThread(nullptr, 0, NoWork, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    for (int site = 0; site < testhost::kSiteCount; ++site) {
        SCOPED_TRACE(site);
        EXPECT_EQ(Destination(site), before[site]);
        const testhost::Registers in = {0x11110000u + site, 0x22220000u + site, 0x33330000u + site,
                                        0x44440000u + site, 0x55550000u + site, 0x66660000u + site,
                                        0x77770000u + site};
        const std::uint32_t callsBefore = testhost::LastRecord(site).calls;
        const std::uint32_t result = testhost::RunSite(site, in);
        const testhost::SiteRecord& seen = testhost::LastRecord(site);
        EXPECT_EQ(std::tuple(seen.calls, seen.ecx, seen.ebx, seen.esi, seen.edi, seen.ebp, seen.context),
                  std::tuple(callsBefore + 1, in.ecx, in.ebx, in.esi, in.edi, in.ebp,
                             testhost::GameScriptContext()));
        const bool postCall = site == 4 || site == 5;
        if (postCall) {
            // A member function without stack arguments: its result reaches the game unchanged.
            EXPECT_EQ(result, testhost::PostCallResult(in.ecx));
        } else {
            // Entered by the game's own call: same return address and arguments.
            EXPECT_EQ(std::tuple(seen.eax, seen.edx, seen.stack[0], seen.stack[2], seen.stack[3], result),
                      std::tuple(in.eax, in.edx, testhost::SiteAddress(site) + 5, testhost::kStackArgument1,
                                 testhost::kStackArgument2, in.eax));
        }
    }
}

} // namespace
