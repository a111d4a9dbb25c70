// The game objects and functions the plugin reaches directly, as the stand-in game sees the calls.
#include "runtime/host_addresses.h"
#include "script/host_objects.h"
#include "script_frame.h"

#include <string>
#include <vector>

namespace {

class HostObjects : public ScriptFrame {
  protected:
    std::vector<std::string> HostCallNames() const {
        std::vector<std::string> names;
        for (const auto& call : world.hostCalls) names.push_back(call.name);
        return names;
    }
};

TEST_F(HostObjects, ThePlayersPositionIsRowThreeOfItsTransformWhenThereIsOne) {
    world.PlayerCharacter().SetPosition({-1234.5f, 678.25f, 14.0f});
    std::optional<Vector3> position, withoutObject, withoutTransform;
    InFrame([&] { position = GetPlayerPosition(); });
    world.playerObjectPresent = false;
    InFrame([&] { withoutObject = GetPlayerPosition(); });
    world.playerObjectPresent = true;
    world.PlayerCharacter().object.transform = nullptr;
    InFrame([&] { withoutTransform = GetPlayerPosition(); });
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ((std::vector<float>{position->x, position->y, position->z}),
              (std::vector<float>{-1234.5f, 678.25f, 14.0f}));
    EXPECT_FALSE(withoutObject.has_value());
    EXPECT_FALSE(withoutTransform.has_value());
}

// Through the pool the game holds at each use, as they are.
TEST_F(HostObjects, VehicleFieldsAreReadThroughTheGamesPoolAsTheyAre) {
    const std::int32_t tuned = world.AddVehicle({}, 1750.0f, 95000).handle; // above 1000: not capped here
    testhost::Vehicle& noModel = world.AddVehicle({}, 500.0f, 1);
    noModel.object.modelData = nullptr;
    std::optional<VehicleFields> fields, unknown, modelless;
    InFrame([&] {
        fields = ReadVehicleFields(tuned);
        unknown = ReadVehicleFields(0x7FFF);
        modelless = ReadVehicleFields(noModel.handle);
    });
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->health, 1750.0f);
    EXPECT_EQ(fields->baseValue, 95000u);
    EXPECT_FALSE(unknown.has_value());
    EXPECT_FALSE(modelless.has_value());
    // A member function of the pool: the pool in ECX, the handle on the stack, removed by the callee.
    EXPECT_EQ(world.hostCalls[0].self, Addr(world.vehiclePool()));
    EXPECT_EQ(world.hostCalls[0].arguments, std::vector<std::uint32_t>{static_cast<std::uint32_t>(tuned)});
    world.SwapVehiclePool();
    InFrame([&] { fields = ReadVehicleFields(tuned); });
    EXPECT_TRUE(fields.has_value());
    EXPECT_EQ(world.hostCalls.back().self, Addr(world.vehiclePool()));
    EXPECT_EQ(world.counters.wrongThis, 0);
    world.SwapVehiclePool();
}

TEST_F(HostObjects, ACharacterIsCreatedAtThePointThroughTheFactory) {
    constexpr std::uint32_t kModel = 0xC0DE0001;
    std::int32_t handle = 0;
    InFrame([&] { handle = CreateCharacterAt(kModel, 812.5f, -96.0f, 21.75f); });
    const testhost::Character* character = world.FindCharacter(handle);
    ASSERT_NE(character, nullptr);
    EXPECT_EQ(character->model, kModel);
    EXPECT_TRUE(character->registered);
    ASSERT_EQ(world.created.size(), 1u);
    const testhost::CreatedCharacter& created = world.created[0];
    EXPECT_EQ((std::vector<float>(&created.matrix[0][0], &created.matrix[0][0] + 16)),
              (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 812.5f, -96.0f, 21.75f, 0}));
    EXPECT_EQ(created.zeroWord, 0);
    EXPECT_EQ(created.modelIndex, world.ModelIndex(kModel));
    EXPECT_EQ(created.fourth, 0);
    EXPECT_EQ(created.fifth, 1);
    EXPECT_EQ(
        HostCallNames(),
        (std::vector<std::string>{"GetModelIndex", "RequestModel", "LoadRequestedModels", "GetPlayerObject",
                                  "CreateCharacterObject", "RegisterCharacterObject", "GetCharacterHandle"}));
    EXPECT_EQ(world.hostCalls[1].arguments, (std::vector<std::uint32_t>{kModel, 0})); // requested
    EXPECT_EQ(world.counters.wrongThis, 0);

    // A creation that fails registers nothing and gives no character.
    world.failCharacterCreation = true;
    InFrame([&] { handle = CreateCharacterAt(kModel, 1, 2, 3); });
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(HostCallNames().back(), "CreateCharacterObject");

    // Nor does a game whose character pool is not there (yet): no handle to take for a salesman.
    world.failCharacterCreation = false;
    const std::uint32_t pool = testhost::ReadWord(g_host_addresses.CharacterPoolPointer);
    testhost::WriteWord(g_host_addresses.CharacterPoolPointer, 0);
    InFrame([&] { handle = CreateCharacterAt(kModel, 1, 2, 3); });
    testhost::WriteWord(g_host_addresses.CharacterPoolPointer, pool);
    EXPECT_EQ(handle, 0);
}

} // namespace
