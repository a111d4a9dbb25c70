// dealers-check [FOLDER] [--map FILE.svg [--background IMAGE --bounds X0,Y0,X1,Y1]] [--game PATH]: what the
// car dealers plugin makes of a car_dealers/ folder, and whether it takes a game's executable.
#include "folder_check.h"
#include "game_check.h"
#include "zone_map.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage = "usage: dealers-check [FOLDER] [--map FILE.svg [--background IMAGE --bounds "
                               "X0,Y0,X1,Y1]] [--game PATH]\n";

constexpr const char* kHelp =
    "Shows what the car dealers plugin makes of a car_dealers folder (default: ./car_dealers), read\n"
    "with the plugin's own code: the two price rates and the line each comes from, the dealer places\n"
    "with their lines, the lines the plugin skips or reads only in part, and dealer zones that overlap\n"
    "or are never chosen. Long lists are shown in part and counted. The plugin itself says nothing\n"
    "about its files.\n"
    "\n"
    "  --map FILE.svg  also draws the zones as a map, every one of them\n"
    "  --background IMAGE --bounds X0,Y0,X1,Y1\n"
    "                  draws the map over a picture of the world, a PNG or JPEG file held whole in\n"
    "                  the map, with two opposite corners at the world points X0,Y0 and X1,Y1; a\n"
    "                  picture or bounds that cannot be used end the run with status 2, and no map\n"
    "  --game PATH     reads the file version of the game's executable as the plugin does and tells\n"
    "                  whether the plugin takes that build; alone, without FOLDER, only this check runs\n"
    "\n"
    "The game reads car_dealers/ from its current folder, normally the folder of its executable.\n"
    "\n"
    "Exit status (with both checks, the worse of the two), told by the last line:\n"
    "  0  ok: the plugin reads every line as meant (notes show harmless lines); it takes the\n"
    "     game's build\n"
    "  1  problems: a line the plugin reads otherwise than meant, files not where it looks, a rate\n"
    "     or zone that makes no sense (see the lines marked so); the plugin stays idle with that game\n"
    "  2  the folder, one of its files or the game cannot be read, the game is not a Windows program,\n"
    "     the map cannot be written, or the command line is wrong\n";

using dealers_check::Output;

// The map into the file at path; false when the file cannot be made or written.
bool WriteMapFile(const dealers_check::FolderCheck& check, const std::string& path,
                  const dealers_check::Picture* picture) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    Output map(file);
    dealers_check::WriteZoneMap(check, map, picture);
    // A write that failed on the way shows in ferror, one of what is still held in fclose's result.
    const bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

// True when everything printed has reached stdout.
bool Printed() {
    std::fflush(stdout);
    return !std::ferror(stdout);
}

int Run(int argc, char** argv, Output& out, Output& errors) {
    std::string folder = "car_dealers", map, game;
    std::optional<std::string> background, bounds; // the map's picture and its corners
    bool haveFolder = false;
    bool options = true; // until "--"
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            out << kUsage << '\n' << kHelp;
            return 0;
        } else if (options && (arg == "--map" || arg == "--game") && i + 1 < argc) {
            (arg == "--map" ? map : game) = argv[++i];
        } else if (options && (arg == "--background" || arg == "--bounds") && i + 1 < argc) {
            (arg == "--background" ? background : bounds) = argv[++i];
        } else if ((options && arg.size() > 1 && arg[0] == '-') || haveFolder) {
            errors << "dealers-check: unexpected " << arg << '\n' << kUsage;
            return 2;
        } else {
            folder = arg;
            haveFolder = true;
        }
    }

    // The picture is read before anything is checked: no map is drawn without it.
    dealers_check::Picture picture;
    if (background || bounds) {
        std::string error;
        if (!bounds)
            error = "--background needs --bounds X0,Y0,X1,Y1, the world points of two opposite corners of "
                    "the picture";
        else if (!background)
            error = "--bounds places the picture of --background, and there is none";
        else if (map.empty())
            error = "--background is drawn under the map: it needs --map FILE.svg";
        if (!error.empty() || !dealers_check::ReadBounds(*bounds, picture, error) ||
            !dealers_check::ReadPicture(*background, picture, error)) {
            errors << "dealers-check: " << error << '\n';
            return 2;
        }
    }

    int status = 0;
    if (!game.empty()) {
        status = dealers_check::PrintGameCheck(game, dealers_check::CheckGame(game), out, errors);
        if (!haveFolder && map.empty()) return Printed() ? status : 2;
        out << '\n';
    }
    dealers_check::FolderCheck check;
    std::string error;
    if (!dealers_check::CheckFolder(folder, check, error)) {
        errors << "dealers-check: " << error << '\n';
        return 2;
    }
    dealers_check::PrintCheck(check, out);
    const std::string verdict =
        game.empty() ? dealers_check::Verdict(check) : dealers_check::Verdict(status, check);
    status = std::max(status, dealers_check::ExitStatus(check));
    if (!map.empty()) {
        if (!WriteMapFile(check, map, background ? &picture : nullptr)) {
            errors << "dealers-check: cannot write the map " << map << '\n';
            return 2;
        }
        out << "map: " << map << '\n';
        if (background) out << dealers_check::PictureText(picture);
    }
    out << verdict << '\n';
    return Printed() ? status : 2;
}

} // namespace

int main(int argc, char** argv) {
    Output out(stdout), errors(stderr, stdout);
    // Whatever goes wrong ends in one line and status 2, never in an abort.
    try {
        return Run(argc, argv, out, errors);
    } catch (const std::bad_alloc&) {
        errors << "dealers-check: out of memory: the files are too large to check on this machine\n";
    } catch (const std::exception& error) {
        errors << "dealers-check: " << error.what() << '\n';
    }
    return 2;
}
