// The stand-in game: loads the plugin as the game's loader would and runs frames.
#include "contact.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kSiteNames[testhost::kSiteCount] = {"script tick", "pre-call 2",  "pre-call 3",
                                                      "pre-call 4",  "post-call 5", "post-call 6",
                                                      "pre-call 7",  "pre-call 8"};

bool InModule(HMODULE module, std::uint32_t address) {
    MEMORY_BASIC_INFORMATION info{};
    return module && VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof info) &&
           info.AllocationBase == module;
}

int Session(int frames) {
    std::printf("stand-in game, layout of build %s, base 0x%08X\n",
                testhost::CurrentLayout() == testhost::Layout::V1070 ? "1070" : "1080", testhost::Base());
    HMODULE plugin = testhost::LoadPlugin();
    if (!plugin) {
        std::printf("plugin: not loaded (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("plugin: loaded at 0x%08X\n",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(plugin)));
    for (int site = 0; site < testhost::kSiteCount; ++site) {
        const std::uint32_t at = testhost::SiteAddress(site);
        const auto* code = reinterpret_cast<const unsigned char*>(at);
        std::uint32_t displacement;
        std::memcpy(&displacement, code + 1, 4);
        const std::uint32_t destination = at + 5 + displacement;
        std::printf("site %d (%-11s) at 0x%08X: %02X -> 0x%08X %s\n", site + 1, kSiteNames[site], at, code[0],
                    destination,
                    InModule(plugin, destination)               ? "redirected to the plugin"
                    : destination == testhost::SiteCallee(site) ? "the game's own call"
                                                                : "somewhere else");
    }
    for (int frame = 1; frame <= frames; ++frame) testhost::RunFrame();
    const testhost::SiteRecord& tick = testhost::LastRecord(0);
    std::printf("%d frames run; the game's own tick function ran %u times, with its own script context %s\n",
                frames, tick.calls, tick.context == testhost::GameScriptContext() ? "active" : "NOT active");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    testhost::Start();
    int frames = 3;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frames = std::atoi(argv[++i]);
    return Session(frames);
}
