// dealers-check [FOLDER]: what the car dealers plugin makes of a car_dealers/ folder.
#include "folder_check.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <string>

namespace {

constexpr const char* kUsage = "usage: dealers-check [FOLDER]\n";

constexpr const char* kHelp =
    "Shows what the car dealers plugin makes of a car_dealers folder (default: ./car_dealers), read\n"
    "with the plugin's own code: the two price rates and the line each comes from, every dealer\n"
    "place with its line, every line the plugin skips or reads only in part, and dealer zones that\n"
    "overlap. The plugin itself says nothing about its files.\n"
    "\n"
    "The game reads car_dealers/ from its current folder, normally the folder of its executable.\n"
    "\n"
    "Exit status:\n"
    "  0  the plugin uses every line as it stands\n"
    "  1  something is skipped or ignored, or will not work as meant (see the lines marked so)\n"
    "  2  the folder or one of its files cannot be read, or the command line is wrong\n";

int Run(int argc, char** argv) {
    std::string folder = "car_dealers";
    bool haveFolder = false;
    bool options = true; // until "--"
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            std::cout << kUsage << '\n' << kHelp;
            return 0;
        } else if ((options && arg[0] == '-' && arg[1] != '\0') || haveFolder) {
            std::cerr << "dealers-check: unexpected " << arg << '\n' << kUsage;
            return 2;
        } else {
            folder = arg;
            haveFolder = true;
        }
    }
    dealers_check::FolderCheck check;
    std::string error;
    if (!dealers_check::CheckFolder(folder, check, error)) {
        std::cerr << "dealers-check: " << error << '\n';
        return 2;
    }
    dealers_check::PrintCheck(check, std::cout);
    std::cout.flush();
    return std::cout ? dealers_check::ExitStatus(check) : 2;
}

} // namespace

int main(int argc, char** argv) {
    // Whatever goes wrong ends in one line and status 2, never in an abort.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "dealers-check: out of memory: the files are too large to check on this machine\n";
    } catch (const std::exception& error) {
        std::cerr << "dealers-check: " << error.what() << '\n';
    }
    return 2;
}
