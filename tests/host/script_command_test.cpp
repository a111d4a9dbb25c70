// Script commands issued by the plugin's code in a frame, as the stand-in game receives them.
#include "script/commands.h"
#include "script/script_command.h"
#include "script_frame.h"

#include <bit>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using testhost::ScriptCallRecord;
namespace hashes = testhost::hashes;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// Test commands of the game, for shapes of behaviour its real commands do not show.
constexpr std::uint32_t kTwoVectors = 0x7E570001;
constexpr std::uint32_t kStoresWord = 0x7E570002;

std::uint32_t g_word;

// Leaves two vectors for the caller's memory named by the first argument; entry 1's destination
// overlaps the end of entry 0's, so the order of the copies shows.
void LeaveTwoVectors(ScriptCallRecord* record) {
    float* memory = reinterpret_cast<float*>(record->arguments[0]);
    record->vectorTargets[0] = memory;
    record->vectors[0] = {1.5f, 2.5f, 3.5f, 4.5f};
    record->vectorTargets[1] = memory + 1;
    record->vectors[1] = {-1.0f, -2.0f, -3.0f, -4.0f};
    record->vectorsPending = 2;
}

void StoreWord(ScriptCallRecord* record) {
    *record->result = g_word;
}

class ScriptCommands : public ScriptFrame {};

// Marks a slot that holds a text pointer, checked through the texts the game read.
constexpr std::uint32_t kText = 0xFFFFFFFF;

// Each wrapper once, as the game receives it: its arguments in slot order, unused slots cleared,
// both record pointers on slot 0, bools exactly 0 or 1, texts NUL-terminated.
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
        EXPECT_EQ(command.name, rows[i].name);
        EXPECT_EQ(command.argumentCount, rows[i].slots.size());
        EXPECT_TRUE(command.pointersOnFirstSlot);
        EXPECT_EQ(command.vectorsPendingOnEntry, 0u);
        EXPECT_EQ(command.activeContext, Addr(PluginScriptContext));
        for (std::size_t slot = 0; slot < 16; ++slot) {
            const std::uint32_t expected = slot < rows[i].slots.size() ? rows[i].slots[slot] : 0u;
            if (expected != kText) {
                EXPECT_EQ(command.arguments[slot], expected) << "slot " << slot;
            }
        }
        EXPECT_EQ(command.texts, rows[i].texts);
    }
}

// Results come from slot 0 in the result type; vectors the game leaves pending are copied back to
// the caller last first, twelve bytes each.
TEST_F(ScriptCommands, ResultsAndPendingVectorsComeBackAsTheGameLeavesThem) {
    world.AddCommand(kStoresWord, "StoresWord", &StoreWord);
    world.AddCommand(kTwoVectors, "TwoVectors", &LeaveTwoVectors);
    bool boolean = true;
    float number = 0, memory[6] = {9, 9, 9, 9, 9, 9};
    std::int32_t integer = 0;
    std::uint32_t countAfter = 99;
    InFrame([&] {
        g_word = 0x100; // only the lowest byte counts for a bool
        boolean = ScriptCall().Int(1).Invoke(kStoresWord).ResultBool();
        g_word = Bits(2.5f);
        number = ScriptCall().Invoke(kStoresWord).ResultFloat();
        g_word = 0xFFFFFFFE;
        integer = ScriptCall().Invoke(kStoresWord).ResultInt();
        ScriptCall call;
        call.Int(SlotAddress(memory)).Invoke(kTwoVectors);
        countAfter = call.Record().pendingVectorCount;
    });
    EXPECT_FALSE(boolean);
    EXPECT_EQ(number, 2.5f);
    EXPECT_EQ(integer, -2);
    // Entry 1 first: memory[1..3] = -1, -2, -3; then entry 0: memory[0..2] = 1.5, 2.5, 3.5. The
    // fourth float of entry 1 would land on memory[4]: it is never copied.
    EXPECT_EQ(std::vector<float>(memory, memory + 6), (std::vector<float>{1.5f, 2.5f, 3.5f, -3.0f, 9, 9}));
    EXPECT_EQ(countAfter, 0u);
}

TEST_F(ScriptCommands, AnUnknownCommandRunsNothingAndReturnsItsFirstArgument) {
    for (std::uint32_t hash :
         {hashes::DoesVehicleExist, hashes::GetLocalPlayerIndex, hashes::GetPlayerCharacter,
          hashes::ReadFloatById, hashes::GetCharacterCoordinates})
        world.MakeUnknown(hash);
    bool lowByteSet = false, lowByteClear = true;
    std::int32_t index = -1, character = 12345;
    float money = 0, x = 1, y = 2, z = 3;
    InFrame([&] {
        lowByteSet = DoesVehicleExist(0x1201);
        lowByteClear = DoesVehicleExist(0x1200);
        index = GetLocalPlayerIndex();
        GetPlayerCharacter(5, &character);
        money = ReadFloatById(108);
        GetCharacterCoordinates(world.player.character, &x, &y, &z);
    });
    EXPECT_TRUE(lowByteSet);
    EXPECT_FALSE(lowByteClear);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(Bits(money), 108u);
    EXPECT_EQ(character, 12345); // out parameters keep their values
    EXPECT_EQ((std::vector<float>{x, y, z}), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(world.counters.handlerCalls, 0);
    EXPECT_EQ(world.counters.unknownLookups, 6);
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

// The game's lookup fails in one of its ways (each test in a process of its own: a guard that
// mishandles one ends the game).
class LookupGuard : public ScriptFrame {
  protected:
    void FailsAndTheFrameGoesOn(testhost::LookupFault fault);
};

void LookupGuard::FailsAndTheFrameGoesOn(testhost::LookupFault fault) {
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
    EXPECT_EQ(faulted, 0);
    EXPECT_EQ(world.counters.lookupFaults, 2);
    EXPECT_EQ(chainAfter, chainBefore);
    EXPECT_EQ(canary, 0xC0FFEEu);
    // The failing routine clobbered every register; the caller's are back.
    const void* lookup = reinterpret_cast<const void*>(&GetScriptCommandHandler);
    EXPECT_EQ(RegistersClobberedBy(lookup, hashes::GetLocalPlayerIndex), 0u);
    EXPECT_EQ(RegistersClobberedBy(lookup, hashes::GetPlayerIdentifier), 0u);
    EXPECT_EQ(world.counters.lookupFaults, 3);
    // A registration made inside the lookup is unwound each time, before the guard resumes.
    EXPECT_EQ(world.counters.lookupUnwinds, fault == testhost::LookupFault::NestedRegistration ? 3 : 0);
    EXPECT_EQ(identifier, 7); // the next command works
    ASSERT_EQ(world.commands.size(), 1u);
    EXPECT_EQ(world.commands[0].name, "GetPlayerIdentifier");
    // The game's own callee at the frame's site still ran, in the game's context again afterwards.
    EXPECT_EQ(testhost::LastRecord(0).calls, calleeRunsBefore + 1);
    EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), testhost::GameScriptContext());
    // A handler looked up by the guard is called unguarded afterwards, with normal exceptions intact.
    EXPECT_THROW(throw std::runtime_error("still unwinds"), std::runtime_error);
}

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
