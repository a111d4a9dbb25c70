#pragma once
// What the plugin makes of a car_dealers/ folder, read with the plugin's own rules: the settings
// through ConfigFile, the dealer list line by line through ParseDealerLine on the text as the
// reader cuts it. Nothing here decides whether a line is used; it only explains what those rules
// decided. Memory grows with the lines, and what is kept of the findings is bounded.
#include "output.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dealers_check {

enum class FindingKind : unsigned char {
    // The plugin reads the line otherwise than its writer evidently meant (a line lost, a number
    // misread, a key nobody reads, a rate or a zone that makes no sense): exit status 1.
    Problem,
    // Harmless: the line reads as meant, or means nothing and is meant to (a header, a blank row,
    // text after a number read whole): shown, exit status 0.
    Note,
};

// "problem", "note".
const char* FindingKindText(FindingKind kind);

struct Finding {
    std::size_t line; // counted from 1; 0 for the file as a whole
    FindingKind kind;
    std::string text;
};

// How much of each list is kept and shown; the rest is counted.
inline constexpr std::size_t kListedFindings = 200; // per file
inline constexpr std::size_t kListedDealers = 200;
inline constexpr std::size_t kListedOverlaps = 20;
inline constexpr std::size_t kLongestLabel = 40; // characters of a label kept for display

struct Rate {
    const char* key;
    float value;      // as the plugin holds it
    std::size_t line; // the line it comes from; 0 when no line sets it (the default)
};

struct Dealer {
    std::size_t line;
    float x, y, z;
    std::int32_t radius;
    std::string label;               // the text after the fourth comma, which the plugin does not read; cut
    std::size_t never_chosen_by = 0; // the line of a zone listed before that holds this one wholly; 0: none
    bool overlaps = false;           // shares ground with another zone that can be chosen
};

// Two dealer zones that share ground; the player there goes to first's dealer unless he already
// is with second's.
struct Overlap {
    std::size_t first, second; // lines, first < second
    double distance;           // between the centres, on the ground
};

struct FileCheck {
    std::string path; // as read: a file found under another name, or a folder further down, shows so
    bool found = false;
    std::vector<Finding> findings; // the first kListedFindings by line, those of one line as added
    std::size_t counts[2] = {};    // every finding by kind, listed or not

    void Add(Finding finding);
    std::size_t Problems() const { return counts[0]; }
    std::size_t Total() const { return counts[0] + counts[1]; }
};

// Zones that share ground, among those that can be chosen. Zones never chosen (wholly within one
// zone listed before them) are findings of their lines and overlap with nothing here.
struct Overlaps {
    std::uint64_t pairs = 0;
    std::vector<Overlap> first; // the first kListedOverlaps pairs, by first, then second
    std::size_t never_chosen = 0;
    bool complete = true; // false when there were too many pairs to look at them all
};

struct FolderCheck {
    FileCheck folder; // the folder as named: findings about its name and where its files are (line 0)
    FileCheck settings;
    Rate sell{"price_rate_sell", 0, 0};
    Rate buy{"price_rate_buy", 0, 0};
    FileCheck dealer_list;       // with the zones never chosen, counted once the overlaps are known
    std::vector<Dealer> dealers; // in list order, all of them
    Overlaps overlaps;
};

// Reads folder/dealers.conf and folder/dealers.csv. False, with error set, when the folder or one
// of its files is there but cannot be read; a missing file is not an error (the plugin goes on
// without it) and shows in the check. Files that are there as they were meant but misplaced (a
// ".txt" after the name, the files or car_dealers itself one folder down) are checked in their
// place, with a problem that says what to rename or move. Throws std::bad_alloc when memory runs out.
bool CheckFolder(const std::string& folder, FolderCheck& check, std::string& error);

// The same check of the two files' raw bytes, both found, as dealers.conf and dealers.csv.
void CheckFiles(std::string settings, std::string dealerList, FolderCheck& check);

// 0 when the plugin reads every line as meant (notes only), 1 when there is a problem.
int ExitStatus(const FolderCheck& check);

// The check as a person reads it, one fact a line, at most a few hundred lines whatever the
// folder holds; without the verdict.
void PrintCheck(const FolderCheck& check, Output& out);

// The line that sums the check up, without its line feed: "ok: ..." with exit status 0,
// "problems: ..." with 1.
std::string Verdict(const FolderCheck& check);

// The same with the game's check (its exit status: 0 taken, 1 idle, 2 unreadable) before it:
// "ok: ..." only when both are 0.
std::string Verdict(int gameStatus, const FolderCheck& check);

// Shortest text that reads back as the same float.
std::string FloatText(float value);

// "1 zone", "2 zones": the count and the word that goes with it.
std::string Plural(std::uint64_t count, const char* one, const char* many);

} // namespace dealers_check
