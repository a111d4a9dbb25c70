#pragma once
#include <cstdint>

// One typed wrapper per game script command the plugin uses, named after the command. Constant
// arguments are written by the wrapper. Handles are 32-bit, 0 meaning none. Out parameters keep
// the caller's value when the game has no handler for the command.
// Call only from a ScriptTickEvent listener.

// Player and money
std::int32_t GetLocalPlayerIndex();
void GetPlayerCharacter(std::int32_t player, std::int32_t* character);
std::int32_t GetPlayerIdentifier(std::int32_t player);
void AddPlayerMoney(std::int32_t playerId, std::int32_t amount);
float ReadFloatById(std::int32_t id); // id is always 108 (the player's money)
void GetPlayerAlertLevel(std::int32_t playerId, std::int32_t* level);
void ClearPlayerAlertLevel(std::int32_t playerId);
void GetPlayerGroup(std::int32_t player, std::int32_t* group);
void SetPlayerGroupOption(std::int32_t player); // writes true

// Characters
bool DoesCharacterExist(std::int32_t character);
bool IsCharacterDead(std::int32_t character);
bool IsCharacterInjured(std::int32_t character);
bool HasCharacterBeenDamagedBy(std::int32_t character, std::int32_t other); // writes 0
bool IsCharacterInAnyVehicle(std::int32_t character);
void GetCharacterVehicle(std::int32_t character, std::int32_t* vehicle);
void GetCharacterCoordinates(std::int32_t character, float* x, float* y, float* z);
void SetCharacterMoney(std::int32_t character, std::int32_t amount);
void SayCharacterSpeech(std::int32_t character, const char* context); // writes true, true, 1
void PrepareCharacterForGroup(std::int32_t character);
void AddCharacterToGroup(std::int32_t group, std::int32_t character);
void SetCharacterOption(std::int32_t character);                  // writes false
void SetCharacterMode(std::int32_t character, std::int32_t mode); // writes 0
void RemoveCharacterFromGroup(std::int32_t character);
void ResetCharacterState(std::int32_t character); // writes 0, 0
void ResetCharacterActivity(std::int32_t character);
void SendCharacterToCoordinates(std::int32_t character, float x, float y, float z); // writes 0, 0
void DismissCharacter(std::int32_t character);
void ReleaseCharacter(std::int32_t* character);

// Groups
void SetGroupOption(std::int32_t group); // writes 1
void SetGroupLeader(std::int32_t group, std::int32_t character);

// Vehicles
bool DoesVehicleExist(std::int32_t vehicle);
void GetVehicleCoordinates(std::int32_t vehicle, float* x, float* y, float* z);
std::int32_t FindClosestVehicle(float x, float y, float z, float radius); // writes 0, 70
void SetVehicleOwnedByPlayer(std::int32_t vehicle, bool owned);
void SetVehicleStatusCode(std::int32_t vehicle, std::int32_t code);
void SetVehicleForSale(std::int32_t vehicle, bool forSale);
void ReleaseVehicle(std::int32_t* vehicle);

// Geometry, input and text
void GetDistance2D(float x1, float y1, float x2, float y2, float* distance);
bool IsKeyPressed(std::int32_t scanCode);
void SetTextScale(float width, float height);
void DisplayTextLiteral(float x, float y, const char* text); // writes "STRING" before the text

// Keys (PC set-1 scan codes)
inline constexpr std::int32_t kKeyE = 0x12;
inline constexpr std::int32_t kKeyBackspace = 0x0E;
