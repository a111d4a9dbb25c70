// dealers-check's output and exit status on lists long and short, and on what cannot be read.
#include "dealer_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// Runs dealers-check with `arguments` (shell-quoted) in `folder`, stdout and stderr added to `printed`.
int DealersCheck(const std::string& arguments, const std::string& folder, std::string& printed) {
    const std::string command = "cd '" + folder + "' && '" DEALERS_CHECK "' " + arguments + " 2>&1";
    std::FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return -1;
    for (int c; (c = std::fgetc(out)) != EOF;) printed += static_cast<char>(c);
    const int wait = pclose(out);
    return WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
}

const std::string kSource = SOURCE_DIR;

// Each run's exit status and some of its lines (out of memory is a line, not an abort); reports stay short.
TEST(DealersCheck, StatusAndLinesOfEachRun) {
    TempDir dir, empty, large, huge;
    huge.Write("car_dealers/dealers.csv", std::string(64 << 20, '\n')); // more than the memory it has below
    std::filesystem::create_directories(dir.Path("car_dealers/dealers.conf"));
    std::filesystem::create_directories(dir.Path("loop"));
    std::filesystem::create_symlink("dealers.conf", dir.Path("loop/dealers.conf"));
    dir.Write("plain", "1,2,3,4\n");
    std::string junk; // a problem a line; the list's 199 and its own all show
    for (int i = 0; i < 199; ++i) junk += "1\n";
    dir.Write("junk/dealers.conf", junk + junk);
    dir.Write("junk/dealers.csv", junk);
    dir.Write("pair/dealers.csv", "0,0,0,10\n15,0,0,10\n");
    dir.Write("one/dealers.csv", "0,0,0,10\n");
    dir.Write("one/dealers.conf", "x");
    std::string list;
    for (int i = 0; i < 3000; ++i)
        list += "0,0,0,10,a name far too long to show whole, with more and more words after it\n";
    for (int i = 0; i < 3000; ++i) list += "x\n";
    for (int i = 0; i < 3000; ++i) list += std::to_string(100 + 15 * i) + ",0,0,10\n"; // each meets the next
    large.Write("car_dealers/dealers.csv", list);
    // --background: the sample town, and files no map can hold (large.png is read only in part).
    const std::string town = kSource + "/docs/sample_town.png", noMap = " --map " + dir.Path("no.svg");
    std::filesystem::resize_file(dir.Write("large.png", "\x89PNG\r\n\x1A\n"), 1 << 30);
    std::filesystem::resize_file(dir.Write("64MiB.png", "\x89PNG\r\n\x1A\n"), 64 << 20); // the largest taken
    const struct {
        std::string arguments, folder;
        int status;
        std::vector<std::string> lines;
    } runs[] = {
        // clang-format off
        {"-- .", empty.path(), 1, {"./dealers.conf: not found, the rates keep their defaults",
            "  price_rate_sell = 0.5  (default)", "  price_rate_buy = 0.8  (default)",
            "./dealers.csv: not found",
            "  problem: no dealer will ever react", "problems: 1, notes: 1"}},
        {"", large.path(), 1, {"car_dealers/dealers.csv: 6000 dealers",
            "  line 200: x 0, y 0, z 0, radius 10 (a name far too long to show whole, with ...)",
            "  ... and 5800 more dealers (--map draws them all), not listed",
            "  ... and 5799 more findings, not listed",
            "  2999 pairs of zones that can be chosen share ground",
            "  lines 6001 and 6002: centres 15 apart, radii 10 and 10",
            "  ... and 2979 more pairs, not listed",
            "  2999 zones never chosen: each lies wholly within a zone listed before it (problems above)",
            "problems: 2999, notes: 3000"}},
        {"car_dealers/", kSource + "/data", 0, {"car_dealers/dealers.conf", "car_dealers/dealers.csv: 4 dealers"}},
        {"junk", dir.path(), 1, {"  ... and 198 more findings, not listed",
            "  line 199: problem: skipped: too few fields: 1 of the 4 needed (x, y, z, radius)\n",
            "problems: 598, notes: 1"}},
        {"one", dir.path(), 0, {"  line 1: note: no \"=\" in \"x\": the plugin passes over the line",
            "one/dealers.csv: 1 dealer", "ok: the plugin reads every line as meant (2 notes)"}},
        {"pair", dir.path(), 0, {"  lines 1 and 2: centres 15 apart, radii 10 and 10\n"}}, // and no zone within another
        {"", empty.path(), 2, {"dealers-check: there is no folder car_dealers"}},
        {"/", ".", 1, {"/dealers.csv: not found"}}, // a root: no folder's name to tell
        {"", "' && ulimit -v 60000 && cd '" + huge.path(), 2, {"dealers-check: out of memory: the files are too large to check on this machine"}},
        {"car_dealers", dir.path(), 2, {"dealers-check: cannot read car_dealers/dealers.conf: not a file"}},
        {"loop", dir.path(), 2, {"dealers-check: cannot read loop/dealers.conf: Too many levels of symbolic links"}},
        {"plain", dir.path(), 2, {"dealers-check: plain is not a folder"}},
        {"--game . one", dir.path(), 2, {"dealers-check: cannot read .: Is a directory", "one/dealers.csv: 1 dealer",
            "error: the game cannot be read; one: the plugin reads every line as meant (2 notes)"}},
        {"car_dealers --map " + dir.Path("none/map.svg"), kSource + "/data", 2, {
             "  line 4: x 2210, y 405.5, z 33, radius 40 (Hillside motors)\n\ndealers-check: cannot write the map " + dir.Path("none/map.svg")}},
        {". --map /dev/full", empty.path(), 2, {"dealers-check: cannot write the map /dev/full"}}, // fails at the close
        {"car_dealers >/dev/full", kSource + "/data", 2, {}},
        {"-x", ".", 2, {"dealers-check: unexpected -x"}},
        {"-", ".", 2, {"dealers-check: there is no folder -"}},
        {"-- -x", ".", 2, {"dealers-check: there is no folder -x"}},
        {"--map", ".", 2, {}},
        {"one two", ".", 2, {"dealers-check: unexpected two"}},
        {"car_dealers --map " + dir.Path("town.svg") + " --background " + town + " --bounds 0,0,4000,2000", kSource + "/data", 0, {
             "map: " + dir.Path("town.svg"), "  over the picture " + town + ": PNG, 400 x 400 pixels, its corners at x 0, y 0 and x 4000, y 2000",
             "  note: the picture is stretched: a pixel spans 10 by 5 world units"}},
        {"car_dealers" + noMap + " --background none.png --bounds 0,0,1,1", kSource + "/data", 2, {
             "dealers-check: cannot read the picture none.png: No such file or directory"}},
        {"car_dealers" + noMap + " --background car_dealers --bounds 0,0,1,1", kSource + "/data", 2, {
             "dealers-check: cannot read the picture car_dealers: not a file"}},
        {"car_dealers" + noMap + " --background /proc/self/mem --bounds 0,0,1,1", kSource + "/data", 2, {
             "dealers-check: cannot read the picture /proc/self/mem: Input/output error"}},
        {"car_dealers" + noMap + " --background large.png --bounds 0,0,1,1", "' && ulimit -v 400000 && cd '" + dir.path(), 2, {
             "dealers-check: the picture large.png is larger than 64 MiB, too large to embed in a map"}},
        {"car_dealers" + noMap + " --background 64MiB.png --bounds 0,0,1,1", dir.path(), 2, {
             "dealers-check: the picture 64MiB.png is a broken PNG file: its first chunk is not its header (IHDR)"}},
        {"car_dealers" + noMap + " --background car_dealers/dealers.csv --bounds 0,0,1,1", kSource + "/data", 2, {
             "dealers-check: the picture car_dealers/dealers.csv is neither a PNG nor a JPEG file (its first bytes tell, whatever its name)"}},
        {"car_dealers" + noMap + " --background " + town, kSource + "/data", 2, {
             "dealers-check: --background needs --bounds X0,Y0,X1,Y1, the world points of two opposite corners of the picture"}},
        {"car_dealers" + noMap + " --bounds 0,0,1,1", kSource + "/data", 2, {
             "dealers-check: --bounds places the picture of --background, and there is none"}},
        {"--game x --background " + town + " --bounds 0,0,1,1", kSource + "/data", 2, {
             "dealers-check: --background is drawn under the map: it needs --map FILE.svg"}},
        // clang-format on
    };
    for (const auto& [arguments, folder, status, lines] : runs) {
        std::string printed = "\n";
        EXPECT_EQ(DealersCheck(arguments, folder, printed), status) << arguments;
        EXPECT_LT(std::ranges::count(printed, '\n'), 700) << arguments;
        for (const std::string& line : lines)
            EXPECT_NE(printed.find("\n" + line + "\n"), std::string::npos) << arguments << ": " << line;
        // The last line tells the status: "ok: " only with 0.
        EXPECT_EQ(printed.substr(printed.rfind('\n', printed.size() - 2) + 1).starts_with("ok: "),
                  status == 0)
            << arguments;
    }
}

// Files where map makers put them: under a name Windows shows shortened, a folder too far down, a folder
// of another name. Each is checked as meant, with what to rename or move; the game reads none of them.
TEST(DealersCheck, FilesWhereMapMakersPutThem) {
    TempDir dir;
    const std::string list = "-412.5,1180,14.8,25\r\n";
    dir.Write("txt/car_dealers/dealers.csv.txt", list);
    dir.Write("txt/car_dealers/dealers.conf.txt", "price_rate_buy=0.9\r\n");
    dir.Write("case/car_dealers/Backup_list.txt", "1,2,3,4\n"); // 11 letters and a point, before Dealers.CSV
    dir.Write("case/car_dealers/Dealers.CSV", list);
    dir.Write("twice/car_dealers/car_dealers/dealers.csv", list);
    dir.Write("unzipped/car-dealers-1.0.0-win32/car_dealers/dealers.csv", list);
    dir.Write("game/car_dealers/dealers.csv", list);
    dir.Write("game/car_dealers/maps/town.svg", "");
    for (const char* copy : {"old", "new", "car_dealers_v2"})
        dir.Write("copies/" + std::string(copy) + "/dealers.csv", "1,2,3,4\n");
    dir.Write("copies/backup/dealers.csv", list); // first by name, whatever order the system lists them in
    dir.Write("my map/dealers.csv", list);
    const std::string dealer = "  line 1: x -412.5, y 1180, z 14.8, radius 25";
    const struct {
        std::string arguments, folder;
        int status;
        std::vector<std::string> lines;
    } runs[] = {
        // clang-format off
        {"", dir.Path("txt"), 1, {"car_dealers/dealers.conf.txt", "  price_rate_buy = 0.9  (line 1)",
            "  problem: the game reads only dealers.conf and keeps both rates at their defaults: rename "
            "\"dealers.conf.txt\" to dealers.conf (Windows hides the extensions it knows, such as \".txt\"); its "
            "lines are checked as meant",
            "car_dealers/dealers.csv.txt: 1 dealer", dealer, "problems: 2"}},
        {"", dir.Path("case"), 0, {"car_dealers/Dealers.CSV: 1 dealer",
            "  note: the game on Windows reads it as dealers.csv, whatever the case of its letters"}},
        {"", dir.Path("twice"), 1, {"car_dealers", "  problem: no dealers.conf or dealers.csv in car_dealers, but in "
            "car_dealers/car_dealers, a folder down: move them up into car_dealers, where the game reads them; they "
            "are checked below as meant", "car_dealers/car_dealers/dealers.csv: 1 dealer", dealer}},
        {"", dir.Path("unzipped"), 1, {"  problem: there is no folder car_dealers, but there is "
            "car-dealers-1.0.0-win32/car_dealers, a folder down: move it up next to the game, where the game reads "
            "it; its files are checked below as meant", dealer}},
        {"game/", dir.path(), 0, {"  note: no dealers.conf or dealers.csv in game/, so game/car_dealers is checked: "
            "the folder the game reads when game/ is its folder", dealer}},
        {"'my map'", dir.path(), 0, {"my map", "  note: the game reads only the folder car_dealers next to it, and "
            "this one is named \"my map\": rename it, or copy its files into car_dealers", dealer,
            "ok: the plugin reads every line as meant (1 note)"}},
        {"car_dealers/", dir.Path("unzipped"), 1, {"car-dealers-1.0.0-win32/car_dealers/dealers.csv: 1 dealer"}},
        {"copies", dir.path(), 1, {"  problem: no dealers.conf or dealers.csv in copies, but in copies/backup: the "
            "game reads them only from the folder car_dealers next to it; they are checked below as meant", dealer}},
        {".", dir.Path("game/car_dealers"), 0, {"./dealers.csv: 1 dealer", "ok: the plugin uses every line as it stands"}},
        {"..", dir.Path("game/car_dealers/maps"), 0, {"ok: the plugin uses every line as it stands"}},
        {"--game . txt/car_dealers", dir.path(), 2, {"error: the game cannot be read; txt/car_dealers: 2 problems"}},
        // clang-format on
    };
    for (const auto& [arguments, folder, status, lines] : runs) {
        std::string printed = "\n";
        EXPECT_EQ(DealersCheck(arguments, folder, printed), status) << folder;
        for (const std::string& line : lines)
            EXPECT_NE(printed.find("\n" + line + "\n"), std::string::npos) << folder << ": " << line;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no.svg"))); // no map without its picture
}

} // namespace
