#include "folder_check.h"

#include "dealer/config_file.h"
#include "dealer/dealer_list.h"
#include "dealer/text_file.h"
#include "zone_overlaps.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace dealers_check {
namespace {

// The keys the plugin reads, in the order of Rate* below.
constexpr const char* kRateKeys[] = {"price_rate_sell", "price_rate_buy"};
constexpr const char* kFieldNames[] = {"x", "y", "z", "radius"};

// A text cut to its first longest characters, with what does not show spelt out (a tab as \t, a
// carriage return as \r).
std::string Shown(std::string_view text, std::size_t longest) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > longest) out += "...";
    return out;
}

std::string Quote(std::string_view text) {
    return "\"" + Shown(text, 60) + "\"";
}

bool StartsWithHash(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\v\f");
    return first != std::string_view::npos && text[first] == '#';
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r\v\f");
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\v\f") - begin + 1);
}

// A file's raw bytes turned, in place, into the text both readers cut into lines. A Ctrl-Z ends
// the text for the plugin; whatever follows it is lost, which is a finding on the line it ends.
std::optional<Finding> ToText(std::string& bytes) {
    DecodeText(bytes);
    const std::size_t mark = bytes.find('\x1A');
    const bool losesText = mark != std::string::npos && mark + 1 < bytes.size();
    ApplyTextMode(bytes);
    if (!losesText) return std::nullopt;
    return Finding{static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1,
                   FindingKind::Ignored,
                   "an end-of-file mark (Ctrl-Z) ends the file here: nothing after it is read"};
}

// ---- dealers.conf

std::string Normalised(std::string_view key) {
    std::string out;
    for (const char c : key)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Why a key that nothing reads may have been meant otherwise.
std::string KeyHint(const std::string& key) {
    if (!key.empty() && key.front() == '#')
        return " (a comment needs \"#\" as the line's very first character)";
    for (const char* known : kRateKeys) {
        if (Normalised(key) != Normalised(known)) continue;
        const bool tab = key.find('\t') != std::string::npos;
        return std::string(" (") + (tab ? "a tab stays in the key; " : "") + "did you mean " + known + "?)";
    }
    return "";
}

// What the value on the line that sets a rate does; the plugin reads it with atof.
void CheckRateLine(const ConfigLine& line, std::string_view raw, const Rate& rate, FileCheck& file) {
    auto add = [&](FindingKind kind, std::string text) { file.Add({rate.line, kind, std::move(text)}); };
    const std::string key = rate.key;
    const char* const begin = line.value.c_str();
    char* end = nullptr;
    std::strtod(begin, &end);
    if (end == begin) {
        add(FindingKind::Warning,
            line.value.empty()
                ? key + " has no value: the rate reads as 0"
                : key + " " + Quote(line.value) + " does not start with a number: the rate reads as 0");
    } else if (const std::string_view rest(end); !IsBlank(rest)) {
        add(FindingKind::Ignored, key + " reads as " + FloatText(rate.value) + ": " + Quote(rest) +
                                      " after the number is not read" +
                                      (rest.front() == ',' ? " (write a decimal point, not a comma)" : ""));
    }
    const std::size_t second = raw.find('=', raw.find('=') + 1);
    if (second != std::string_view::npos)
        add(FindingKind::Ignored, Quote(raw.substr(second)) + " after the value is not read");

    if (!std::isfinite(rate.value))
        add(FindingKind::Warning,
            key + " is not a finite number (" + FloatText(rate.value) + "): prices make no sense");
    else if (rate.value == 0 && end != begin)
        add(FindingKind::Warning, key + " is 0: every price becomes $ -1");
    else if (rate.value < 0)
        add(FindingKind::Warning, key + " is negative (" + FloatText(rate.value) + "): prices turn negative");
}

// The rates through the plugin's own reader, then each line's findings in line order.
void CheckSettings(std::string& bytes, FolderCheck& check) {
    FileCheck& file = check.settings;
    ConfigFile plugin(file.path.c_str());
    plugin.Load(bytes);
    check.sell.value = plugin.GetFloat(check.sell.key, 0.5f);
    check.buy.value = plugin.GetFloat(check.buy.key, 0.8f);

    std::optional<Finding> endMark = ToText(bytes);

    Rate* const rates[] = {&check.sell, &check.buy};
    ForEachLine(bytes, [&](std::size_t number, std::string_view raw) {
        const ConfigLine line = ParseConfigLine(raw);
        if (line.status != ConfigLineStatus::Entry) return;
        for (Rate* rate : rates)
            if (line.key == rate->key) rate->line = number; // the last line wins
    });
    ForEachLine(bytes, [&](std::size_t number, std::string_view raw) {
        const ConfigLine line = ParseConfigLine(raw);
        if (line.status == ConfigLineStatus::Comment) return;
        if (line.status == ConfigLineStatus::TooFewPieces) {
            if (IsBlank(raw)) return;
            file.Add({number, FindingKind::Skipped,
                      (raw.find('=') == std::string_view::npos ? "no \"=\" in " : "nothing after \"=\" in ") +
                          Quote(raw)});
            return;
        }
        for (const Rate* rate : rates) {
            if (line.key != rate->key) continue;
            if (number == rate->line)
                CheckRateLine(line, raw, *rate, file);
            else
                file.Add({number, FindingKind::Ignored,
                          std::string(rate->key) + " is set again on line " + std::to_string(rate->line) +
                              ", which wins"});
            return;
        }
        file.Add(
            {number, FindingKind::Ignored, "nothing reads the key " + Quote(line.key) + KeyHint(line.key)});
    });
    if (endMark) file.Add(std::move(*endMark));
}

// ---- dealers.csv

// Field n (from 0) of a line cut as the reader cuts it, at every comma. Only to show it;
// ParseDealerLine decides.
std::string_view Field(std::string_view line, int n) {
    for (; n > 0; --n) line.remove_prefix(std::min(line.size(), line.find(',') + 1));
    return line.substr(0, line.find(','));
}

// How many fields the reader cuts the line into, up to 5: the text after the last comma is a
// field only when it is not empty.
std::size_t FieldCount(std::string_view line) {
    std::size_t count = 0;
    for (; count < 5; ++count) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) return count + (line.empty() ? 0 : 1);
        line.remove_prefix(comma + 1);
    }
    return count;
}

// The text after the fourth comma, which the plugin never reads: the sample list names its places there.
std::string Label(std::string_view line) {
    std::size_t at = 0;
    for (int comma = 0; comma < 4; ++comma) {
        at = line.find(',', at);
        if (at == std::string_view::npos) return "";
        ++at;
    }
    const std::string_view label = TrimBlanks(line.substr(at));
    return Shown(label, kLongestLabel);
}

// What the conversion of a field passes over after its number, unless that is blank.
std::string_view UnreadText(std::string_view field, bool radius) {
    const std::string text(field); // terminated, as the reader converts it
    char* end = nullptr;
    if (radius)
        std::strtol(text.c_str(), &end, 10);
    else
        std::strtof(text.c_str(), &end);
    const std::string_view rest = field.substr(static_cast<std::size_t>(end - text.c_str()));
    return IsBlank(rest) ? std::string_view{} : rest;
}

void CheckAcceptedLine(std::size_t number, std::string_view raw, const Dealer& dealer, FileCheck& file) {
    const auto value = [&](int field) {
        const float coordinates[3] = {dealer.x, dealer.y, dealer.z};
        return field == 3 ? std::to_string(dealer.radius) : FloatText(coordinates[field]);
    };
    for (int i = 0; i < 4; ++i) {
        const std::string_view field = Field(raw, i);
        const std::string_view unread = UnreadText(field, i == 3);
        if (unread.empty()) continue;
        file.Add({number, FindingKind::Ignored,
                  "field " + std::to_string(i + 1) + " (" + kFieldNames[i] + ") " + Quote(field) +
                      " reads as " + value(i) + ": " + Quote(unread) + " is not read" +
                      (i == 3 && unread.front() == '.' ? " (a radius is a whole number)" : "")});
    }
    if (!std::isfinite(dealer.x) || !std::isfinite(dealer.y))
        file.Add({number, FindingKind::Warning,
                  "the place is not a finite point: its zone never holds the player"});
    if (dealer.radius < 0)
        file.Add({number, FindingKind::Warning,
                  "radius " + value(3) + " is negative: the zone never holds the player"});
    else if (dealer.radius == 0)
        file.Add(
            {number, FindingKind::Warning, "radius 0: the zone holds the player only on its very centre"});
}

std::string SkipReason(std::size_t number, std::string_view raw, const DealerLine& line) {
    std::string reason;
    if (line.status == DealerLineStatus::TooFewFields) {
        reason = "too few fields: " + std::to_string(FieldCount(raw)) + " of the 4 needed (x, y, z, radius)";
        if (!raw.empty() && raw.back() == ',') reason += "; the empty text after the last comma is no field";
    } else {
        const int field = line.field;
        reason = "field " + std::to_string(field) + " (" + kFieldNames[field - 1] + ") " +
                 Quote(Field(raw, field - 1)) + " is " + DealerLineStatusText(line.status);
        if (number == 1 && field == 1 && line.status == DealerLineStatus::NotANumber && !StartsWithHash(raw))
            reason += "; the list has no header line";
    }
    if (StartsWithHash(raw)) reason += "; the list has no comments, every line is a place";
    return reason;
}

// Each line through the reader's own rule for a line, on the text as the reader cuts it.
void CheckDealerList(std::string& bytes, FolderCheck& check) {
    FileCheck& file = check.dealer_list;
    std::optional<Finding> endMark = ToText(bytes);

    ForEachLine(bytes, [&](std::size_t number, std::string_view raw) {
        const DealerLine line = ParseDealerLine(raw);
        if (line.status == DealerLineStatus::Accepted) {
            check.dealers.push_back({number, line.x, line.y, line.z, line.radius, Label(raw)});
            CheckAcceptedLine(number, raw, check.dealers.back(), file);
        } else if (!IsBlank(raw)) {
            file.Add({number, FindingKind::Skipped, SkipReason(number, raw, line)});
        }
    });
    if (endMark) file.Add(std::move(*endMark));
    bytes = std::string();
    if (check.dealers.empty())
        file.Add({0, FindingKind::Warning,
                  file.found ? "the list holds no dealer place: no dealer will ever react"
                             : "no dealer will ever react"});
    FindOverlaps(check.dealers, check.overlaps);
    file.counts[static_cast<int>(FindingKind::Warning)] += check.overlaps.never_chosen;
}

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

// stat of a path as the user wrote it. On Windows the C runtime's stat takes a path that ends in
// one separator (it drops it, and keeps a root's), not in more: "car_dealers//" is looked at as
// "car_dealers/".
int Stat(std::string path, struct stat& info) {
#ifdef _WIN32
    while (path.size() > 1 && IsSeparator(path.back()) && IsSeparator(path[path.size() - 2])) path.pop_back();
#endif
    return stat(path.c_str(), &info);
}

// The path of a file in the folder, as the user wrote the folder's, with a slash between them (on
// Windows too: the report reads the same on every system).
std::string InFolder(const std::string& folder, const char* name) {
    return folder + (IsSeparator(folder.back()) ? "" : "/") + name;
}

enum class FileState { Missing, Read, Unreadable };

// The raw bytes of the file at path, as the plugin reads them, with what can go wrong told apart.
FileState ReadFile(const std::string& path, std::string& bytes, std::string& reason) {
    struct stat info;
    if (Stat(path, info) != 0) {
        if (errno == ENOENT) return FileState::Missing;
        reason = std::strerror(errno);
        return FileState::Unreadable;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a file";
        return FileState::Unreadable;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        return FileState::Unreadable;
    }
    struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{file};
    char chunk[1 << 16];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    if (std::ferror(file)) {
        reason = std::strerror(errno);
        return FileState::Unreadable;
    }
    return FileState::Read;
}

std::string FindingText(const Finding& finding) {
    return "  " + (finding.line ? "line " + std::to_string(finding.line) + ": " : std::string()) +
           FindingKindText(finding.kind) + ": " + finding.text + "\n";
}

std::string DealerText(const Dealer& dealer) {
    std::string text = "  line " + std::to_string(dealer.line) + ": x " + FloatText(dealer.x) + ", y " +
                       FloatText(dealer.y) + ", z " + FloatText(dealer.z) + ", radius " +
                       std::to_string(dealer.radius);
    if (!dealer.label.empty()) text += " (" + dealer.label + ")";
    return text + "\n";
}

Finding NeverChosen(const Dealer& dealer) {
    return {dealer.line, FindingKind::Warning,
            "this dealer is never chosen: its zone lies within the zone of line " +
                std::to_string(dealer.never_chosen_by) + ", which comes first"};
}

const Dealer& DealerAt(const FolderCheck& check, std::size_t line) {
    return *std::lower_bound(check.dealers.begin(), check.dealers.end(), line,
                             [](const Dealer& dealer, std::size_t at) { return dealer.line < at; });
}

// "  and 12 more findings" when some were not listed.
void PrintRest(std::size_t listed, std::size_t all, const char* what, Output& out) {
    if (all > listed) out << "  ... and " << all - listed << " more " << what << ", not listed\n";
}

void PrintSettings(const FolderCheck& check, Output& out) {
    out << check.settings.path << (check.settings.found ? "" : ": not found, the rates keep their defaults")
        << '\n';
    for (const Rate* rate : {&check.sell, &check.buy})
        out << "  " << rate->key << " = " << FloatText(rate->value) << "  "
            << (rate->line ? "(line " + std::to_string(rate->line) + ")" : std::string("(default)")) << '\n';
    for (const Finding& finding : check.settings.findings) out << FindingText(finding);
    PrintRest(check.settings.findings.size(), check.settings.Total(), "findings", out);
}

// Dealers and findings (those of the lines, and the dealers never chosen) merged in line order,
// each dealer before what is said about its line, each list up to its limit.
void PrintDealerList(const FolderCheck& check, Output& out) {
    const FileCheck& file = check.dealer_list;
    out << '\n'
        << file.path << ": " << (file.found ? Plural(check.dealers.size(), "dealer", "dealers") : "not found")
        << '\n';
    auto dealer = check.dealers.begin();
    auto neverChosen = check.dealers.begin();
    auto finding = file.findings.begin();
    std::size_t dealersListed = 0, findingsListed = 0;
    const auto nextNeverChosen = [&] {
        while (neverChosen != check.dealers.end() && neverChosen->never_chosen_by == 0) ++neverChosen;
    };
    nextNeverChosen();
    constexpr std::size_t kEnd = static_cast<std::size_t>(-1);
    for (;;) {
        const std::size_t dealerLine =
            dealer != check.dealers.end() && dealersListed < kListedDealers ? dealer->line : kEnd;
        const bool findingsLeft = findingsListed < kListedFindings;
        const std::size_t findingLine = finding != file.findings.end() && findingsLeft ? finding->line : kEnd;
        const std::size_t neverLine =
            neverChosen != check.dealers.end() && findingsLeft ? neverChosen->line : kEnd;
        const std::size_t line = std::min({dealerLine, findingLine, neverLine});
        if (line == kEnd) break;
        if (dealerLine == line) {
            out << DealerText(*dealer++);
            ++dealersListed;
        } else if (findingLine == line) {
            out << FindingText(*finding++);
            ++findingsListed;
        } else {
            out << FindingText(NeverChosen(*neverChosen++));
            nextNeverChosen();
            ++findingsListed;
        }
    }
    PrintRest(dealersListed, check.dealers.size(), "dealers (--map draws them all)", out);
    PrintRest(findingsListed, file.Total(), "findings", out);
}

void PrintOverlaps(const FolderCheck& check, Output& out) {
    const Overlaps& overlaps = check.overlaps;
    if (overlaps.pairs == 0 && overlaps.never_chosen == 0) return;
    out << "\nzones that overlap: where both hold the player, the dealer he is with keeps him; "
           "otherwise the one listed first takes him\n";
    out << "  " << (overlaps.complete ? "" : "at least ") << Plural(overlaps.pairs, "pair", "pairs")
        << " of zones that can be chosen share ground";
    if (!overlaps.complete) out << " (too many to look at every pair: the figures are lower bounds)";
    out << '\n';
    for (const Overlap& overlap : overlaps.first) {
        char distance[32];
        std::snprintf(distance, sizeof distance, "%g", overlap.distance);
        out << "  lines " << overlap.first << " and " << overlap.second << ": centres " << distance
            << " apart, radii " << DealerAt(check, overlap.first).radius << " and "
            << DealerAt(check, overlap.second).radius << '\n';
    }
    PrintRest(overlaps.first.size(), overlaps.pairs, "pairs", out);
    if (overlaps.never_chosen > 0)
        out << "  " << (overlaps.complete ? "" : "at least ")
            << Plural(overlaps.never_chosen, "zone", "zones")
            << " never chosen: each lies wholly within a zone listed before it (warnings above)\n";
}

} // namespace

std::string Plural(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string FloatText(float value) {
    char text[48];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void FileCheck::Add(Finding finding) {
    ++counts[static_cast<int>(finding.kind)];
    if (finding.line == 0) {
        // About the file as a whole: first.
        findings.insert(findings.begin(), std::move(finding));
        if (findings.size() > kListedFindings) findings.pop_back();
    } else if (findings.size() < kListedFindings) {
        findings.push_back(std::move(finding));
    }
}

const char* FindingKindText(FindingKind kind) {
    switch (kind) {
    case FindingKind::Skipped:
        return "skipped";
    case FindingKind::Ignored:
        return "ignored";
    case FindingKind::Warning:
        return "warning";
    }
    return "?";
}

bool CheckFolder(const std::string& folder, FolderCheck& check, std::string& error) {
    check = FolderCheck{};
    struct stat info;
    if (Stat(folder, info) != 0) {
        error = "there is no folder " + folder;
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder + " is not a folder";
        return false;
    }
    check.settings.path = InFolder(folder, "dealers.conf");
    check.dealer_list.path = InFolder(folder, "dealers.csv");
    for (FileCheck* file : {&check.settings, &check.dealer_list}) {
        std::string bytes, reason;
        const FileState state = ReadFile(file->path, bytes, reason);
        if (state == FileState::Unreadable) {
            error = "cannot read " + file->path + ": " + reason;
            return false;
        }
        file->found = state == FileState::Read;
        if (file == &check.settings)
            CheckSettings(bytes, check);
        else
            CheckDealerList(bytes, check);
    }
    return true;
}

void CheckFiles(std::string settings, std::string dealerList, FolderCheck& check) {
    check = FolderCheck{};
    check.settings.path = "dealers.conf";
    check.dealer_list.path = "dealers.csv";
    check.settings.found = check.dealer_list.found = true;
    CheckSettings(settings, check);
    CheckDealerList(dealerList, check);
}

int ExitStatus(const FolderCheck& check) {
    return check.settings.Total() == 0 && check.dealer_list.Total() == 0 ? 0 : 1;
}

void PrintCheck(const FolderCheck& check, Output& out) {
    PrintSettings(check, out);
    PrintDealerList(check, out);
    PrintOverlaps(check, out);
    std::size_t counts[3] = {};
    for (const FileCheck* file : {&check.settings, &check.dealer_list})
        for (int kind = 0; kind < 3; ++kind) counts[kind] += file->counts[kind];
    out << '\n';
    if (ExitStatus(check) == 0)
        out << "ok: the plugin uses every line as it stands\n";
    else
        out << "problems: " << counts[0] << " skipped, " << counts[1] << " ignored, "
            << Plural(counts[2], "warning", "warnings") << '\n';
}

} // namespace dealers_check
