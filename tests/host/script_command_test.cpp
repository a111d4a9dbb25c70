// Script commands the plugin's code issues, as the stand-in game receives them, from a ScriptTickEvent
// listener, a fresh world per test.
#include "contact.h"
#include "runtime/game_events.h"
#include "runtime/host_addresses.h"
#include "script/commands.h"
#include "script/host_objects.h"
#include "script/script_command.h"
#include "world.h"

#include <bit>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace hashes = testhost::hashes;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

std::uint32_t Addr(const void* pointer) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

std::function<void()> g_body; // what the next frame runs

class ScriptFrame : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!ScriptTickEvent.Empty()) return; // installed for an earlier suite
        InstallGameEvents();
        ScriptTickEvent.Append([] {
            if (g_body) g_body();
        });
    }
    void SetUp() override { world.Activate(); }

    // Runs `body` in the next frame, as the plugin's listener.
    void InFrame(std::function<void()> body) {
        world.BeginFrame();
        g_body = std::move(body);
        testhost::RunFrame();
        g_body = nullptr;
    }

    testhost::World world;
};

using ScriptCommands = ScriptFrame;

// Marks a slot holding a text pointer, checked through the texts the game read.
constexpr std::uint32_t kText = 0xFFFFFFFF;

// Each wrapper once: arguments in slot order, unused slots cleared, both record pointers on slot 0, bools
// exactly 0 or 1, texts NUL-terminated.
TEST_F(ScriptCommands, EveryWrapperFillsTheGamesRecordInSlotOrder) {
    std::int32_t out = 0, handle = 0x1234;
    float x = 0, y = 0, z = 0, distance = 0;
    const char* const say = "GENERIC_BUY";
    const std::uint32_t o = Addr(&out), h = Addr(&handle), X = Addr(&x), Y = Addr(&y), Z = Addr(&z);
    const struct {
        const char* name;
        std::function<void()> call;
        std::vector<std::uint32_t> slots;
        std::vector<std::string> texts = {};
    } rows[] = {
        // clang-format off
        {"GetLocalPlayerIndex", [] { GetLocalPlayerIndex(); }, {}},
        {"GetPlayerCharacter", [&] { GetPlayerCharacter(3, &out); }, {3, o}},
        {"GetPlayerIdentifier", [] { GetPlayerIdentifier(3); }, {3}},
        {"AddPlayerMoney", [] { AddPlayerMoney(7, -1299); }, {7, static_cast<std::uint32_t>(-1299)}},
        {"ReadFloatById", [] { ReadFloatById(108); }, {108}},
        {"GetPlayerAlertLevel", [&] { GetPlayerAlertLevel(7, &out); }, {7, o}},
        {"ClearPlayerAlertLevel", [] { ClearPlayerAlertLevel(7); }, {7}},
        {"GetPlayerGroup", [&] { GetPlayerGroup(3, &out); }, {3, o}},
        {"SetPlayerGroupOption", [] { SetPlayerGroupOption(3); }, {3, 1}},
        {"DoesCharacterExist", [] { DoesCharacterExist(0x101); }, {0x101}},
        {"IsCharacterDead", [] { IsCharacterDead(0x102); }, {0x102}},
        {"IsCharacterInjured", [] { IsCharacterInjured(0x103); }, {0x103}},
        {"HasCharacterBeenDamagedBy", [] { HasCharacterBeenDamagedBy(0x104, 0x105); }, {0x104, 0x105, 0}},
        {"IsCharacterInAnyVehicle", [] { IsCharacterInAnyVehicle(0x106); }, {0x106}},
        {"GetCharacterVehicle", [&] { GetCharacterVehicle(0x107, &out); }, {0x107, o}},
        {"GetCharacterCoordinates", [&] { GetCharacterCoordinates(0x108, &x, &y, &z); }, {0x108, X, Y, Z}},
        {"SetCharacterMoney", [] { SetCharacterMoney(0x109, 20); }, {0x109, 20}},
        {"SayCharacterSpeech", [&] { SayCharacterSpeech(0x10A, say); }, {0x10A, Addr(say), 1, 1, 1}, {"GENERIC_BUY"}},
        {"PrepareCharacterForGroup", [] { PrepareCharacterForGroup(0x10B); }, {0x10B}},
        {"AddCharacterToGroup", [] { AddCharacterToGroup(0x4000, 0x10C); }, {0x4000, 0x10C}},
        {"SetCharacterOption", [] { SetCharacterOption(0x10D); }, {0x10D, 0}},
        {"SetCharacterMode", [] { SetCharacterMode(0x10E, 3); }, {0x10E, 3, 0}},
        {"RemoveCharacterFromGroup", [] { RemoveCharacterFromGroup(0x10F); }, {0x10F}},
        {"ResetCharacterState", [] { ResetCharacterState(0x110); }, {0x110, 0, 0}},
        {"ResetCharacterActivity", [] { ResetCharacterActivity(0x111); }, {0x111}},
        {"SendCharacterToCoordinates", [] { SendCharacterToCoordinates(0x112, 10.5f, -20.25f, 3.0f); }, {0x112, Bits(10.5f), Bits(-20.25f), Bits(3.0f), 0, 0}},
        {"DismissCharacter", [] { DismissCharacter(0x113); }, {0x113}},
        {"ReleaseCharacter", [&] { ReleaseCharacter(&handle); }, {h}},
        {"SetGroupOption", [] { SetGroupOption(0x4000); }, {0x4000, 1}},
        {"SetGroupLeader", [] { SetGroupLeader(0x4000, 0x114); }, {0x4000, 0x114}},
        {"DoesVehicleExist", [] { DoesVehicleExist(0x201); }, {0x201}},
        {"GetVehicleCoordinates", [&] { GetVehicleCoordinates(0x202, &x, &y, &z); }, {0x202, X, Y, Z}},
        {"FindClosestVehicle", [] { FindClosestVehicle(1.0f, 2.0f, 3.0f, 3.0f); }, {Bits(1.0f), Bits(2.0f), Bits(3.0f), Bits(3.0f), 0, 70}},
        {"SetVehicleOwnedByPlayer", [] { SetVehicleOwnedByPlayer(0x203, true); }, {0x203, 1}},
        {"SetVehicleOwnedByPlayer", [] { SetVehicleOwnedByPlayer(0x203, false); }, {0x203, 0}},
        {"SetVehicleStatusCode", [] { SetVehicleStatusCode(0x204, 7); }, {0x204, 7}},
        {"SetVehicleForSale", [] { SetVehicleForSale(0x205, true); }, {0x205, 1}},
        {"SetVehicleForSale", [] { SetVehicleForSale(0x205, false); }, {0x205, 0}},
        {"ReleaseVehicle", [&] { ReleaseVehicle(&handle); }, {h}},
        {"GetDistance2D", [&] { GetDistance2D(1.0f, 2.0f, 4.0f, 6.0f, &distance); }, {Bits(1.0f), Bits(2.0f), Bits(4.0f), Bits(6.0f), Addr(&distance)}},
        {"IsKeyPressed", [] { IsKeyPressed(kKeyBackspace); }, {0x0E}},
        {"SetTextScale", [] { SetTextScale(0.5f, 0.25f); }, {Bits(0.5f), Bits(0.25f)}},
        {"DisplayTextLiteral", [] { DisplayTextLiteral(0.7f, 0.14f, "Nice deal!"); }, {Bits(0.7f), Bits(0.14f), kText, kText}, {"STRING", "Nice deal!"}},
        // clang-format on
    };
    InFrame([&] {
        for (const auto& row : rows) row.call();
    });
    ASSERT_EQ(world.commands.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const testhost::IssuedCommand& command = world.commands[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(std::tuple(command.name, command.argumentCount, command.pointersOnFirstSlot,
                             command.vectorsPendingOnEntry, command.activeContext, command.texts),
                  std::tuple(rows[i].name, rows[i].slots.size(), true, 0u, Addr(PluginScriptContext),
                             rows[i].texts));
        for (std::size_t slot = 0; slot < 16; ++slot) {
            const std::uint32_t expected = slot < rows[i].slots.size() ? rows[i].slots[slot] : 0u;
            EXPECT_TRUE(expected == kText || command.arguments[slot] == expected)
                << "slot " << slot << ": " << command.arguments[slot] << ", not " << expected;
        }
    }
}

// Results are read from slot 0. Pending vectors are copied back last first, 12 bytes each, never the fourth
// word (each entry here overlaps the next one's destination); a count the record cannot hold copies nothing.
std::uint32_t g_word;

TEST_F(ScriptCommands, ResultsAndPendingVectorsComeBackAsTheGameLeavesThem) {
    world.AddCommand(0x7E570001, "StoresWord", [](testhost::ScriptCallRecord* r) { *r->result = g_word; });
    world.AddCommand(0x7E570002, "LeavesVectors", [](testhost::ScriptCallRecord* r) {
        for (std::uint32_t i = 0; i < 4; ++i) {
            r->vectorTargets[i] = reinterpret_cast<float*>(r->arguments[0]) + i;
            r->vectors[i] = {i * 10 + 1.0f, i * 10 + 2.0f, i * 10 + 3.0f, 0.1f};
        }
        r->vectorsPending = r->arguments[1];
    });
    std::tuple<bool, float, std::int32_t> results;
    float four[7] = {9, 9, 9, 9, 9, 9, 9}, five[7] = {9, 9, 9, 9, 9, 9, 9};
    InFrame([&] {
        g_word = 0x100; // only the lowest byte counts for a bool
        std::get<0>(results) = ScriptCall().Int(1).Invoke(0x7E570001).ResultBool();
        g_word = Bits(2.5f);
        std::get<1>(results) = ScriptCall().Invoke(0x7E570001).ResultFloat();
        g_word = 0xFFFFFFFE;
        std::get<2>(results) = ScriptCall().Invoke(0x7E570001).ResultInt();
        ScriptCall().Int(SlotAddress(four)).Int(4).Invoke(0x7E570002);
        ScriptCall().Int(SlotAddress(five)).Int(5).Invoke(0x7E570002);
    });
    EXPECT_EQ(results, std::tuple(false, 2.5f, -2));
    EXPECT_EQ(std::vector<float>(four, four + 7), (std::vector<float>{1, 2, 3, 13, 23, 33, 9}));
    EXPECT_EQ(std::vector<float>(five, five + 7), std::vector<float>(7, 9));
}

using HostObjects = ScriptFrame;

// Vehicle fields are read raw (health not capped here). Missing objects: the vehicle pool (as while the game
// loads), the handle's vehicle, model data; the character factory or pool; or the factory fails.
TEST_F(HostObjects, NothingIsReadOrMadeWithoutTheGamesObjects) {
    testhost::Vehicle &car = world.AddVehicle({}, 1750.0f, 95000), &noModel = world.AddVehicle({}, 500.0f, 1);
    noModel.object.modelData = nullptr;
    std::vector<std::optional<VehicleFields>> fields;
    std::vector<std::int32_t> made;
    const auto withoutPointer = [&](std::uint32_t pointer, const std::function<void()>& body) {
        const std::uint32_t saved = testhost::ReadWord(pointer);
        testhost::WriteWord(pointer, 0);
        InFrame(body);
        testhost::WriteWord(pointer, saved);
    };
    InFrame([&] {
        fields = {ReadVehicleFields(car.handle), ReadVehicleFields(0x7FFF),
                  ReadVehicleFields(noModel.handle)};
        made.push_back(CreateCharacterAt(0xC0DE0001, 1, 2, 3));
    });
    withoutPointer(g_host_addresses.VehiclePoolPointer,
                   [&] { fields.push_back(ReadVehicleFields(car.handle)); });
    for (const std::uint32_t pointer :
         {g_host_addresses.CharacterFactoryPointer, g_host_addresses.CharacterPoolPointer})
        withoutPointer(pointer, [&] { made.push_back(CreateCharacterAt(0xC0DE0001, 1, 2, 3)); });
    world.failCharacterCreation = true;
    InFrame([&] { made.push_back(CreateCharacterAt(0xC0DE0001, 1, 2, 3)); });
    ASSERT_TRUE(fields[0]);
    EXPECT_EQ(std::pair(fields[0]->health, fields[0]->baseValue), std::pair(1750.0f, 95000u));
    for (std::size_t i = 1; i < 4; ++i) EXPECT_FALSE(fields[i]) << i;
    EXPECT_NE(made[0], 0);
    EXPECT_EQ(made, (std::vector<std::int32_t>{made[0], 0, 0, 0}));
}

// Calls fn(argument) with EBX, ESI, EDI and EBP set to marks; 0 when the call preserved all four.
extern "C" std::uint32_t RegistersClobberedBy(const void* fn, std::uint32_t argument);
asm(R"(
        .text
_RegistersClobberedBy:
        pushl   %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    20(%esp), %eax
        movl    24(%esp), %ecx
        movl    $0xB0B0B0B0, %ebx
        movl    $0x51515151, %esi
        movl    $0xD1D1D1D1, %edi
        movl    $0xEBEBEBEB, %ebp
        pushl   %ecx
        call    *%eax
        addl    $4, %esp
        xorl    $0xB0B0B0B0, %ebx
        xorl    $0x51515151, %esi
        xorl    $0xD1D1D1D1, %edi
        xorl    $0xEBEBEBEB, %ebp
        movl    %ebx, %eax
        orl     %esi, %eax
        orl     %edi, %eax
        orl     %ebp, %eax
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
)");

// The head of this thread's chain of exception registrations.
std::uint32_t ExceptionChain() {
    std::uint32_t head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

// The game's lookup fails in one of its ways.
class LookupGuard : public ScriptFrame {
  protected:
    void FailsAndTheFrameGoesOn(testhost::LookupFault fault) {
        world.MakeLookupFault(hashes::GetLocalPlayerIndex, fault);
        world.player.index = 3;
        const std::uint32_t calleeRunsBefore = testhost::LastRecord(0).calls;
        std::uint32_t chainBefore = 0, chainAfter = 1;
        std::int32_t faulted = -1, identifier = -1;
        volatile std::uint32_t canary = 0xC0FFEE;
        InFrame([&] {
            chainBefore = ExceptionChain();
            faulted = GetLocalPlayerIndex();
            faulted += GetLocalPlayerIndex(); // and again: the guard was unlinked the first time
            chainAfter = ExceptionChain();
            identifier = GetPlayerIdentifier(3);
        });
        EXPECT_EQ(std::tuple(faulted, world.counters.lookupFaults, chainAfter, canary),
                  std::tuple(0, 2, chainBefore, 0xC0FFEEu));
        // The failing routine clobbered every register; the caller's are back.
        const void* lookup = reinterpret_cast<const void*>(&GetScriptCommandHandler);
        EXPECT_EQ(RegistersClobberedBy(lookup, hashes::GetLocalPlayerIndex), 0u);
        EXPECT_EQ(RegistersClobberedBy(lookup, hashes::GetPlayerIdentifier), 0u);
        EXPECT_EQ(world.counters.lookupFaults, 3);
        // A registration made inside the lookup is unwound each time, before the guard resumes.
        EXPECT_EQ(world.counters.lookupUnwinds, fault == testhost::LookupFault::NestedRegistration ? 3 : 0);
        ASSERT_EQ(world.commands.size(), 1u); // the next command works, the only one issued
        EXPECT_EQ(std::pair(identifier, world.commands[0].name),
                  std::pair(7, std::string("GetPlayerIdentifier")));
        // The game's callee at the frame's site still ran, and the game's context is back.
        EXPECT_EQ(testhost::LastRecord(0).calls, calleeRunsBefore + 1);
        EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), testhost::GameScriptContext());
    }
};

TEST_F(LookupGuard, AnAccessViolationSkipsTheCommand) {
    FailsAndTheFrameGoesOn(testhost::LookupFault::AccessViolation);
}
TEST_F(LookupGuard, ANoncontinuableExceptionSkipsTheCommand) {
    FailsAndTheFrameGoesOn(testhost::LookupFault::Noncontinuable);
}
TEST_F(LookupGuard, ARegistrationInsideTheLookupIsUnwound) {
    FailsAndTheFrameGoesOn(testhost::LookupFault::NestedRegistration);
}

} // namespace
