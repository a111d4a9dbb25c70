// Script commands issued by the plugin's code in a frame, as the stand-in game receives them.
#include "allocation_count.h"
#include "runtime/clock.h"
#include "script/commands.h"
#include "script/screen_text.h"
#include "script/script_command.h"
#include "script_frame.h"

#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using testhost::ScriptCallRecord;
namespace hashes = testhost::hashes;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}
std::uint32_t Addr(const void* pointer) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// Test commands of the game, for shapes of behaviour its real commands do not show.
constexpr std::uint32_t kTwoVectors = 0x7E570001;
constexpr std::uint32_t kStoresWord = 0x7E570002;
constexpr std::uint32_t kSilent = 0x7E570003;

std::uint32_t g_word;
int g_silent_calls;

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
void Silent(ScriptCallRecord*) {
    ++g_silent_calls;
}

class ScriptCommands : public ScriptFrame {};

struct Expected {
    const char* name;
    std::vector<std::uint32_t> slots;
};

TEST_F(ScriptCommands, EveryWrapperFillsTheGamesRecordInSlotOrder) {
    std::int32_t out = 0;
    float x = 0, y = 0, z = 0, distance = 0;
    std::int32_t handle = 0x1234;
    const char* speech = "GENERIC_BUY";
    const char* shown = "Nice deal!";
    InFrame([&] {
        GetLocalPlayerIndex();
        GetPlayerCharacter(3, &out);
        GetPlayerIdentifier(3);
        AddPlayerMoney(7, -1299);
        ReadFloatById(108);
        GetPlayerAlertLevel(7, &out);
        ClearPlayerAlertLevel(7);
        GetPlayerGroup(3, &out);
        SetPlayerGroupOption(3);
        DoesCharacterExist(0x101);
        IsCharacterDead(0x102);
        IsCharacterInjured(0x103);
        HasCharacterBeenDamagedBy(0x104, 0x105);
        IsCharacterInAnyVehicle(0x106);
        GetCharacterVehicle(0x107, &out);
        GetCharacterCoordinates(0x108, &x, &y, &z);
        SetCharacterMoney(0x109, 20);
        SayCharacterSpeech(0x10A, speech);
        PrepareCharacterForGroup(0x10B);
        AddCharacterToGroup(0x4000, 0x10C);
        SetCharacterOption(0x10D);
        SetCharacterMode(0x10E, 3);
        RemoveCharacterFromGroup(0x10F);
        ResetCharacterState(0x110);
        ResetCharacterActivity(0x111);
        SendCharacterToCoordinates(0x112, 10.5f, -20.25f, 3.0f);
        DismissCharacter(0x113);
        ReleaseCharacter(&handle);
        SetGroupOption(0x4000);
        SetGroupLeader(0x4000, 0x114);
        DoesVehicleExist(0x201);
        GetVehicleCoordinates(0x202, &x, &y, &z);
        FindClosestVehicle(1.0f, 2.0f, 3.0f, 3.0f);
        SetVehicleOwnedByPlayer(0x203, true);
        SetVehicleOwnedByPlayer(0x203, false);
        SetVehicleStatusCode(0x204, 7);
        SetVehicleForSale(0x205, true);
        SetVehicleForSale(0x205, false);
        ReleaseVehicle(&handle);
        GetDistance2D(1.0f, 2.0f, 4.0f, 6.0f, &distance);
        IsKeyPressed(kKeyBackspace);
        SetTextScale(0.5f, 0.25f);
        DisplayTextLiteral(0.7f, 0.14f, shown);
    });
    const std::uint32_t o = Addr(&out), h = Addr(&handle);
    const std::vector<Expected> expected = {
        {"GetLocalPlayerIndex", {}},
        {"GetPlayerCharacter", {3, o}},
        {"GetPlayerIdentifier", {3}},
        {"AddPlayerMoney", {7, static_cast<std::uint32_t>(-1299)}},
        {"ReadFloatById", {108}},
        {"GetPlayerAlertLevel", {7, o}},
        {"ClearPlayerAlertLevel", {7}},
        {"GetPlayerGroup", {3, o}},
        {"SetPlayerGroupOption", {3, 1}},
        {"DoesCharacterExist", {0x101}},
        {"IsCharacterDead", {0x102}},
        {"IsCharacterInjured", {0x103}},
        {"HasCharacterBeenDamagedBy", {0x104, 0x105, 0}},
        {"IsCharacterInAnyVehicle", {0x106}},
        {"GetCharacterVehicle", {0x107, o}},
        {"GetCharacterCoordinates", {0x108, Addr(&x), Addr(&y), Addr(&z)}},
        {"SetCharacterMoney", {0x109, 20}},
        {"SayCharacterSpeech", {0x10A, Addr(speech), 1, 1, 1}},
        {"PrepareCharacterForGroup", {0x10B}},
        {"AddCharacterToGroup", {0x4000, 0x10C}},
        {"SetCharacterOption", {0x10D, 0}},
        {"SetCharacterMode", {0x10E, 3, 0}},
        {"RemoveCharacterFromGroup", {0x10F}},
        {"ResetCharacterState", {0x110, 0, 0}},
        {"ResetCharacterActivity", {0x111}},
        {"SendCharacterToCoordinates", {0x112, Bits(10.5f), Bits(-20.25f), Bits(3.0f), 0, 0}},
        {"DismissCharacter", {0x113}},
        {"ReleaseCharacter", {h}},
        {"SetGroupOption", {0x4000, 1}},
        {"SetGroupLeader", {0x4000, 0x114}},
        {"DoesVehicleExist", {0x201}},
        {"GetVehicleCoordinates", {0x202, Addr(&x), Addr(&y), Addr(&z)}},
        {"FindClosestVehicle", {Bits(1.0f), Bits(2.0f), Bits(3.0f), Bits(3.0f), 0, 70}},
        {"SetVehicleOwnedByPlayer", {0x203, 1}},
        {"SetVehicleOwnedByPlayer", {0x203, 0}},
        {"SetVehicleStatusCode", {0x204, 7}},
        {"SetVehicleForSale", {0x205, 1}},
        {"SetVehicleForSale", {0x205, 0}},
        {"ReleaseVehicle", {h}},
        {"GetDistance2D", {Bits(1.0f), Bits(2.0f), Bits(4.0f), Bits(6.0f), Addr(&distance)}},
        {"IsKeyPressed", {0x0E}},
        {"SetTextScale", {Bits(0.5f), Bits(0.25f)}},
        {"DisplayTextLiteral", {Bits(0.7f), Bits(0.14f), world.commands.back().arguments[2], Addr(shown)}},
    };
    ASSERT_EQ(world.commands.size(), expected.size());
    const std::uint32_t pluginContext = Addr(PluginScriptContext);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const testhost::IssuedCommand& command = world.commands[i];
        SCOPED_TRACE(command.name);
        EXPECT_EQ(command.name, expected[i].name);
        EXPECT_EQ(command.argumentCount, expected[i].slots.size());
        EXPECT_TRUE(command.pointersOnFirstSlot);
        EXPECT_EQ(command.vectorsPendingOnEntry, 0u);
        EXPECT_EQ(command.activeContext, pluginContext);
        for (std::size_t slot = 0; slot < 16; ++slot) // unused slots stay cleared
            EXPECT_EQ(command.arguments[slot], slot < expected[i].slots.size() ? expected[i].slots[slot] : 0u)
                << "slot " << slot;
    }
    // Texts reach the game as NUL-terminated characters; the literal's format is "STRING".
    EXPECT_EQ(world.CommandsNamed("SayCharacterSpeech")[0]->texts, std::vector<std::string>{"GENERIC_BUY"});
    EXPECT_EQ(world.commands.back().texts, (std::vector<std::string>{"STRING", "Nice deal!"}));
}

TEST_F(ScriptCommands, TheGamesAnswersComeBackThroughResultsAndOutParameters) {
    world.player.index = 3;
    world.player.money = 2500.5f;
    world.player.alertLevel = 1;
    world.PlayerCharacter().SetPosition({100.0f, -50.0f, 12.5f});
    const std::int32_t nearest = world.AddVehicle({101.0f, -50.0f, 12.5f}, 800.0f, 20000).handle;
    world.AddVehicle({100.0f, -48.5f, 12.5f}, 800.0f, 20000); // farther
    world.keysHeld.insert(kKeyE);

    std::int32_t index = -1, identifier = -1, character = 0, level = -1, group = 0;
    float money = 0, x = 0, y = 0, z = 0, distance = 0;
    std::int32_t closest = -1, none = -1;
    bool e = false, backspace = true, exists = false, gone = true;
    InFrame([&] {
        index = GetLocalPlayerIndex();
        identifier = GetPlayerIdentifier(index);
        GetPlayerCharacter(index, &character);
        GetPlayerAlertLevel(identifier, &level);
        GetPlayerGroup(index, &group);
        money = ReadFloatById(108);
        GetCharacterCoordinates(character, &x, &y, &z);
        exists = DoesCharacterExist(character);
        gone = DoesCharacterExist(0x7777);
        closest = FindClosestVehicle(x, y, z, 3.0f);
        none = FindClosestVehicle(x + 50.0f, y, z, 3.0f);
        GetDistance2D(0.0f, 0.0f, 3.0f, 4.0f, &distance);
        e = IsKeyPressed(kKeyE);
        backspace = IsKeyPressed(kKeyBackspace);
        AddPlayerMoney(identifier, -500);
    });
    EXPECT_EQ(index, 3);
    EXPECT_EQ(identifier, 7);
    EXPECT_EQ(character, world.player.character);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(group, world.player.group);
    EXPECT_EQ(money, 2500.5f);
    EXPECT_EQ(x, 100.0f);
    EXPECT_EQ(y, -50.0f);
    EXPECT_EQ(z, 12.5f);
    EXPECT_TRUE(exists);
    EXPECT_FALSE(gone);
    EXPECT_EQ(closest, nearest);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(distance, 5.0f);
    EXPECT_TRUE(e);
    EXPECT_FALSE(backspace);
    EXPECT_EQ(world.player.money, 2000.5f);
}

TEST_F(ScriptCommands, PendingVectorsAreCopiedBackLastFirstTwelveBytesEach) {
    world.AddCommand(kTwoVectors, "TwoVectors", &LeaveTwoVectors);
    float memory[6] = {9, 9, 9, 9, 9, 9};
    std::uint32_t countAfter = 99;
    InFrame([&] {
        ScriptCall call;
        call.Int(SlotAddress(memory)).Invoke(kTwoVectors);
        countAfter = call.Record().pendingVectorCount;
    });
    // Entry 1 first: memory[1..3] = -1, -2, -3; then entry 0: memory[0..2] = 1.5, 2.5, 3.5.
    EXPECT_EQ(memory[0], 1.5f);
    EXPECT_EQ(memory[1], 2.5f);
    EXPECT_EQ(memory[2], 3.5f);
    EXPECT_EQ(memory[3], -3.0f);
    EXPECT_EQ(memory[4], 9.0f); // the fourth float of entry 1 is never copied
    EXPECT_EQ(memory[5], 9.0f);
    EXPECT_EQ(countAfter, 0u);
}

TEST_F(ScriptCommands, ResultsAreReadFromSlotZeroInTheResultType) {
    world.AddCommand(kStoresWord, "StoresWord", &StoreWord);
    bool boolean = true;
    float number = 0;
    std::int32_t integer = 0, silent = -1;
    InFrame([&] {
        g_word = 0x100; // only the lowest byte counts for a bool
        boolean = ScriptCall().Int(1).Invoke(kStoresWord).ResultBool();
        g_word = Bits(2.5f);
        number = ScriptCall().Invoke(kStoresWord).ResultFloat();
        g_word = 0xFFFFFFFE;
        integer = ScriptCall().Invoke(kStoresWord).ResultInt();
    });
    EXPECT_FALSE(boolean);
    EXPECT_EQ(number, 2.5f);
    EXPECT_EQ(integer, -2);

    // A command without arguments whose handler writes nothing gives 0.
    g_silent_calls = 0;
    world.AddCommand(kSilent, "Silent", &Silent);
    InFrame([&] { silent = ScriptCall().Invoke(kSilent).ResultInt(); });
    EXPECT_EQ(silent, 0);
    EXPECT_EQ(g_silent_calls, 1);
}

TEST_F(ScriptCommands, AnUnknownCommandRunsNothingAndReturnsItsFirstArgument) {
    for (std::uint32_t hash :
         {hashes::DoesVehicleExist, hashes::GetLocalPlayerIndex, hashes::GetPlayerCharacter,
          hashes::ReadFloatById, hashes::GetCharacterCoordinates, hashes::FindClosestVehicle})
        world.MakeUnknown(hash);
    world.player.index = 5;
    bool lowByteSet = false, lowByteClear = true;
    std::int32_t index = -1, character = 12345, vehicle = -1;
    float money = 0, x = 1, y = 2, z = 3;
    InFrame([&] {
        lowByteSet = DoesVehicleExist(0x1201);
        lowByteClear = DoesVehicleExist(0x1200);
        index = GetLocalPlayerIndex();
        GetPlayerCharacter(5, &character);
        money = ReadFloatById(108);
        GetCharacterCoordinates(world.player.character, &x, &y, &z);
        vehicle = FindClosestVehicle(2.5f, 0, 0, 3.0f);
    });
    EXPECT_TRUE(lowByteSet);
    EXPECT_FALSE(lowByteClear);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(character, 12345);
    EXPECT_EQ(Bits(money), 108u);
    EXPECT_EQ((std::vector<float>{x, y, z}), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(vehicle, static_cast<std::int32_t>(Bits(2.5f)));
    EXPECT_EQ(world.counters.handlerCalls, 0);
    EXPECT_TRUE(world.commands.empty());
    EXPECT_EQ(world.counters.unknownLookups, 7);
}

// Calls fn(argument) with EBX, ESI, EDI and EBP set to marks and returns a bit for each of them
// that the call did not preserve (1 EBX, 2 ESI, 4 EDI, 8 EBP).
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
        xorl    %eax, %eax
        cmpl    $0xB0B0B0B0, %ebx
        je      1f
        orl     $1, %eax
1:      cmpl    $0x51515151, %esi
        je      2f
        orl     $2, %eax
2:      cmpl    $0xD1D1D1D1, %edi
        je      3f
        orl     $4, %eax
3:      cmpl    $0xEBEBEBEB, %ebp
        je      4f
        orl     $8, %eax
4:      popl    %edi
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

TEST_F(ScriptCommands, ALookupThatFaultsSkipsTheCommandAndTheFrameGoesOn) {
    world.MakeLookupFault(hashes::GetLocalPlayerIndex);
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
    // The faulting routine clobbered every register; the caller's are back.
    const void* lookup = reinterpret_cast<const void*>(&GetScriptCommandHandler);
    EXPECT_EQ(RegistersClobberedBy(lookup, hashes::GetLocalPlayerIndex), 0u);
    EXPECT_EQ(RegistersClobberedBy(lookup, hashes::GetPlayerIdentifier), 0u);
    EXPECT_EQ(world.counters.lookupFaults, 3);
    EXPECT_EQ(identifier, 7); // the next command works
    ASSERT_EQ(world.commands.size(), 1u);
    EXPECT_EQ(world.commands[0].name, "GetPlayerIdentifier");
    // The game's own callee at the frame's site still ran, in the game's context again afterwards.
    EXPECT_EQ(testhost::LastRecord(0).calls, calleeRunsBefore + 1);
    EXPECT_EQ(testhost::ReadWord(testhost::ActiveScriptContextAddress()), testhost::GameScriptContext());
    // A handler looked up by the guard is called unguarded afterwards, with normal exceptions intact.
    EXPECT_THROW(throw std::runtime_error("still unwinds"), std::runtime_error);
}

TEST_F(ScriptCommands, DrawScreenTextSetsTheScaleThenDrawsTheLiteral) {
    InFrame([] {
        DrawScreenText("Buying", 0.8f, 0.8f, 0.5f);
        DrawScreenText("", 0.7f, 0.14f, 0.3f);
    });
    std::vector<std::string> names;
    for (const auto& command : world.commands) names.push_back(command.name);
    EXPECT_EQ(names, (std::vector<std::string>{"SetTextScale", "DisplayTextLiteral", "SetTextScale",
                                               "DisplayTextLiteral"}));
    ASSERT_EQ(world.screen.size(), 2u);
    const testhost::DrawnText& buying = world.screen[0];
    EXPECT_EQ(buying.text, "Buying");
    EXPECT_EQ(buying.format, "STRING");
    EXPECT_EQ((std::vector<float>{buying.x, buying.y, buying.width, buying.height}),
              (std::vector<float>{0.8f, 0.8f, 0.5f, 0.5f}));
    EXPECT_EQ(world.screen[1].text, "");
    EXPECT_EQ(world.screen[1].width, 0.3f);

    // The next frame shows only what is drawn again.
    InFrame([] {});
    EXPECT_TRUE(world.screen.empty());
}

TEST_F(ScriptCommands, ATimedMessageIsDrawnOnlyAfterItIsShown) {
    TimedMessage message;
    InFrame([&] { message.Draw(); });
    EXPECT_TRUE(world.screen.empty());
    EXPECT_TRUE(world.commands.empty());

    message.Show("The vehicle is yours!");
    InFrame([&] { message.Draw(); });
    ASSERT_EQ(world.screen.size(), 1u);
    EXPECT_EQ(world.screen[0].text, "The vehicle is yours!");
    EXPECT_EQ((std::vector<float>{world.screen[0].x, world.screen[0].y, world.screen[0].width}),
              (std::vector<float>{0.1f, 0.1f, 1.0f}));

    message.expiry = Now(); // its last second has passed
    InFrame([&] { message.Draw(); });
    EXPECT_TRUE(world.screen.empty());
}

TEST_F(ScriptCommands, InvokingAndDrawingAllocateNothing) {
    // Handlers of the game that allocate nothing themselves, so that only the plugin's side counts.
    g_silent_calls = 0;
    world.AddCommand(hashes::SetTextScale, "SetTextScale", &Silent);
    world.AddCommand(hashes::DisplayTextLiteral, "DisplayTextLiteral", &Silent);
    world.AddCommand(hashes::DoesVehicleExist, "DoesVehicleExist", &Silent);
    world.MakeUnknown(hashes::SendCharacterToCoordinates);
    TimedMessage message;
    message.Show("A message long enough to live on the heap, not in the string itself");
    int allocations = -1;
    InFrame([&] {
        const int before = AllocationCount();
        DrawScreenText("Buying", 0.8f, 0.8f, 0.5f);
        DrawScreenText("[BACKSPACE] Bargain", 0.7f, 0.14f, 0.3f);
        message.Draw();
        DoesVehicleExist(0x101);
        SendCharacterToCoordinates(0x101, 1, 2, 3); // no handler: looked up and skipped
        allocations = AllocationCount() - before;
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(g_silent_calls, 7);
}

} // namespace
