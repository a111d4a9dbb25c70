#include "world.h"

#include "contact.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testhost {

namespace {

World* g_active = nullptr;

World& Active() {
    if (g_active == nullptr) {
        std::fprintf(stderr, "stand-in game: no world is active\n");
        std::abort();
    }
    return *g_active;
}

// A command's arguments and result, read and written the way the game does: through the
// record's argument and result pointers.
class Call {
  public:
    Call(ScriptCallRecord* record, IssuedCommand& log) : record_(record), log_(log) {}

    std::int32_t Int(int i) const { return static_cast<std::int32_t>(record_->arguments[i]); }
    float Float(int i) const { return std::bit_cast<float>(record_->arguments[i]); }
    bool Bool(int i) const { return (record_->arguments[i] & 0xFF) != 0; }
    const char* Text(int i) const {
        const char* text = reinterpret_cast<const char*>(record_->arguments[i]);
        log_.texts.emplace_back(text ? text : "");
        return text;
    }
    template <typename T> T* Out(int i) const { return reinterpret_cast<T*>(record_->arguments[i]); }

    void ReturnInt(std::int32_t value) const { *record_->result = static_cast<std::uint32_t>(value); }
    void ReturnBool(bool value) const { *record_->result = value ? 1 : 0; }
    void ReturnFloat(float value) const { *record_->result = std::bit_cast<std::uint32_t>(value); }

  private:
    ScriptCallRecord* record_;
    IssuedCommand& log_;
};

using Body = void (*)(World&, const Call&);

template <std::uint32_t Hash, Body Do> void Entry(ScriptCallRecord* record) {
    World& world = Active();
    world.Log(record, Hash, nullptr);
    Do(world, Call(record, world.commands.back()));
}

// Player and money

void DoGetLocalPlayerIndex(World& w, const Call& c) {
    c.ReturnInt(w.player.index);
}

void DoGetPlayerCharacter(World& w, const Call& c) {
    if (c.Int(0) == w.player.index) *c.Out<std::int32_t>(1) = w.player.character;
}

void DoGetPlayerIdentifier(World& w, const Call& c) {
    c.ReturnInt(c.Int(0) == w.player.index ? w.player.identifier : -1);
}

void DoAddPlayerMoney(World& w, const Call& c) {
    if (c.Int(0) == w.player.identifier) w.player.money += static_cast<float>(c.Int(1));
}

void DoReadFloatById(World& w, const Call& c) {
    c.ReturnFloat(c.Int(0) == 108 ? w.player.money : 0.0f);
}

void DoGetPlayerAlertLevel(World& w, const Call& c) {
    if (c.Int(0) == w.player.identifier) *c.Out<std::int32_t>(1) = w.player.alertLevel;
}

void DoClearPlayerAlertLevel(World& w, const Call& c) {
    if (c.Int(0) == w.player.identifier) w.player.alertLevel = 0;
}

void DoGetPlayerGroup(World& w, const Call& c) {
    if (c.Int(0) == w.player.index) *c.Out<std::int32_t>(1) = w.player.group;
}

void DoSetPlayerGroupOption(World& w, const Call& c) {
    if (c.Int(0) == w.player.index) w.player.groupOption = c.Bool(1);
}

// Characters

void DoDoesCharacterExist(World& w, const Call& c) {
    c.ReturnBool(w.FindCharacter(c.Int(0)) != nullptr);
}

void DoIsCharacterDead(World& w, const Call& c) {
    const Character* character = w.FindCharacter(c.Int(0));
    c.ReturnBool(character && character->dead);
}

void DoIsCharacterInjured(World& w, const Call& c) {
    const Character* character = w.FindCharacter(c.Int(0));
    c.ReturnBool(character && character->injured);
}

void DoHasCharacterBeenDamagedBy(World& w, const Call& c) {
    const Character* character = w.FindCharacter(c.Int(0));
    c.ReturnBool(character && character->damagedBy != 0 && character->damagedBy == c.Int(1));
}

void DoIsCharacterInAnyVehicle(World& w, const Call& c) {
    const Character* character = w.FindCharacter(c.Int(0));
    c.ReturnBool(character && character->vehicle != 0);
}

void DoGetCharacterVehicle(World& w, const Call& c) {
    if (const Character* character = w.FindCharacter(c.Int(0))) *c.Out<std::int32_t>(1) = character->vehicle;
}

void DoGetCharacterCoordinates(World& w, const Call& c) {
    if (const Character* character = w.FindCharacter(c.Int(0))) {
        const Position p = character->position();
        *c.Out<float>(1) = p.x;
        *c.Out<float>(2) = p.y;
        *c.Out<float>(3) = p.z;
    }
}

void DoSetCharacterMoney(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) character->money = c.Int(1);
}

void DoSayCharacterSpeech(World& w, const Call& c) {
    const char* context = c.Text(1);
    if (Character* character = w.FindCharacter(c.Int(0)))
        character->speech.emplace_back(context ? context : "");
}

void DoPrepareCharacterForGroup(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) character->preparedForGroup = true;
}

void DoAddCharacterToGroup(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(1))) character->group = c.Int(0);
}

void DoSetCharacterOption(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) character->option = c.Bool(1);
}

void DoSetCharacterMode(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) character->mode = c.Int(1);
}

void DoRemoveCharacterFromGroup(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) character->group = 0;
}

void DoResetCharacterState(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) ++character->stateResets;
}

void DoResetCharacterActivity(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) ++character->activityResets;
}

void DoSendCharacterToCoordinates(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0)))
        character->destination = Position{c.Float(1), c.Float(2), c.Float(3)};
}

void DoDismissCharacter(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(c.Int(0))) character->dismissed = true;
}

void DoReleaseCharacter(World& w, const Call& c) {
    if (Character* character = w.FindCharacter(*c.Out<std::int32_t>(0))) character->released = true;
}

// Groups

void DoSetGroupOption(World& w, const Call& c) {
    w.groups[c.Int(0)].option = c.Int(1);
}

void DoSetGroupLeader(World& w, const Call& c) {
    w.groups[c.Int(0)].leader = c.Int(1);
}

// Vehicles

void DoDoesVehicleExist(World& w, const Call& c) {
    c.ReturnBool(w.FindVehicle(c.Int(0)) != nullptr);
}

void DoGetVehicleCoordinates(World& w, const Call& c) {
    if (const Vehicle* vehicle = w.FindVehicle(c.Int(0))) {
        *c.Out<float>(1) = vehicle->position.x;
        *c.Out<float>(2) = vehicle->position.y;
        *c.Out<float>(3) = vehicle->position.z;
    }
}

void DoFindClosestVehicle(World& w, const Call& c) {
    const Position from{c.Float(0), c.Float(1), c.Float(2)};
    const float radius = c.Float(3);
    ++w.findClosestCalls;
    std::int32_t best = 0;
    float bestDistance = radius;
    for (const Vehicle* vehicle : w.Vehicles()) {
        const float dx = vehicle->position.x - from.x, dy = vehicle->position.y - from.y,
                    dz = vehicle->position.z - from.z;
        const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (distance <= bestDistance && (best == 0 || distance < bestDistance)) {
            best = vehicle->handle;
            bestDistance = distance;
        }
    }
    c.ReturnInt(best);
}

void DoSetVehicleOwnedByPlayer(World& w, const Call& c) {
    if (Vehicle* vehicle = w.FindVehicle(c.Int(0))) vehicle->ownedByPlayer = c.Bool(1);
}

void DoSetVehicleStatusCode(World& w, const Call& c) {
    if (Vehicle* vehicle = w.FindVehicle(c.Int(0))) vehicle->statusCode = c.Int(1);
}

void DoSetVehicleForSale(World& w, const Call& c) {
    if (Vehicle* vehicle = w.FindVehicle(c.Int(0))) vehicle->forSale = c.Bool(1);
}

void DoReleaseVehicle(World& w, const Call& c) {
    if (Vehicle* vehicle = w.FindVehicle(*c.Out<std::int32_t>(0))) vehicle->released = true;
}

// Geometry, input and text

void DoGetDistance2D(World&, const Call& c) {
    *c.Out<float>(4) = std::hypot(c.Float(2) - c.Float(0), c.Float(3) - c.Float(1));
}

void DoIsKeyPressed(World& w, const Call& c) {
    c.ReturnBool(w.keysHeld.count(c.Int(0)) != 0);
}

void DoSetTextScale(World& w, const Call& c) {
    w.textWidth = c.Float(0);
    w.textHeight = c.Float(1);
}

void DoDisplayTextLiteral(World& w, const Call& c) {
    const char* format = c.Text(2);
    const char* text = c.Text(3);
    w.Draw(format, text, c.Float(0), c.Float(1));
}

// The game functions the plugin calls directly, with the game's calling conventions.

#define GAME_MEMBER __attribute__((thiscall))

struct VehiclePool {
    std::uint32_t tag;
};
struct CharacterPool {
    std::uint32_t tag;
};
struct CharacterFactory {
    const void* const* vtable;
};

VehiclePool g_vehiclePools[2] = {{0x5001}, {0x5002}};
int g_vehiclePoolIndex = 0;
CharacterPool g_characterPool = {0xC001};

void LogHostCall(World& w, const char* name, const void* self,
                 std::initializer_list<std::uint32_t> arguments) {
    w.hostCalls.push_back(
        {name, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(self)), arguments});
}

std::uint32_t U(const void* pointer) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// A game function given another object than the game's own (none, or one it no longer uses) reads
// what is not there: the game goes down.
[[noreturn]] void WrongObject(const char* function) {
    std::fprintf(stderr, "stand-in game: %s was given an object that is not the game's\n", function);
    std::abort();
}

VehicleObject* GAME_MEMBER GameGetVehicleObject(VehiclePool* pool, std::int32_t handle) {
    World& w = Active();
    LogHostCall(w, "GetVehicleObject", pool, {static_cast<std::uint32_t>(handle)});
    if (pool != &g_vehiclePools[g_vehiclePoolIndex]) WrongObject("GetVehicleObject");
    Vehicle* vehicle = w.FindVehicle(handle);
    return vehicle ? &vehicle->object : nullptr;
}

std::int32_t GAME_MEMBER GameGetCharacterHandle(CharacterPool* pool, CharacterObject* object) {
    World& w = Active();
    LogHostCall(w, "GetCharacterHandle", pool, {U(object)});
    if (pool != &g_characterPool) WrongObject("GetCharacterHandle");
    for (const Character* character : w.Characters())
        if (&character->object == object) return character->handle;
    return 0;
}

CharacterObject* GameGetPlayerObject() {
    World& w = Active();
    LogHostCall(w, "GetPlayerObject", nullptr, {});
    Character* character = w.FindCharacter(w.player.character);
    return w.playerObjectPresent && character ? &character->object : nullptr;
}

void GameGetModelIndex(std::uint32_t modelHash, std::int32_t* index) {
    World& w = Active();
    LogHostCall(w, "GetModelIndex", nullptr, {modelHash, U(index)});
    if (w.knowsModels) *index = w.ModelIndex(modelHash);
}

void GameRequestModel(std::uint32_t modelHash, std::int32_t flags) {
    World& w = Active();
    LogHostCall(w, "RequestModel", nullptr, {modelHash, static_cast<std::uint32_t>(flags)});
    w.requestedModels.insert(modelHash);
}

void GameLoadRequestedModels(std::int32_t flags) {
    World& w = Active();
    LogHostCall(w, "LoadRequestedModels", nullptr, {static_cast<std::uint32_t>(flags)});
    w.loadedModels.insert(w.requestedModels.begin(), w.requestedModels.end());
    w.requestedModels.clear();
}

void GameRegisterCharacterObject(CharacterObject* object, std::int32_t flags) {
    World& w = Active();
    LogHostCall(w, "RegisterCharacterObject", nullptr, {U(object), static_cast<std::uint32_t>(flags)});
    if (object == nullptr) WrongObject("RegisterCharacterObject");
    for (Character* character : w.Characters())
        if (&character->object == object) character->registered = true;
}

CharacterObject* GAME_MEMBER GameCreateCharacterObject(CharacterFactory* factory, const std::uint16_t* zero,
                                                       std::int32_t modelIndex, const float* matrix,
                                                       std::int32_t fourth, std::int32_t fifth);

void GAME_MEMBER GameWrongVirtual(CharacterFactory*) {
    std::fprintf(stderr, "stand-in game: the character factory was called through a wrong virtual slot\n");
    std::abort();
}

const void* const g_factoryVtable[8] = {
    reinterpret_cast<const void*>(&GameWrongVirtual),
    reinterpret_cast<const void*>(&GameWrongVirtual),
    reinterpret_cast<const void*>(&GameWrongVirtual),
    reinterpret_cast<const void*>(&GameWrongVirtual),
    reinterpret_cast<const void*>(&GameWrongVirtual),
    reinterpret_cast<const void*>(&GameCreateCharacterObject),
    reinterpret_cast<const void*>(&GameWrongVirtual),
    reinterpret_cast<const void*>(&GameWrongVirtual),
};
CharacterFactory g_factory = {g_factoryVtable};

CharacterObject* GAME_MEMBER GameCreateCharacterObject(CharacterFactory* factory, const std::uint16_t* zero,
                                                       std::int32_t modelIndex, const float* matrix,
                                                       std::int32_t fourth, std::int32_t fifth) {
    World& w = Active();
    LogHostCall(w, "CreateCharacterObject", factory,
                {U(zero), static_cast<std::uint32_t>(modelIndex), U(matrix),
                 static_cast<std::uint32_t>(fourth), static_cast<std::uint32_t>(fifth)});
    if (factory != &g_factory) WrongObject("CreateCharacterObject");
    CreatedCharacter record;
    record.zeroWord = *zero;
    record.modelIndex = modelIndex;
    std::memcpy(record.matrix, matrix, sizeof record.matrix);
    record.fourth = fourth;
    record.fifth = fifth;

    std::uint32_t model = 0;
    bool loaded = false;
    for (std::uint32_t hash : w.loadedModels)
        if (w.ModelIndex(hash) == modelIndex) model = hash, loaded = true;
    if (w.failCharacterCreation || !loaded) {
        w.created.push_back(record);
        return nullptr;
    }
    Character& character = w.AddCharacter({}, model);
    std::memcpy(character.matrix, matrix, sizeof character.matrix);
    record.handle = character.handle;
    w.created.push_back(record);
    return &character.object;
}

#undef GAME_MEMBER

const std::map<std::uint32_t, std::pair<const char*, ScriptCommandEntry>>& CommandTable() {
#define COMMAND(Name)                                                                                        \
    {                                                                                                        \
        hashes::Name, {                                                                                      \
#Name, &Entry < hashes::Name, &Do##Name>                                                         \
        }                                                                                                    \
    }
    static const std::map<std::uint32_t, std::pair<const char*, ScriptCommandEntry>> table = {
        COMMAND(GetLocalPlayerIndex),
        COMMAND(GetPlayerCharacter),
        COMMAND(GetPlayerIdentifier),
        COMMAND(AddPlayerMoney),
        COMMAND(ReadFloatById),
        COMMAND(GetPlayerAlertLevel),
        COMMAND(ClearPlayerAlertLevel),
        COMMAND(GetPlayerGroup),
        COMMAND(SetPlayerGroupOption),
        COMMAND(DoesCharacterExist),
        COMMAND(IsCharacterDead),
        COMMAND(IsCharacterInjured),
        COMMAND(HasCharacterBeenDamagedBy),
        COMMAND(IsCharacterInAnyVehicle),
        COMMAND(GetCharacterVehicle),
        COMMAND(GetCharacterCoordinates),
        COMMAND(SetCharacterMoney),
        COMMAND(SayCharacterSpeech),
        COMMAND(PrepareCharacterForGroup),
        COMMAND(AddCharacterToGroup),
        COMMAND(SetCharacterOption),
        COMMAND(SetCharacterMode),
        COMMAND(RemoveCharacterFromGroup),
        COMMAND(ResetCharacterState),
        COMMAND(ResetCharacterActivity),
        COMMAND(SendCharacterToCoordinates),
        COMMAND(DismissCharacter),
        COMMAND(ReleaseCharacter),
        COMMAND(SetGroupOption),
        COMMAND(SetGroupLeader),
        COMMAND(DoesVehicleExist),
        COMMAND(GetVehicleCoordinates),
        COMMAND(FindClosestVehicle),
        COMMAND(SetVehicleOwnedByPlayer),
        COMMAND(SetVehicleStatusCode),
        COMMAND(SetVehicleForSale),
        COMMAND(ReleaseVehicle),
        COMMAND(GetDistance2D),
        COMMAND(IsKeyPressed),
        COMMAND(SetTextScale),
        COMMAND(DisplayTextLiteral),
    };
#undef COMMAND
    return table;
}

} // namespace

// The lookup routine's body; the entry (world_lookup.S) takes the hash in ESI. 0 means unknown,
// 1 to 3 ask the entry to fail as that LookupFault.
extern "C" std::uint32_t WorldScriptLookup(std::uint32_t hash) {
    return Active().LookUp(hash);
}

// The handler the lookup registers for itself: it takes no exception, and counts its unwinds.
extern "C" EXCEPTION_DISPOSITION WorldLookupOwnHandler(EXCEPTION_RECORD* exception, void*, CONTEXT*, void*) {
    if (exception->ExceptionFlags & EXCEPTION_UNWINDING) ++Active().counters.lookupUnwinds;
    return ExceptionContinueSearch;
}
extern "C" void WorldScriptLookupEntry();

void Character::SetPosition(Position p) {
    matrix[3][0] = p.x;
    matrix[3][1] = p.y;
    matrix[3][2] = p.z;
}

float IssuedCommand::Float(std::size_t i) const {
    return std::bit_cast<float>(arguments[i]);
}

World::World() {
    for (const auto& [hash, command] : CommandTable()) table_[hash] = {command.first, command.second};
    Character& self = AddCharacter({0, 0, 0});
    player.index = 0;
    player.identifier = 7; // differs from the index, as in the game
    player.character = self.handle;
    player.group = 0x4000;
}

World::~World() {
    if (g_active == this) g_active = nullptr;
}

namespace {

struct OffsetPair {
    std::uint32_t v1070, v1080;
};

// Where the game keeps these, in each build.
constexpr OffsetPair kScriptLookup = {0x1A76D0, 0x226AF0};
constexpr OffsetPair kGetVehicleObject = {0x26700, 0x92E00};
constexpr OffsetPair kGetCharacterHandle = {0x47230, 0xAFF10};
constexpr OffsetPair kGetPlayerObject = {0x417F40, 0x3CD230};
constexpr OffsetPair kGetModelIndex = {0x58AAE0, 0x4DD2D0};
constexpr OffsetPair kRequestModel = {0x76C3D0, 0x7191D0};
constexpr OffsetPair kLoadRequestedModels = {0x432C20, 0x4B4BB0};
constexpr OffsetPair kRegisterCharacterObject = {0x417350, 0x3CC640};
constexpr OffsetPair kVehiclePoolPointer = {0x1219240, 0xE52CD0};
constexpr OffsetPair kCharacterPoolPointer = {0x14A82AC, 0x14CB03C};
constexpr OffsetPair kCharacterFactoryPointer = {0x11E35A0, 0xE52DE0};

std::uint32_t At(OffsetPair offsets) {
    return Address(offsets.v1070, offsets.v1080);
}

void PlaceEntryPoints() {
    const World::EntryPoints entries = World::Entries();
    WriteJump(At(kScriptLookup), entries.scriptLookup);
    WriteJump(At(kGetVehicleObject), entries.getVehicleObject);
    WriteJump(At(kGetCharacterHandle), entries.getCharacterHandle);
    WriteJump(At(kGetPlayerObject), entries.getPlayerObject);
    WriteJump(At(kGetModelIndex), entries.getModelIndex);
    WriteJump(At(kRequestModel), entries.requestModel);
    WriteJump(At(kLoadRequestedModels), entries.loadRequestedModels);
    WriteJump(At(kRegisterCharacterObject), entries.registerCharacterObject);
    WriteWord(At(kVehiclePoolPointer), U(&g_vehiclePools[g_vehiclePoolIndex]));
    WriteWord(At(kCharacterPoolPointer), U(&g_characterPool));
    WriteWord(At(kCharacterFactoryPointer), U(&g_factory));
}

} // namespace

void World::Activate() {
    g_active = this;
    PlaceEntryPoints();
}

World* World::Active() {
    return g_active;
}

void World::BeginFrame() {
    ++frame_;
    screen.clear();
}

Character& World::AddCharacter(Position position, std::uint32_t model) {
    auto character = std::make_unique<Character>();
    character->handle = nextHandle_++;
    character->model = model;
    character->object.transform = character->matrix;
    character->SetPosition(position);
    Character& result = *character;
    characters_[result.handle] = std::move(character);
    return result;
}

Vehicle& World::AddVehicle(Position position, float health, std::int32_t baseValue) {
    auto vehicle = std::make_unique<Vehicle>();
    vehicle->handle = nextHandle_++;
    vehicle->position = position;
    vehicle->object.health = health;
    vehicle->object.modelData = &vehicle->model;
    vehicle->model.baseValue = baseValue;
    Vehicle& result = *vehicle;
    vehicles_[result.handle] = std::move(vehicle);
    return result;
}

void World::RenumberPlayer(std::int32_t handle) {
    std::unique_ptr<Character> character = std::move(characters_.at(player.character));
    characters_.erase(player.character);
    character->handle = player.character = handle;
    characters_[handle] = std::move(character);
}

void World::RemoveCharacter(std::int32_t handle) {
    characters_.erase(handle);
}
void World::RemoveVehicle(std::int32_t handle) {
    vehicles_.erase(handle);
}

std::vector<Character*> World::Characters() {
    std::vector<Character*> all;
    for (auto& [handle, character] : characters_) all.push_back(character.get());
    return all;
}

std::vector<Vehicle*> World::Vehicles() {
    std::vector<Vehicle*> all;
    for (auto& [handle, vehicle] : vehicles_) all.push_back(vehicle.get());
    return all;
}

Character* World::FindCharacter(std::int32_t handle) {
    const auto found = characters_.find(handle);
    return found == characters_.end() ? nullptr : found->second.get();
}

Vehicle* World::FindVehicle(std::int32_t handle) {
    const auto found = vehicles_.find(handle);
    return found == vehicles_.end() ? nullptr : found->second.get();
}

void World::AddCommand(std::uint32_t hash, std::string name, ScriptCommandEntry entry) {
    table_[hash] = {std::move(name), entry};
}

std::vector<const IssuedCommand*> World::CommandsInFrame(std::uint64_t frame) const {
    std::vector<const IssuedCommand*> found;
    for (const IssuedCommand& command : commands)
        if (command.frame == frame) found.push_back(&command);
    return found;
}

std::vector<const IssuedCommand*> World::CommandsNamed(const std::string& name) const {
    std::vector<const IssuedCommand*> found;
    for (const IssuedCommand& command : commands)
        if (command.name == name) found.push_back(&command);
    return found;
}

World::EntryPoints World::Entries() {
    return {reinterpret_cast<const void*>(&WorldScriptLookupEntry),
            reinterpret_cast<const void*>(&GameGetVehicleObject),
            reinterpret_cast<const void*>(&GameGetCharacterHandle),
            reinterpret_cast<const void*>(&GameGetPlayerObject),
            reinterpret_cast<const void*>(&GameGetModelIndex),
            reinterpret_cast<const void*>(&GameRequestModel),
            reinterpret_cast<const void*>(&GameLoadRequestedModels),
            reinterpret_cast<const void*>(&GameRegisterCharacterObject)};
}

const void* World::vehiclePool() const {
    return &g_vehiclePools[g_vehiclePoolIndex];
}
const void* World::characterPool() const {
    return &g_characterPool;
}
const void* World::characterFactory() const {
    return &g_factory;
}

void World::SwapVehiclePool() {
    g_vehiclePoolIndex ^= 1;
    WriteWord(At(kVehiclePoolPointer), U(&g_vehiclePools[g_vehiclePoolIndex]));
}

std::uint32_t World::LookUp(std::uint32_t hash) {
    if (const auto fault = faulting_.find(hash); fault != faulting_.end()) {
        ++counters.lookupFaults;
        return static_cast<std::uint32_t>(fault->second);
    }
    const auto found = table_.find(hash);
    if (found == table_.end() || unknown_.count(hash)) return 0;
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(found->second.entry));
}

void World::Log(ScriptCallRecord* record, std::uint32_t hash, const char* name) {
    IssuedCommand command;
    command.frame = frame_;
    command.hash = hash;
    const auto found = table_.find(hash);
    command.name = name ? name : found != table_.end() ? found->second.name : "";
    command.argumentCount = record->argumentCount;
    if (record->arguments != nullptr)
        std::memcpy(command.arguments, record->arguments, sizeof command.arguments);
    command.pointersOnFirstSlot =
        record->result == &record->slots[0] && record->arguments == &record->slots[0];
    command.vectorsPendingOnEntry = record->vectorsPending;
    command.activeContext = ReadWord(ActiveScriptContextAddress());
    commands.push_back(std::move(command));
}

void World::Draw(const char* format, const char* text, float x, float y) {
    screen.push_back({text ? text : "", format ? format : "", x, y, textWidth, textHeight});
}

std::int32_t World::ModelIndex(std::uint32_t modelHash) {
    const auto [it, added] =
        modelIndices_.emplace(modelHash, static_cast<std::int32_t>(modelIndices_.size() + 1));
    return it->second;
}

} // namespace testhost
