#pragma once
#include <cstdint>
#include <optional>

struct Vector3 {
    float x, y, z;
};

// The fields of a vehicle the appraisal needs.
struct VehicleFields {
    float health;
    std::uint32_t baseValue;
};

// Address of the game's vehicle object behind a handle (0 when the game gives none). Ask
// DoesVehicleExist first: the game does not expect unknown handles here.
std::uint32_t GetVehicleObjectByHandle(std::int32_t vehicle);

// health and model baseValue of an existing vehicle; empty when the game gives no object.
std::optional<VehicleFields> ReadVehicleFields(std::int32_t vehicle);

// The player character's world position; empty when the game has no player object or transform.
std::optional<Vector3> GetPlayerPosition();

// Creates a character of the model at the point and returns its handle.
std::int32_t CreateCharacterAt(std::uint32_t modelHash, float x, float y, float z);
