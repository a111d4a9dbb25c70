#pragma once
// In-process tests of the script layer: the plugin's code runs as a ScriptTickEvent listener
// inside a frame of the stand-in game, against a fresh world per test.
#include "contact.h"
#include "runtime/game_events.h"
#include "world.h"

#include <functional>
#include <gtest/gtest.h>

class ScriptFrame : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        static bool installed = false;
        if (installed) return;
        installed = true;
        InstallGameEvents();
        ScriptTickEvent.push_back([] {
            if (Body()) Body()();
        });
    }

    void SetUp() override { world.Activate(); }

    // Runs `body` in the next frame, as the plugin's listener.
    void InFrame(std::function<void()> body) {
        world.BeginFrame();
        Body() = std::move(body);
        testhost::RunFrame();
        Body() = nullptr;
    }

    static std::uint32_t Addr(const void* pointer) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
    }

    testhost::World world;

  private:
    static std::function<void()>& Body() {
        static std::function<void()> body;
        return body;
    }
};
