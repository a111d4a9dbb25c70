#pragma once
// What the plugin makes of a car_dealers/ folder, read with the plugin's own readers: the settings
// through DealerModule and ConfigFile, the dealer list through ReadDealerList. Nothing here decides
// whether a line is used; it only explains what those readers decided.
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace dealers_check {

// Every kind fails the check (exit status 1).
enum class FindingKind : unsigned char {
    Skipped, // the plugin skips the line
    Ignored, // the plugin reads nothing of the line, or passes over a part of it
    Warning, // the plugin uses the line, and it will not work as meant
};

// "skipped", "ignored", "warning".
const char* FindingKindText(FindingKind kind);

struct Finding {
    std::size_t line; // counted from 1; 0 for the file as a whole
    FindingKind kind;
    std::string text;
};

struct Rate {
    const char* key;
    float value;      // as the plugin holds it
    std::size_t line; // the line it comes from; 0 when no line sets it (the default)
};

struct Dealer {
    std::size_t line;
    float x, y, z;
    std::int32_t radius;
    std::string label; // the text after the fourth comma, which the plugin does not read
};

// Two dealer zones that share ground; the player there goes to first's dealer unless he already
// is with second's.
struct Overlap {
    std::size_t first, second; // lines, first < second
    double distance;           // between the centres, on the ground
};

struct FileCheck {
    std::string path;
    bool found = false;
    std::vector<Finding> findings; // in line order
};

struct FolderCheck {
    FileCheck settings;
    Rate sell{"price_rate_sell", 0, 0};
    Rate buy{"price_rate_buy", 0, 0};
    FileCheck dealer_list;
    std::vector<Dealer> dealers;   // in list order
    std::vector<Overlap> overlaps; // by first, then second
};

// Reads folder/dealers.conf and folder/dealers.csv. False, with error set, when the folder or one
// of its files is there but cannot be read; a missing file is not an error (the plugin goes on
// without it) and shows in the check.
bool CheckFolder(const std::string& folder, FolderCheck& check, std::string& error);

// 0 when the plugin uses every line as it stands, 1 when there is any finding.
int ExitStatus(const FolderCheck& check);

// The check as a person reads it, one fact a line; the last line sums it up.
void PrintCheck(const FolderCheck& check, std::ostream& out);

} // namespace dealers_check
