// The stand-in game: loads the plugin as the game's loader would and runs frames.
//   testhost_<build>.exe            loads the plugin, shows what it patched, runs a few frames
//   testhost_<build>.exe --demo     plays a buy-and-sell session with the plugin
//   ... --also NAME                 then loads NAME next to it too, as a second copy of the plugin
#include "contact.h"
#include "demo.h"
#include "imports.h"
#include "world.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kSiteNames[testhost::kSiteCount] = {"script tick", "pre-call 2",  "pre-call 3",
                                                      "pre-call 4",  "post-call 5", "post-call 6",
                                                      "pre-call 7",  "pre-call 8"};

bool InModule(HMODULE module, std::uint32_t address) {
    MEMORY_BASIC_INFORMATION info{};
    return module && VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof info) &&
           info.AllocationBase == module;
}

void ShowSites(HMODULE plugin) {
    for (int site = 0; site < testhost::kSiteCount; ++site) {
        const std::uint32_t at = testhost::SiteAddress(site);
        const auto* code = reinterpret_cast<const unsigned char*>(at);
        const std::uint32_t destination = at + 5 + testhost::ReadWord(at + 1);
        std::printf("site %d (%-11s) at 0x%08X: %02X -> 0x%08X %s\n", site + 1, kSiteNames[site], at, code[0],
                    destination,
                    InModule(plugin, destination)               ? "redirected to the plugin"
                    : destination == testhost::SiteCallee(site) ? "the game's own call"
                                                                : "somewhere else");
    }
}

} // namespace

int main(int argc, char** argv) {
    testhost::Start();
    bool demo = false;
    int frames = 3;
    const char* also = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0) demo = true;
        if (std::strcmp(argv[i], "--also") == 0 && i + 1 < argc) also = argv[++i];
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frames = std::atoi(argv[++i]);
    }
    testhost::World world;
    world.Activate();

    std::printf("stand-in game %s (offsets of build %s), base 0x%08X\n", testhost::kVariant.name,
                testhost::CurrentLayout() == testhost::Layout::V1070 ? "1070" : "1080", testhost::Base());
    HMODULE plugin = testhost::LoadPlugin();
    if (!plugin) {
        std::printf("plugin: not loaded (error %lu)\n", GetLastError());
        return 1;
    }
    testhost::InterceptPluginImports(plugin);
    std::printf("plugin: loaded at 0x%08X\n",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(plugin)));
    if (also) {
        char exe[MAX_PATH];
        std::string path(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
        path = path.substr(0, path.find_last_of("\\/") + 1) + also;
        HMODULE copy = LoadLibraryA(path.c_str());
        if (!copy) {
            std::printf("plugin: %s not loaded (error %lu)\n", also, GetLastError());
            return 1;
        }
        testhost::InterceptPluginImports(copy);
        std::printf("plugin: %s loaded too, at 0x%08X\n", also,
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(copy)));
    }
    ShowSites(plugin);
    if (demo) return RunDemo(world);

    for (int frame = 1; frame <= frames; ++frame) testhost::RunFrame();
    const testhost::SiteRecord& tick = testhost::LastRecord(0);
    std::printf("%d frames run; the game's own tick function ran %u times, with its own script context %s; "
                "the plugin issued %zu script commands\n",
                frames, tick.calls, tick.context == testhost::GameScriptContext() ? "active" : "NOT active",
                world.commands.size());
    return 0;
}
