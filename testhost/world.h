#pragma once
// The stand-in game's world: a local player, characters and vehicles, with the game's script
// commands (looked up by hash through the lookup routine that takes the hash in ESI) and the game
// functions the plugin calls directly, each with the game's own calling convention. Everything
// the plugin does to the world is logged per frame, so a test can see it as the game would.
//
// This is the game's side: it has its own view of the script call record and of its objects,
// and shares no layout with the plugin.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace testhost {

struct Position {
    float x = 0, y = 0, z = 0;
};

// The game's script call record as the game sees it: 160 bytes.
struct ScriptCallRecord {
    struct Vector {
        float x, y, z, w;
    };
    std::uint32_t* result;
    std::uint32_t argumentCount;
    std::uint32_t* arguments;
    std::uint32_t vectorsPending;
    float* vectorTargets[4];
    Vector vectors[4];
    std::uint32_t slots[16];
};
static_assert(sizeof(ScriptCallRecord) == 160);
static_assert(offsetof(ScriptCallRecord, slots) == 96);

using ScriptCommandEntry = void (*)(ScriptCallRecord*);

// The game's objects, at the field offsets the game uses.
struct ModelRecord {
    std::byte before[0xE8];
    std::int32_t baseValue;
};
static_assert(offsetof(ModelRecord, baseValue) == 0xE8);

struct VehicleObject {
    std::byte before[0x1F0];
    float health;
    std::byte between[0xE18 - 0x1F4];
    ModelRecord* modelData;
};
static_assert(offsetof(VehicleObject, health) == 0x1F0);
static_assert(offsetof(VehicleObject, modelData) == 0xE18);

struct CharacterObject {
    std::byte before[0x20];
    float (*transform)[4]; // 4 by 4, row by row; row 3 is the position
};
static_assert(offsetof(CharacterObject, transform) == 0x20);

struct Character {
    std::int32_t handle = 0;
    CharacterObject object{};
    float matrix[4][4] = {};
    std::uint32_t model = 0;
    std::int32_t money = 0;
    std::int32_t group = 0;   // group joined, 0 for none
    std::int32_t vehicle = 0; // vehicle sat in, 0 for none
    bool dead = false;
    bool injured = false;
    std::int32_t damagedBy = 0; // character that damaged it, 0 for none
    std::vector<std::string> speech;
    bool preparedForGroup = false;
    std::optional<bool> option;
    std::optional<std::int32_t> mode;
    int stateResets = 0;
    int activityResets = 0;
    std::optional<Position> destination; // where it was sent
    bool dismissed = false;
    bool released = false;
    bool registered = false; // registered by the game function after creation

    Position position() const { return {matrix[3][0], matrix[3][1], matrix[3][2]}; }
    void SetPosition(Position p);
};

struct Vehicle {
    std::int32_t handle = 0;
    VehicleObject object{};
    ModelRecord model{};
    Position position;
    bool ownedByPlayer = false;
    bool forSale = false;
    std::optional<std::int32_t> statusCode;
    bool released = false;

    float health() const { return object.health; }
    std::int32_t baseValue() const { return model.baseValue; }
};

struct LocalPlayer {
    std::int32_t index = 0;
    std::int32_t identifier = 0;
    std::int32_t character = 0;
    std::int32_t group = 0;
    float money = 0; // what ReadFloatById(108) reports
    std::int32_t alertLevel = 0;
    std::optional<bool> groupOption;
};

struct Group {
    std::optional<std::int32_t> option;
    std::int32_t leader = 0;
};

// One script command as the game received it.
struct IssuedCommand {
    std::uint64_t frame = 0;
    std::uint32_t hash = 0;
    std::string name;
    std::uint32_t argumentCount = 0;
    std::uint32_t arguments[16] = {}; // read through the record's argument pointer
    bool pointersOnFirstSlot = false; // result and argument pointers both at the record's slot 0
    std::uint32_t vectorsPendingOnEntry = 0;
    std::uint32_t activeContext = 0; // the game's ActiveScriptContext during the call
    std::vector<std::string> texts;  // the text arguments, as read by the game

    std::int32_t Int(std::size_t i) const { return static_cast<std::int32_t>(arguments[i]); }
    float Float(std::size_t i) const;
};

struct DrawnText {
    std::string text;
    std::string format;
    float x = 0, y = 0;
    float width = 0, height = 0; // the scale set before it
};

// A game function called directly by the plugin, as the game received the call.
struct HostFunctionCall {
    std::string name;
    std::uint32_t self = 0; // object in ECX, for member functions
    std::vector<std::uint32_t> arguments;
};

struct CreatedCharacter {
    std::uint16_t zeroWord = 0xFFFF; // the 16-bit value the first argument points to
    std::int32_t modelIndex = 0;
    float matrix[4][4] = {};
    std::int32_t fourth = -1, fifth = -1;
    std::int32_t handle = 0;
};

// How the game's lookup fails for a hash, each time after clobbering the caller's registers: it
// reads address 0; it raises an exception that cannot be continued (as a C++ throw does); or it
// registers an exception handler of its own, then reads address 0.
enum class LookupFault : std::uint32_t { AccessViolation = 1, Noncontinuable, NestedRegistration };

struct WorldCounters {
    int lookupFaults = 0;
    int lookupUnwinds = 0; // unwinds seen by the lookup's own exception registration
};

class World {
  public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Makes this world the one the game's entry points work on (one at a time), and places those
    // entry points and the game's pool and factory pointers at the offsets of the running layout.
    void Activate();
    static World* Active();

    // Frames: the texts drawn and the commands issued are kept per frame.
    void BeginFrame();
    std::uint64_t frame() const { return frame_; }

    // Population
    Character& AddCharacter(Position position, std::uint32_t model = 0);
    Vehicle& AddVehicle(Position position, float health, std::int32_t baseValue);
    void RemoveCharacter(std::int32_t handle);
    void RemoveVehicle(std::int32_t handle);
    Character* FindCharacter(std::int32_t handle);
    Vehicle* FindVehicle(std::int32_t handle);
    std::vector<Character*> Characters();
    std::vector<Vehicle*> Vehicles();
    Character& PlayerCharacter() { return *FindCharacter(player.character); }

    // Test switches
    void MakeUnknown(std::uint32_t hash) { unknown_.insert(hash); }
    void MakeLookupFault(std::uint32_t hash, LookupFault fault = LookupFault::AccessViolation) {
        faulting_[hash] = fault;
    }
    void AddCommand(std::uint32_t hash, std::string name, ScriptCommandEntry entry);
    bool playerObjectPresent = true;          // GetPlayerObject returns null when false
    bool failCharacterCreation = false;       // the factory returns null when true
    bool knowsModels = true;                  // GetModelIndex writes no index when false
    void SwapVehiclePool();                   // the game moves its vehicle pool to another object
    void RenumberPlayer(std::int32_t handle); // the player's character gets this handle

    // What the plugin sees and did
    LocalPlayer player;
    std::set<std::int32_t> keysHeld;
    std::map<std::int32_t, Group> groups;
    std::vector<IssuedCommand> commands; // every command issued, in order
    std::vector<DrawnText> screen;       // texts drawn in the current frame
    std::vector<HostFunctionCall> hostCalls;
    std::vector<CreatedCharacter> created;
    WorldCounters counters;
    std::int32_t findClosestCalls = 0;

    std::vector<const IssuedCommand*> CommandsInFrame(std::uint64_t frame) const;
    std::vector<const IssuedCommand*> CommandsNamed(const std::string& name) const;
    const IssuedCommand* LastCommand() const { return commands.empty() ? nullptr : &commands.back(); }

    // The game's entry points, for the contact layer to place at the game's offsets.
    struct EntryPoints {
        const void* scriptLookup;
        const void* getVehicleObject;
        const void* getCharacterHandle;
        const void* getPlayerObject;
        const void* getModelIndex;
        const void* requestModel;
        const void* loadRequestedModels;
        const void* registerCharacterObject;
    };
    static EntryPoints Entries();
    // The objects the game's pointer variables point to.
    const void* vehiclePool() const;
    const void* characterPool() const;
    const void* characterFactory() const;

    // Used by the game's entry points.
    std::uint32_t LookUp(std::uint32_t hash);
    void Log(ScriptCallRecord* record, std::uint32_t hash, const char* name);
    void Draw(const char* format, const char* text, float x, float y);
    std::int32_t ModelIndex(std::uint32_t modelHash);

    float textWidth = 0, textHeight = 0;
    std::set<std::uint32_t> requestedModels;
    std::set<std::uint32_t> loadedModels;

  private:
    struct Command {
        std::string name;
        ScriptCommandEntry entry;
    };
    std::map<std::uint32_t, Command> table_;
    std::set<std::uint32_t> unknown_;
    std::map<std::uint32_t, LookupFault> faulting_;
    std::map<std::int32_t, std::unique_ptr<Character>> characters_;
    std::map<std::int32_t, std::unique_ptr<Vehicle>> vehicles_;
    std::map<std::uint32_t, std::int32_t> modelIndices_;
    std::int32_t nextHandle_ = 0x100;
    std::uint64_t frame_ = 0;
};

// The game's script command hashes (its own table, not the plugin's).
namespace hashes {
inline constexpr std::uint32_t GetLocalPlayerIndex = 0x62E319C6;
inline constexpr std::uint32_t GetPlayerCharacter = 0x511454A9;
inline constexpr std::uint32_t GetPlayerIdentifier = 0x5996315E;
inline constexpr std::uint32_t AddPlayerMoney = 0x537379A8;
inline constexpr std::uint32_t ReadFloatById = 0x1D801FC0;
inline constexpr std::uint32_t GetPlayerAlertLevel = 0x12AA6D71;
inline constexpr std::uint32_t ClearPlayerAlertLevel = 0x205622AC;
inline constexpr std::uint32_t GetPlayerGroup = 0x41AB3C30;
inline constexpr std::uint32_t SetPlayerGroupOption = 0x700165C2;
inline constexpr std::uint32_t DoesCharacterExist = 0x46531797;
inline constexpr std::uint32_t IsCharacterDead = 0x4ECB2267;
inline constexpr std::uint32_t IsCharacterInjured = 0x6A6B4F18;
inline constexpr std::uint32_t HasCharacterBeenDamagedBy = 0x1DD624A0;
inline constexpr std::uint32_t IsCharacterInAnyVehicle = 0x1DBD7385;
inline constexpr std::uint32_t GetCharacterVehicle = 0x1B067237;
inline constexpr std::uint32_t GetCharacterCoordinates = 0x2B5C06E6;
inline constexpr std::uint32_t SetCharacterMoney = 0x7B44224F;
inline constexpr std::uint32_t SayCharacterSpeech = 0x5CF149C8;
inline constexpr std::uint32_t PrepareCharacterForGroup = 0x60EC0540;
inline constexpr std::uint32_t AddCharacterToGroup = 0x5E0F611E;
inline constexpr std::uint32_t SetCharacterOption = 0x0F4C513E;
inline constexpr std::uint32_t SetCharacterMode = 0x6D9538E1;
inline constexpr std::uint32_t RemoveCharacterFromGroup = 0x649316B7;
inline constexpr std::uint32_t ResetCharacterState = 0x42DB145F;
inline constexpr std::uint32_t ResetCharacterActivity = 0x4AB470F3;
inline constexpr std::uint32_t SendCharacterToCoordinates = 0x19591255;
inline constexpr std::uint32_t DismissCharacter = 0x43F5151F;
inline constexpr std::uint32_t ReleaseCharacter = 0x0B774604;
inline constexpr std::uint32_t SetGroupOption = 0x64B9757E;
inline constexpr std::uint32_t SetGroupLeader = 0x04C85E23;
inline constexpr std::uint32_t DoesVehicleExist = 0x67A42263;
inline constexpr std::uint32_t GetVehicleCoordinates = 0x2D432EAB;
inline constexpr std::uint32_t FindClosestVehicle = 0x2CB303F8;
inline constexpr std::uint32_t SetVehicleOwnedByPlayer = 0x25750E4F;
inline constexpr std::uint32_t SetVehicleStatusCode = 0x6702757C;
inline constexpr std::uint32_t SetVehicleForSale = 0x0CF76EE0;
inline constexpr std::uint32_t ReleaseVehicle = 0x20C76FD1;
inline constexpr std::uint32_t GetDistance2D = 0x687107CA;
inline constexpr std::uint32_t IsKeyPressed = 0x540D127D;
inline constexpr std::uint32_t SetTextScale = 0x02C069E5;
inline constexpr std::uint32_t DisplayTextLiteral = 0x661B239A;
} // namespace hashes

} // namespace testhost
