#include "script/commands.h"

#include "script/script_command.h"

namespace {
namespace hash {
// Player and money
constexpr std::uint32_t GetLocalPlayerIndex = 0x62E319C6;
constexpr std::uint32_t GetPlayerCharacter = 0x511454A9;
constexpr std::uint32_t GetPlayerIdentifier = 0x5996315E;
constexpr std::uint32_t AddPlayerMoney = 0x537379A8;
constexpr std::uint32_t ReadFloatById = 0x1D801FC0;
constexpr std::uint32_t GetPlayerAlertLevel = 0x12AA6D71;
constexpr std::uint32_t ClearPlayerAlertLevel = 0x205622AC;
constexpr std::uint32_t GetPlayerGroup = 0x41AB3C30;
constexpr std::uint32_t SetPlayerGroupOption = 0x700165C2;
// Characters
constexpr std::uint32_t DoesCharacterExist = 0x46531797;
constexpr std::uint32_t IsCharacterDead = 0x4ECB2267;
constexpr std::uint32_t IsCharacterInjured = 0x6A6B4F18;
constexpr std::uint32_t HasCharacterBeenDamagedBy = 0x1DD624A0;
constexpr std::uint32_t IsCharacterInAnyVehicle = 0x1DBD7385;
constexpr std::uint32_t GetCharacterVehicle = 0x1B067237;
constexpr std::uint32_t GetCharacterCoordinates = 0x2B5C06E6;
constexpr std::uint32_t SetCharacterMoney = 0x7B44224F;
constexpr std::uint32_t SayCharacterSpeech = 0x5CF149C8;
constexpr std::uint32_t PrepareCharacterForGroup = 0x60EC0540;
constexpr std::uint32_t AddCharacterToGroup = 0x5E0F611E;
constexpr std::uint32_t SetCharacterOption = 0x0F4C513E;
constexpr std::uint32_t SetCharacterMode = 0x6D9538E1;
constexpr std::uint32_t RemoveCharacterFromGroup = 0x649316B7;
constexpr std::uint32_t ResetCharacterState = 0x42DB145F;
constexpr std::uint32_t ResetCharacterActivity = 0x4AB470F3;
constexpr std::uint32_t SendCharacterToCoordinates = 0x19591255;
constexpr std::uint32_t DismissCharacter = 0x43F5151F;
constexpr std::uint32_t ReleaseCharacter = 0x0B774604;
// Groups
constexpr std::uint32_t SetGroupOption = 0x64B9757E;
constexpr std::uint32_t SetGroupLeader = 0x04C85E23;
// Vehicles
constexpr std::uint32_t DoesVehicleExist = 0x67A42263;
constexpr std::uint32_t GetVehicleCoordinates = 0x2D432EAB;
constexpr std::uint32_t FindClosestVehicle = 0x2CB303F8;
constexpr std::uint32_t SetVehicleOwnedByPlayer = 0x25750E4F;
constexpr std::uint32_t SetVehicleStatusCode = 0x6702757C;
constexpr std::uint32_t SetVehicleForSale = 0x0CF76EE0;
constexpr std::uint32_t ReleaseVehicle = 0x20C76FD1;
// Geometry, input and text
constexpr std::uint32_t GetDistance2D = 0x687107CA;
constexpr std::uint32_t IsKeyPressed = 0x540D127D;
constexpr std::uint32_t SetTextScale = 0x02C069E5;
constexpr std::uint32_t DisplayTextLiteral = 0x661B239A;
} // namespace hash

// The format text DisplayTextLiteral always passes: the text argument is shown as it is.
constexpr char kLiteralFormat[] = "STRING";
} // namespace

// Player and money

std::int32_t GetLocalPlayerIndex() {
    return ScriptCall().Invoke(hash::GetLocalPlayerIndex).ResultInt();
}

void GetPlayerCharacter(std::int32_t player, std::int32_t* character) {
    InvokeScriptCommand(hash::GetPlayerCharacter, player, SlotAddress(character));
}

std::int32_t GetPlayerIdentifier(std::int32_t player) {
    return ScriptCall().Int(player).Invoke(hash::GetPlayerIdentifier).ResultInt();
}

void AddPlayerMoney(std::int32_t playerId, std::int32_t amount) {
    InvokeScriptCommand(hash::AddPlayerMoney, playerId, amount);
}

float ReadFloatById(std::int32_t id) {
    return ScriptCall().Int(id).Invoke(hash::ReadFloatById).ResultFloat();
}

void GetPlayerAlertLevel(std::int32_t playerId, std::int32_t* level) {
    ScriptCall().Int(playerId).Out(level).Invoke(hash::GetPlayerAlertLevel);
}

void ClearPlayerAlertLevel(std::int32_t playerId) {
    InvokeScriptCommand<std::int32_t>(hash::ClearPlayerAlertLevel, playerId);
}

void GetPlayerGroup(std::int32_t player, std::int32_t* group) {
    InvokeScriptCommand(hash::GetPlayerGroup, player, SlotAddress(group));
}

void SetPlayerGroupOption(std::int32_t player) {
    InvokeScriptCommand(hash::SetPlayerGroupOption, player, true);
}

// Characters

bool DoesCharacterExist(std::int32_t character) {
    return InvokeScriptCommand<bool>(hash::DoesCharacterExist, character);
}

bool IsCharacterDead(std::int32_t character) {
    return InvokeScriptCommand<bool>(hash::IsCharacterDead, character);
}

bool IsCharacterInjured(std::int32_t character) {
    return InvokeScriptCommand<bool>(hash::IsCharacterInjured, character);
}

bool HasCharacterBeenDamagedBy(std::int32_t character, std::int32_t other) {
    return ScriptCall().Int(character).Int(other).Int(0).Invoke(hash::HasCharacterBeenDamagedBy).ResultBool();
}

bool IsCharacterInAnyVehicle(std::int32_t character) {
    return InvokeScriptCommand<bool>(hash::IsCharacterInAnyVehicle, character);
}

void GetCharacterVehicle(std::int32_t character, std::int32_t* vehicle) {
    InvokeScriptCommand(hash::GetCharacterVehicle, character, SlotAddress(vehicle));
}

void GetCharacterCoordinates(std::int32_t character, float* x, float* y, float* z) {
    InvokeScriptCommand(hash::GetCharacterCoordinates, character, SlotAddress(x), SlotAddress(y),
                        SlotAddress(z));
}

void SetCharacterMoney(std::int32_t character, std::int32_t amount) {
    InvokeScriptCommand(hash::SetCharacterMoney, character, amount);
}

void SayCharacterSpeech(std::int32_t character, const char* context) {
    ScriptCall().Int(character).Text(context).Bool(true).Bool(true).Int(1).Invoke(hash::SayCharacterSpeech);
}

void PrepareCharacterForGroup(std::int32_t character) {
    InvokeScriptCommand<std::int32_t>(hash::PrepareCharacterForGroup, character);
}

void AddCharacterToGroup(std::int32_t group, std::int32_t character) {
    InvokeScriptCommand(hash::AddCharacterToGroup, group, character);
}

void SetCharacterOption(std::int32_t character) {
    InvokeScriptCommand(hash::SetCharacterOption, character, false);
}

void SetCharacterMode(std::int32_t character, std::int32_t mode) {
    ScriptCall().Int(character).Int(mode).Int(0).Invoke(hash::SetCharacterMode);
}

void RemoveCharacterFromGroup(std::int32_t character) {
    InvokeScriptCommand<std::int32_t>(hash::RemoveCharacterFromGroup, character);
}

void ResetCharacterState(std::int32_t character) {
    ScriptCall().Int(character).Int(0).Int(0).Invoke(hash::ResetCharacterState);
}

void ResetCharacterActivity(std::int32_t character) {
    InvokeScriptCommand<std::int32_t>(hash::ResetCharacterActivity, character);
}

void SendCharacterToCoordinates(std::int32_t character, float x, float y, float z) {
    ScriptCall().Int(character).Float(x).Float(y).Float(z).Int(0).Int(0).Invoke(
        hash::SendCharacterToCoordinates);
}

void DismissCharacter(std::int32_t character) {
    InvokeScriptCommand<std::int32_t>(hash::DismissCharacter, character);
}

void ReleaseCharacter(std::int32_t* character) {
    InvokeScriptCommand<std::int32_t>(hash::ReleaseCharacter, SlotAddress(character));
}

// Groups

void SetGroupOption(std::int32_t group) {
    InvokeScriptCommand(hash::SetGroupOption, group, 1);
}

void SetGroupLeader(std::int32_t group, std::int32_t character) {
    InvokeScriptCommand(hash::SetGroupLeader, group, character);
}

// Vehicles

bool DoesVehicleExist(std::int32_t vehicle) {
    return InvokeScriptCommand<bool>(hash::DoesVehicleExist, vehicle);
}

void GetVehicleCoordinates(std::int32_t vehicle, float* x, float* y, float* z) {
    InvokeScriptCommand(hash::GetVehicleCoordinates, vehicle, SlotAddress(x), SlotAddress(y), SlotAddress(z));
}

std::int32_t FindClosestVehicle(float x, float y, float z, float radius) {
    return ScriptCall()
        .Float(x)
        .Float(y)
        .Float(z)
        .Float(radius)
        .Int(0)
        .Int(70)
        .Invoke(hash::FindClosestVehicle)
        .ResultInt();
}

void SetVehicleOwnedByPlayer(std::int32_t vehicle, bool owned) {
    InvokeScriptCommand(hash::SetVehicleOwnedByPlayer, vehicle, owned);
}

void SetVehicleStatusCode(std::int32_t vehicle, std::int32_t code) {
    InvokeScriptCommand(hash::SetVehicleStatusCode, vehicle, code);
}

void SetVehicleForSale(std::int32_t vehicle, bool forSale) {
    InvokeScriptCommand(hash::SetVehicleForSale, vehicle, forSale);
}

void ReleaseVehicle(std::int32_t* vehicle) {
    InvokeScriptCommand<std::int32_t>(hash::ReleaseVehicle, SlotAddress(vehicle));
}

// Geometry, input and text

void GetDistance2D(float x1, float y1, float x2, float y2, float* distance) {
    ScriptCall().Float(x1).Float(y1).Float(x2).Float(y2).Out(distance).Invoke(hash::GetDistance2D);
}

bool IsKeyPressed(std::int32_t scanCode) {
    return InvokeScriptCommand<bool>(hash::IsKeyPressed, scanCode);
}

void SetTextScale(float width, float height) {
    ScriptCall().Float(width).Float(height).Invoke(hash::SetTextScale);
}

void DisplayTextLiteral(float x, float y, const char* text) {
    ScriptCall().Float(x).Float(y).Text(kLiteralFormat).Text(text).Invoke(hash::DisplayTextLiteral);
}
