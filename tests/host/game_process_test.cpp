// The real plugin in a game process as a player's really is: a heap that runs out, a second copy of the
// plugin, a locale another module set, the after-deal hold. One process per test.
#include "contact.h"
#include "imports.h"
#include "session.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

using testhost::kE;
using testhost::Session;
using testhost::Vehicle;

namespace {

// Ten lots 200 apart along x, radius 20: each round deals at a lot of its own, whose first offer needs
// memory of its own.
std::string TenLots() {
    std::string list;
    for (int i = 0; i < 10; ++i) list += std::to_string(100 + 200 * i) + ",100,5,20\n";
    return list;
}

// The heap is out of memory from the next allocation on.
void RunOutOfMemory() {
    testhost::RefuseAllocationsFrom(testhost::PluginAllocations() + 1);
}

// This program run again with `filter` and `variable` set to `value`: its exit status and output.
std::pair<int, std::string> RunThisGame(const std::string& filter, const char* variable,
                                        const std::string& value) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    SetEnvironmentVariableA(variable, value.c_str());
    FILE* game = _popen(("\"\"" + std::string(exe) + "\" --gtest_filter=" + filter + "\"").c_str(), "r");
    SetEnvironmentVariableA(variable, nullptr);
    std::string output;
    for (int c; game && (c = std::fgetc(game)) != EOF;) output += static_cast<char>(c);
    return {game ? _pclose(game) : -1, output};
}

// Frames of a deal, E held or not: the heap runs out before the from-th; the last price shown is kept.
struct DealFrames {
    Session& s;
    int from;
    int frame = 0;
    std::optional<std::int32_t> shown;
    void operator()(bool e) {
        if (frame++ == from) RunOutOfMemory();
        e ? s.Frame({kE}) : s.Frame();
        if (s.PriceShown()) shown = s.PriceShown();
    }
};

// The heap refuses everything from one frame of a purchase on foot (E, the deal opening, the first
// prompt, E again), then gives again. The game goes on; the money and the car change hands together, at
// the price shown, or not at all; one salesman a deal, paid what the player paid; then buying works.
TEST(OutOfMemory, FromAnyFrameOfAPurchaseNothingChangesHandsHalf) {
    Session s(TenLots());
    for (int from = 0; from <= 4; ++from) {
        SCOPED_TRACE(from);
        const float x = 100.0f + 200.0f * static_cast<float>(from);
        Vehicle& car = s.world.AddVehicle({x + 2, 100, 0}, 1000, 20000);
        s.WalkTo(x + 1, 100);
        s.world.player.money = 1e6f;
        const std::size_t salesmen = s.world.created.size();
        DealFrames play{s, from, 0, std::nullopt};
        play(true), play(false), play(false), play(true);
        EXPECT_EQ(car.ownedByPlayer, from > 2); // the offer could not be made before its prompt
        EXPECT_EQ(s.world.player.money, car.ownedByPlayer ? 1e6f - static_cast<float>(*play.shown) : 1e6f);

        testhost::RefuseAllocationsFrom(0);
        if (!car.ownedByPlayer) play(false), play(true);
        ASSERT_TRUE(car.ownedByPlayer && play.shown);
        EXPECT_EQ(s.world.player.money, 1e6f - static_cast<float>(*play.shown));
        EXPECT_EQ(s.world.created.size(), salesmen + 1);
        EXPECT_EQ(s.Salesman()->money, *play.shown);
        s.world.RemoveCharacter(s.Salesman()->handle); // the game takes him away: the next deal gets its own
        s.WalkTo(x + 100, 300), s.Frames(2), s.AdvanceClock(6);
    }
}

// The same for a sale from the car: the car is the dealer's again exactly when the player is paid.
TEST(OutOfMemory, FromAnyFrameOfASaleNothingChangesHandsHalf) {
    Session s(TenLots());
    for (int from = 0; from <= 4; ++from) {
        SCOPED_TRACE(from);
        const float x = 100.0f + 200.0f * static_cast<float>(from);
        Vehicle& car = s.world.AddVehicle({x + 5, 100, 0}, 1000, 20000);
        s.EnterVehicle(car);
        s.world.player.money = 0;
        DealFrames play{s, from, 0, std::nullopt};
        play(true), play(false), play(false), play(true);
        EXPECT_EQ(car.forSale, from > 2);
        EXPECT_EQ(s.world.player.money, car.forSale ? static_cast<float>(*play.shown) : 0.0f);

        testhost::RefuseAllocationsFrom(0);
        if (!car.forSale) play(false), play(true);
        ASSERT_TRUE(car.forSale && play.shown);
        EXPECT_EQ(s.world.player.money, static_cast<float>(*play.shown));
        EXPECT_EQ(s.world.created.size(), static_cast<std::size_t>(from) + 1);
        s.world.RemoveCharacter(s.Salesman()->handle);
        s.LeaveVehicle(), s.WalkTo(x + 100, 300), s.Frames(2), s.AdvanceClock(6);
    }
}

// The heap refuses everything from the n-th allocation of the plugin's start-up on, for each n up to one
// past the last it makes, and gives again once the plugin has loaded. The game goes on every time; E then
// buys at both lots, the first and the last of a list read in two parts, or at neither (the files read as
// missing, or the build as one the plugin does not know): never a list in part.
TEST(OutOfMemory, FromAnyAllocationOfTheStartUpTheGameGoesOn) {
    const char* const kFilter = "OutOfMemory.FromAnyAllocationOfTheStartUp*";
    if (const char* from = std::getenv("CAR_DEALERS_REFUSE_FROM")) {
        testhost::InterceptPluginHeapAtLoad();
        char* count = nullptr;
        const std::uint64_t n = std::strtoull(from, &count, 10);
        testhost::RefuseAllocationsFrom(n,
                                        *count == ',' ? std::strtoull(count + 1, nullptr, 10) : UINT64_MAX);
        // Lists that grow more than once, of which no part may stay: the second lot's dealer and the rate
        // of 0.8 come ninth, where the lists grow, and a rate of 0 left alone makes a price that pays.
        std::string dealers = "100,100,5,20\n", settings = "price_rate_buy=0\n";
        for (int i = 0; i < 12; ++i) {
            dealers += (i == 7 ? std::string(6000, '\n') + "700,100,5,20\n" : "") + "-3000,0,5,20\n";
            settings += (i == 7 ? "price_rate_buy=0.8\n" : "") + ("key" + std::to_string(i) + "=1\n");
        }
        Session s(dealers, settings);
        const std::uint64_t startUp = testhost::PluginAllocations();
        testhost::RefuseAllocationsFrom(0);
        s.world.player.money = 1e6f;
        int bought = 0, unpaid = 0;
        for (const float x : {100.0f, 700.0f}) {
            Vehicle& car = s.world.AddVehicle({x + 2, 100, 0}, 1000, 20000);
            const float money = s.world.player.money;
            s.WalkTo(x + 1, 100);
            s.Frame({kE}), s.Frames(2), s.Frame({kE});
            bought += car.ownedByPlayer;
            unpaid += car.ownedByPlayer && s.world.player.money >= money;
            s.WalkTo(x + 100, 300), s.Frames(2), s.AdvanceClock(6);
        }
        std::printf("start-up allocations %llu, lots bought at: %d, for nothing: %d\n",
                    static_cast<unsigned long long>(startUp), bought, unpaid);
        return;
    }
    const auto [status, output] = RunThisGame(kFilter, "CAR_DEALERS_REFUSE_FROM", "0");
    ASSERT_EQ(status, 0) << output;
    unsigned long long startUp = 0;
    ASSERT_EQ(std::sscanf(output.c_str() + output.find("start-up allocations"), "start-up allocations %llu",
                          &startUp),
              1)
        << output;
    EXPECT_NE(output.find("lots bought at: 2, for nothing: 0"), std::string::npos) << output;
    ASSERT_GT(startUp, 3u); // the version, and each file at least
    // Memory that stays out from the n-th allocation on, and memory back after refusing only that one.
    for (unsigned long long n = 1; n <= startUp + 1; ++n) {
        for (const std::string& refused : {std::to_string(n), std::to_string(n) + ",1"}) {
            const auto [refusedStatus, refusedOutput] =
                RunThisGame(kFilter, "CAR_DEALERS_REFUSE_FROM", refused);
            EXPECT_EQ(refusedStatus, 0) << refused << "\n" << refusedOutput;
            const bool both = refusedOutput.find("lots bought at: 2, for nothing: 0") != std::string::npos;
            EXPECT_TRUE(both ||
                        (n <= startUp && refusedOutput.find("lots bought at: 0") != std::string::npos))
                << refused << "\n"
                << refusedOutput;
        }
    }
}

// The module whose code a site's call now reaches.
HMODULE Behind(int site) {
    const std::uint32_t at = testhost::SiteAddress(site);
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(at + 5 + testhost::ReadWord(at + 1)), &module);
    return module;
}

// The plugin installed twice, under two names (where the game's loader looks first and where it looks
// next), the renamed copy loaded first or second: the first copy runs the dealers and the other patches
// nothing. One salesman, one prompt, one payment at the price shown.
void PlayWithTwoCopies(bool copyFirst) {
    wchar_t exe[MAX_PATH], temp[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring plugin(exe, length);
    plugin.resize(plugin.find_last_of(L"\\/") + 1);
    plugin += L"car_dealers.dll";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copy =
        std::wstring(temp) + L"car_dealers (" + std::to_wstring(GetCurrentProcessId()) + L").dll";
    ASSERT_TRUE(CopyFileW(plugin.c_str(), copy.c_str(), FALSE));
    const std::wstring folder =
        std::wstring(temp) + L"car_dealers_copy_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\car_dealers").c_str(), nullptr);
    std::FILE* list = _wfopen((folder + L"\\car_dealers\\dealers.csv").c_str(), L"wb");
    std::fputs("100,100,5,20\n", list);
    std::fclose(list);
    SetCurrentDirectoryW(folder.c_str()); // where the copy loaded first finds its files
    HMODULE first = copyFirst ? LoadLibraryW(copy.c_str()) : nullptr;
    Session s("100,100,5,20\n");
    HMODULE second = copyFirst ? GetModuleHandleW(L"car_dealers.dll") : LoadLibraryW(copy.c_str());
    if (!copyFirst) first = GetModuleHandleW(L"car_dealers.dll");
    ASSERT_TRUE(first && second && first != second);
    testhost::InterceptPluginImports(first), testhost::InterceptPluginImports(second);
    for (int site = 0; site < testhost::kSiteCount; ++site) EXPECT_EQ(Behind(site), first) << site;

    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    s.WalkTo(101, 100);
    s.world.player.money = 1e6f;
    s.Frame({kE}), s.Frames(2);
    EXPECT_EQ(s.Screen().size(), 4u); // "Buying", the price, "[E] Buy", "[BACKSPACE] Bargain"
    const std::int32_t price = s.PriceShown().value_or(0);
    s.Frame({kE});
    EXPECT_TRUE(car.ownedByPlayer);
    EXPECT_EQ(s.world.player.money, 1e6f - static_cast<float>(price));
    EXPECT_EQ(s.world.created.size(), 1u);
    DeleteFileW(copy.c_str());
    DeleteFileW((folder + L"\\car_dealers\\dealers.csv").c_str());
    RemoveDirectoryW((folder + L"\\car_dealers").c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(TwoCopies, TheCopyLoadedFirstRunsTheDealers) {
    PlayWithTwoCopies(true);
}

TEST(TwoCopies, ACopyLoadedLaterStaysIdle) {
    PlayWithTwoCopies(false);
}

// What Windows 7 and later answer for a name longer than the buffer: the first 259 characters, a
// terminator, and "insufficient buffer"; or, with g_failed, a failure that leaves the text there.
std::wstring g_cut_name;
bool g_failed = false;
DWORD WINAPI CutModuleName(HMODULE module, LPWSTR name, DWORD size) {
    if (module != nullptr) return GetModuleFileNameW(module, name, size);
    const std::size_t kept = std::min<std::size_t>(g_cut_name.size(), size - 1);
    g_cut_name.copy(name, kept);
    name[kept] = L'\0';
    SetLastError(g_failed ? ERROR_ACCESS_DENIED : ERROR_INSUFFICIENT_BUFFER);
    return g_failed ? 0 : size;
}

// A game installed so deep that its name is cut, where the cut name happens to name a file: here a
// copy of a build the plugin knows. A cut name is no name of the game: the plugin stays idle. So it
// does when the name cannot be had at all.
void PlayWithANameCut(bool failed) {
    g_failed = failed;
    wchar_t exe[MAX_PATH], temp[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder =
        std::wstring(temp) + L"car_dealers_" + std::to_wstring(GetCurrentProcessId()) + L"_";
    folder.append(MAX_PATH - 1 - folder.size() - std::wstring_view(L"\\game.ex").size(), L'd');
    g_cut_name = folder + L"\\game.ex"; // "game.exe", cut
    ASSERT_EQ(g_cut_name.size(), static_cast<std::size_t>(MAX_PATH - 1));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(exe, g_cut_name.c_str(), FALSE));
    testhost::OnPluginMapped([](HMODULE plugin) {
        testhost::RedirectImport(plugin, "kernel32.dll", "GetModuleFileNameW",
                                 reinterpret_cast<const void*>(&CutModuleName));
    });
    Session s("100,100,5,20\n");
    for (int site = 0; site < testhost::kSiteCount; ++site)
        EXPECT_EQ(testhost::ReadWord(testhost::SiteAddress(site) + 1) + testhost::SiteAddress(site) + 5,
                  testhost::SiteCallee(site))
            << site;
    s.WalkTo(101, 100);
    s.Frame({kE}), s.Frames(2);
    EXPECT_TRUE(s.world.created.empty());
    DeleteFileW(g_cut_name.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(GameName, CutToTheBufferLeavesThePluginIdle) {
    PlayWithANameCut(false);
}

TEST(GameName, NotToBeHadLeavesThePluginIdle) {
    PlayWithANameCut(true);
}

std::vector<std::pair<std::uintptr_t, SIZE_T>> g_flushed;
BOOL WINAPI RecordFlush(HANDLE process, LPCVOID address, SIZE_T size) {
    g_flushed.emplace_back(reinterpret_cast<std::uintptr_t>(address), size);
    return FlushInstructionCache(process, address, size);
}

// Code written at run time is made visible to instruction fetch, as Windows asks: every byte of the
// eight calls is flushed.
TEST(Patching, EveryByteOfTheEightCallsIsFlushed) {
    testhost::OnPluginMapped([](HMODULE plugin) {
        testhost::RedirectImport(plugin, "kernel32.dll", "FlushInstructionCache",
                                 reinterpret_cast<const void*>(&RecordFlush));
    });
    Session s("100,100,5,20\n");
    for (int site = 0; site < testhost::kSiteCount; ++site)
        for (std::uintptr_t at = testhost::SiteAddress(site); at < testhost::SiteAddress(site) + 5; ++at)
            EXPECT_TRUE(std::ranges::any_of(g_flushed, [&](const auto& range) {
                return range.first <= at && at < range.first + range.second;
            })) << site;
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// The files as editors and spreadsheets save them, with Windows line ends: the first line counts.
void BuyAtTheFirstLot(const std::string& dealers, const std::string& settings) {
    Session s(dealers, settings);
    Vehicle& car = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    s.WalkTo(101, 100);
    s.Frame({kE}), s.Frames(2);
    ASSERT_EQ(s.world.created.size(), 1u);
    EXPECT_EQ(s.world.created[0].matrix[3][0], 100.5f);
    const std::int32_t price = s.PriceShown().value_or(0);
    EXPECT_TRUE(price >= 5999 && price <= 13999) << price; // 0.5 x [12000, 28000]
    s.world.player.money = 1e6f;
    s.Frame({kE});
    EXPECT_EQ(s.world.player.money, 1e6f - static_cast<float>(price));
    EXPECT_TRUE(car.ownedByPlayer);
}

// "UTF-8 with BOM" (a spreadsheet's "CSV UTF-8") for both files.
TEST(EditorFiles, BothFilesWithAByteOrderMark) {
    BuyAtTheFirstLot("\xEF\xBB\xBF"
                     "100.5,100,5,20,Caf\xC3\xA9 du port\r\n300,100,5,20\r\n",
                     "\xEF\xBB\xBFprice_rate_buy=0.5\r\n");
}

// "Unicode" (UTF-16 little-endian) for the list, UTF-16 big-endian for the rates.
TEST(EditorFiles, BothFilesInUtf16) {
    BuyAtTheFirstLot(Utf16(u"100.5,100,5,20,Caf\u00e9 du port\r\n300,100,5,20\r\n", false),
                     Utf16(u"price_rate_buy=0.5\r\n", true));
}

// Another module set a locale with a decimal comma before the plugin loaded, as setlocale(LC_ALL, "")
// does on such a system: the lot stands at x = 100.5 and sells at a rate of 0.5.
TEST(Locale, ADecimalCommaSetBeforeThePluginLoadsChangesNoNumber) {
    ASSERT_NE(std::setlocale(LC_ALL, "German_Germany.1252"), nullptr);
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    BuyAtTheFirstLot("100.5,100,5,20\n", "price_rate_buy=0.5\n");
    std::setlocale(LC_ALL, "C");
}

// After a purchase an alert level of 1 is cleared only once the player sits in the vehicle he bought:
// not in another one, however long he sits there.
TEST(AfterDeal, TheHoldClearsNothingInAnotherVehicle) {
    Session s("100,100,5,20\n");
    Vehicle& bought = s.world.AddVehicle({102, 100, 0}, 1000, 20000);
    Vehicle& other = s.world.AddVehicle({90, 100, 0}, 1000, 20000);
    s.WalkTo(101, 100);
    s.world.player.money = 1e6f;
    s.Frame({kE}), s.Frames(2), s.Frame({kE});
    ASSERT_TRUE(bought.ownedByPlayer);
    s.EnterVehicle(other);
    s.world.player.alertLevel = 1;
    for (int second = 0; second < 10; ++second) {
        s.Frame();
        EXPECT_EQ(s.world.player.alertLevel, 1) << second;
        s.AdvanceClock(1);
    }
    s.EnterVehicle(bought);
    s.Frame();
    EXPECT_EQ(s.world.player.alertLevel, 0);
}

} // namespace
