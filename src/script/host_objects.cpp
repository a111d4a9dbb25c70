#include "script/host_objects.h"

#include "runtime/host_addresses.h"
#include "runtime/host_version.h"

#include <cstddef>

namespace {

// Game functions called directly, with their offsets for the two builds.
struct HostFunction {
    std::uint32_t offsetV1070;
    std::uint32_t offsetV1080;
    std::uint32_t Resolve() const { return ResolveHostAddress(offsetV1070, offsetV1080); }
};

constexpr HostFunction kGetVehicleObject{0x26700, 0x92E00};
constexpr HostFunction kGetCharacterHandle{0x47230, 0xAFF10};
constexpr HostFunction kGetPlayerObject{0x417F40, 0x3CD230};
constexpr HostFunction kGetModelIndex{0x58AAE0, 0x4DD2D0};
constexpr HostFunction kRequestModel{0x76C3D0, 0x7191D0};
constexpr HostFunction kLoadRequestedModels{0x432C20, 0x4B4BB0};
constexpr HostFunction kRegisterCharacterObject{0x417350, 0x3CC640};

// The game's calling conventions, spelled once. Member functions take the object in ECX and remove
// their own stack arguments; the others are plain C calls.
#define HOST_MEMBER __attribute__((thiscall))
using GetVehicleObjectFn = std::uint32_t(HOST_MEMBER*)(std::uint32_t pool, std::int32_t handle);
using GetCharacterHandleFn = std::int32_t(HOST_MEMBER*)(std::uint32_t pool, std::uint32_t character);
using CreateCharacterObjectFn = std::uint32_t(HOST_MEMBER*)(std::uint32_t factory, const std::uint16_t* zero,
                                                            std::int32_t modelIndex, const void* transform,
                                                            std::int32_t, std::int32_t);
#undef HOST_MEMBER
using GetPlayerObjectFn = std::uint32_t (*)();
using GetModelIndexFn = void (*)(std::uint32_t modelHash, std::int32_t* modelIndex);
using RequestModelFn = void (*)(std::uint32_t modelHash, std::int32_t);
using LoadRequestedModelsFn = void (*)(std::int32_t);
using RegisterCharacterObjectFn = void (*)(std::uint32_t character, std::int32_t);

template <typename Fn> Fn HostCall(std::uint32_t address) {
    return reinterpret_cast<Fn>(address);
}

// The factory's sixth virtual operation creates a character.
constexpr std::size_t kCreateCharacterObjectSlot = 5;

// A 4 by 4 matrix of floats, row by row; row 3 is the position.
struct TransformMatrix {
    float rows[4][4];
};
static_assert(sizeof(TransformMatrix) == 64);
static_assert(offsetof(TransformMatrix, rows[3][0]) == 0x30);

// The game object fields read here, at their offsets (the same in both builds).
constexpr std::uint32_t kCharacterTransform = 0x20; // address of a TransformMatrix
constexpr std::uint32_t kVehicleHealth = 0x1F0;     // float
constexpr std::uint32_t kVehicleModelData = 0xE18;  // address of the model data record
constexpr std::uint32_t kModelBaseValue = 0xE8;     // 32-bit integer

struct CharacterObjectView {
    std::byte before[kCharacterTransform];
    const TransformMatrix* transform;
};
static_assert(offsetof(CharacterObjectView, transform) == kCharacterTransform);

struct VehicleObjectView {
    std::byte before[kVehicleHealth];
    float health;
    std::byte between[kVehicleModelData - kVehicleHealth - sizeof(float)];
    std::uint32_t modelData;
};
static_assert(offsetof(VehicleObjectView, health) == kVehicleHealth);
static_assert(offsetof(VehicleObjectView, modelData) == kVehicleModelData);

struct ModelDataView {
    std::byte before[kModelBaseValue];
    std::uint32_t baseValue;
};
static_assert(offsetof(ModelDataView, baseValue) == kModelBaseValue);

template <typename View> const View* At(std::uint32_t address) {
    return reinterpret_cast<const View*>(address);
}

} // namespace

std::uint32_t GetVehicleObjectByHandle(std::int32_t vehicle) {
    const std::uint32_t pool = ReadHostPointer(g_host_addresses.VehiclePoolPointer);
    const std::uint32_t function = kGetVehicleObject.Resolve();
    if (pool == 0 || function == 0) return 0;
    return HostCall<GetVehicleObjectFn>(function)(pool, vehicle);
}

std::optional<VehicleFields> ReadVehicleFields(std::int32_t vehicle) {
    const std::uint32_t object = GetVehicleObjectByHandle(vehicle);
    if (object == 0) return std::nullopt;
    const VehicleObjectView* view = At<VehicleObjectView>(object);
    if (view->modelData == 0) return std::nullopt;
    return VehicleFields{view->health, At<ModelDataView>(view->modelData)->baseValue};
}

std::optional<Vector3> GetPlayerPosition() {
    const std::uint32_t function = kGetPlayerObject.Resolve();
    if (function == 0) return std::nullopt;
    const std::uint32_t player = HostCall<GetPlayerObjectFn>(function)();
    if (player == 0) return std::nullopt;
    const TransformMatrix* transform = At<CharacterObjectView>(player)->transform;
    if (transform == nullptr) return std::nullopt;
    return Vector3{transform->rows[3][0], transform->rows[3][1], transform->rows[3][2]};
}

std::int32_t CreateCharacterAt(std::uint32_t modelHash, float x, float y, float z) {
    if (kGetModelIndex.Resolve() == 0) return 0; // unknown build: no game functions at all
    std::int32_t modelIndex = 0;
    HostCall<GetModelIndexFn>(kGetModelIndex.Resolve())(modelHash, &modelIndex);
    HostCall<RequestModelFn>(kRequestModel.Resolve())(modelHash, 0);
    HostCall<LoadRequestedModelsFn>(kLoadRequestedModels.Resolve())(0);
    HostCall<GetPlayerObjectFn>(kGetPlayerObject.Resolve())();

    const TransformMatrix transform{{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {x, y, z, 0}}};
    const std::uint16_t zero = 0;
    const std::uint32_t factory = ReadHostPointer(g_host_addresses.CharacterFactoryPointer);
    if (factory == 0) return 0;
    const auto* vtable = *reinterpret_cast<const std::uint32_t* const*>(factory);
    const auto create = HostCall<CreateCharacterObjectFn>(vtable[kCreateCharacterObjectSlot]);
    const std::uint32_t character = create(factory, &zero, modelIndex, &transform, 0, 1);
    if (character == 0) return 0;

    HostCall<RegisterCharacterObjectFn>(kRegisterCharacterObject.Resolve())(character, 0);
    const std::uint32_t pool = ReadHostPointer(g_host_addresses.CharacterPoolPointer);
    if (pool == 0) return 0;
    return HostCall<GetCharacterHandleFn>(kGetCharacterHandle.Resolve())(pool, character);
}
