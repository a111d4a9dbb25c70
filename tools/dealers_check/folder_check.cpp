#include "folder_check.h"

#include "dealer/config_file.h"
#include "dealer/dealer_list.h"
#include "dealer/dealer_module.h"
#include "dealer/text_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <system_error>
#include <utility>

namespace dealers_check {
namespace {

namespace fs = std::filesystem;

// The keys the plugin reads, in the order of Rate* below.
constexpr const char* kRateKeys[] = {"price_rate_sell", "price_rate_buy"};
constexpr const char* kFieldNames[] = {"x", "y", "z", "radius"};

// Shortest text that reads back as the same float.
std::string FloatText(float value) {
    char text[48];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// A text in quotes, with what does not show spelt out (a tab as \t, a carriage return as \r).
std::string Quote(std::string_view text) {
    constexpr std::size_t kLongest = 60;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < kLongest; ++i) {
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
    if (text.size() > kLongest) out += "...";
    return out + "\"";
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

// The lines of a file's raw bytes as both readers see them (text mode, then cut at line feeds).
std::vector<std::string_view> Lines(const std::string& text) {
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::size_t, std::string_view line) { lines.push_back(line); });
    return lines;
}

// A Ctrl-Z ends the text for the plugin; whatever follows it is lost.
void CheckEndOfFileMark(const std::string& bytes, const std::string& text, std::vector<Finding>& findings) {
    const std::size_t mark = bytes.find('\x1A');
    if (mark == std::string::npos || mark + 1 == bytes.size()) return;
    const auto line = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    findings.push_back({line, FindingKind::Ignored,
                        "an end-of-file mark (Ctrl-Z) ends the file here: nothing after it is read"});
}

void SortByLine(std::vector<Finding>& findings) {
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
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
void CheckRateLine(const ConfigLine& line, std::string_view raw, const Rate& rate,
                   std::vector<Finding>& findings) {
    auto add = [&](FindingKind kind, std::string text) {
        findings.push_back({rate.line, kind, std::move(text)});
    };
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

void CheckSettings(const std::string& bytes, const DealerModule& plugin, FolderCheck& check) {
    std::vector<ConfigLineReport> report;
    ConfigFile(check.settings.path).Load(bytes, &report);
    std::string text = bytes;
    ApplyTextMode(text);
    const std::vector<std::string_view> lines = Lines(text);
    std::vector<Finding>& findings = check.settings.findings;

    Rate* const rates[] = {&check.sell, &check.buy};
    check.sell.value = plugin.price_rate_sell;
    check.buy.value = plugin.price_rate_buy;
    std::vector<std::size_t> rateLines[2];
    for (const ConfigLineReport& entry : report) {
        const std::string_view raw = lines.at(entry.number - 1);
        const ConfigLine& line = entry.line;
        if (line.status == ConfigLineStatus::Comment) continue;
        if (line.status == ConfigLineStatus::TooFewPieces) {
            if (IsBlank(raw)) continue;
            findings.push_back(
                {entry.number, FindingKind::Skipped,
                 (raw.find('=') == std::string_view::npos ? "no \"=\" in " : "nothing after \"=\" in ") +
                     Quote(raw)});
            continue;
        }
        const auto known = std::find(std::begin(kRateKeys), std::end(kRateKeys), line.key);
        if (known == std::end(kRateKeys)) {
            findings.push_back({entry.number, FindingKind::Ignored,
                                "nothing reads the key " + Quote(line.key) + KeyHint(line.key)});
            continue;
        }
        rateLines[known - std::begin(kRateKeys)].push_back(entry.number);
    }
    for (int i = 0; i < 2; ++i) {
        if (rateLines[i].empty()) continue; // the default stays
        Rate& rate = *rates[i];
        rate.line = rateLines[i].back();
        for (std::size_t j = 0; j + 1 < rateLines[i].size(); ++j)
            findings.push_back({rateLines[i][j], FindingKind::Ignored,
                                std::string(rate.key) + " is set again on line " + std::to_string(rate.line) +
                                    ", which wins"});
        CheckRateLine(report.at(rate.line - 1).line, lines.at(rate.line - 1), rate, findings);
    }
    CheckEndOfFileMark(bytes, text, findings);
    SortByLine(findings);
}

// ---- dealers.csv

// The fields of a line cut as the reader cuts them: the text after the last comma is a field only
// when it is not empty. Only to show them; ParseDealerLine decides.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            if (!line.empty()) fields.push_back(line);
            return fields;
        }
        fields.push_back(line.substr(0, comma));
        line.remove_prefix(comma + 1);
    }
}

// The text after the fourth comma, which the plugin never reads: the sample list names its places there.
std::string Label(std::string_view line) {
    std::size_t at = 0;
    for (int comma = 0; comma < 4; ++comma) {
        at = line.find(',', at);
        if (at == std::string_view::npos) return "";
        ++at;
    }
    return std::string(TrimBlanks(line.substr(at)));
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

bool HoldsAnyone(const Dealer& dealer) {
    return dealer.radius >= 0 && std::isfinite(dealer.x) && std::isfinite(dealer.y);
}

void CheckAcceptedLine(std::size_t number, std::string_view raw, const Dealer& dealer,
                       std::vector<Finding>& findings) {
    const std::vector<std::string_view> fields = Fields(raw);
    const std::string values[4] = {FloatText(dealer.x), FloatText(dealer.y), FloatText(dealer.z),
                                   std::to_string(dealer.radius)};
    for (int i = 0; i < 4; ++i) {
        const std::string_view unread = UnreadText(fields.at(i), i == 3);
        if (unread.empty()) continue;
        findings.push_back({number, FindingKind::Ignored,
                            "field " + std::to_string(i + 1) + " (" + kFieldNames[i] + ") " +
                                Quote(fields[i]) + " reads as " + values[i] + ": " + Quote(unread) +
                                " is not read" +
                                (i == 3 && unread.front() == '.' ? " (a radius is a whole number)" : "")});
    }
    if (!std::isfinite(dealer.x) || !std::isfinite(dealer.y))
        findings.push_back({number, FindingKind::Warning,
                            "the place is not a finite point: its zone never holds the player"});
    if (dealer.radius < 0)
        findings.push_back({number, FindingKind::Warning,
                            "radius " + values[3] + " is negative: the zone never holds the player"});
    else if (dealer.radius == 0)
        findings.push_back(
            {number, FindingKind::Warning, "radius 0: the zone holds the player only on its very centre"});
}

std::string SkipReason(std::size_t number, std::string_view raw, const DealerLine& line) {
    const std::vector<std::string_view> fields = Fields(raw);
    std::string reason;
    if (line.status == DealerLineStatus::TooFewFields) {
        reason = "too few fields: " + std::to_string(fields.size()) + " of the 4 needed (x, y, z, radius)";
        if (!raw.empty() && raw.back() == ',') reason += "; the empty text after the last comma is no field";
    } else {
        const int field = line.field;
        reason = "field " + std::to_string(field) + " (" + kFieldNames[field - 1] + ") " +
                 Quote(fields.at(field - 1)) + " is " + DealerLineStatusText(line.status);
        if (number == 1 && field == 1 && line.status == DealerLineStatus::NotANumber && !StartsWithHash(raw))
            reason += "; the list has no header line";
    }
    if (StartsWithHash(raw)) reason += "; the list has no comments, every line is a place";
    return reason;
}

// Zones that share ground. A zone that lies wholly within one listed before it never gets the
// player: where it holds him, the earlier one does too and is found first.
void FindOverlaps(FolderCheck& check) {
    const std::vector<Dealer>& dealers = check.dealers;
    // The plugin compares the radius as a float.
    const auto radius = [&](std::size_t i) -> double { return static_cast<float>(dealers[i].radius); };
    const auto distance = [&](std::size_t i, std::size_t j) {
        return std::hypot(double{dealers[i].x} - double{dealers[j].x},
                          double{dealers[i].y} - double{dealers[j].y});
    };
    // Only zones whose spans along x meet can share ground: a sweep along x finds those pairs.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < dealers.size(); ++i)
        if (HoldsAnyone(dealers[i])) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return dealers[a].x - radius(a) < dealers[b].x - radius(b);
    });
    std::vector<std::pair<std::size_t, std::size_t>> pairs; // (earlier, later) in list order
    for (std::size_t k = 0; k < order.size(); ++k) {
        const double right = dealers[order[k]].x + radius(order[k]);
        for (std::size_t m = k + 1; m < order.size() && dealers[order[m]].x - radius(order[m]) <= right; ++m)
            pairs.emplace_back(std::min(order[k], order[m]), std::max(order[k], order[m]));
    }
    std::sort(pairs.begin(), pairs.end());

    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> hiddenBy(dealers.size(), kNone); // the first zone listed before that holds it
    for (const auto& [i, j] : pairs)
        if (hiddenBy[j] == kNone && distance(i, j) + radius(j) <= radius(i)) hiddenBy[j] = i;
    for (std::size_t j = 0; j < dealers.size(); ++j)
        if (hiddenBy[j] != kNone)
            check.dealer_list.findings.push_back(
                {dealers[j].line, FindingKind::Warning,
                 "this dealer is never chosen: its zone lies within the zone of line " +
                     std::to_string(dealers[hiddenBy[j]].line) + ", which comes first"});
    for (const auto& [i, j] : pairs) {
        if (hiddenBy[i] != kNone || hiddenBy[j] != kNone) continue;
        const double apart = distance(i, j);
        if (apart < radius(i) + radius(j))
            check.overlaps.push_back({dealers[i].line, dealers[j].line, apart});
    }
}

void CheckDealerList(const std::string& bytes, FolderCheck& check) {
    std::vector<DealerRecord> records;
    std::vector<DealerLineReport> report;
    ReadDealerList(bytes, records, &report);
    std::string text = bytes;
    ApplyTextMode(text);
    const std::vector<std::string_view> lines = Lines(text);
    std::vector<Finding>& findings = check.dealer_list.findings;

    for (const DealerLineReport& entry : report) {
        const std::string_view raw = lines.at(entry.number - 1);
        const DealerLine& line = entry.line;
        if (line.status == DealerLineStatus::Accepted) {
            check.dealers.push_back({entry.number, line.x, line.y, line.z, line.radius, Label(raw)});
            CheckAcceptedLine(entry.number, raw, check.dealers.back(), findings);
        } else if (!IsBlank(raw)) {
            findings.push_back({entry.number, FindingKind::Skipped, SkipReason(entry.number, raw, line)});
        }
    }
    CheckEndOfFileMark(bytes, text, findings);
    if (check.dealers.empty())
        findings.push_back({0, FindingKind::Warning,
                            check.dealer_list.found
                                ? "the list holds no dealer place: no dealer will ever react"
                                : "no dealer will ever react"});
    FindOverlaps(check);
    SortByLine(findings);
}

enum class FileState { Missing, Read, Unreadable };

FileState ReadFile(const std::string& path, std::string& bytes) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return FileState::Missing;
    if (error || !fs::is_regular_file(status)) return FileState::Unreadable;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return FileState::Unreadable;
    std::fclose(file);
    bytes = ReadFileBytes(path);
    return FileState::Read;
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
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

const Dealer& DealerAt(const FolderCheck& check, std::size_t line) {
    return *std::lower_bound(check.dealers.begin(), check.dealers.end(), line,
                             [](const Dealer& dealer, std::size_t at) { return dealer.line < at; });
}

} // namespace

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
    std::error_code ignored;
    if (!fs::is_directory(folder, ignored)) {
        error = fs::exists(folder, ignored) ? folder + " is not a folder" : "there is no folder " + folder;
        return false;
    }
    check.settings.path = (fs::path(folder) / "dealers.conf").string();
    check.dealer_list.path = (fs::path(folder) / "dealers.csv").string();
    std::string settingsBytes, dealerBytes;
    const std::pair<FileCheck*, std::string*> files[] = {{&check.settings, &settingsBytes},
                                                         {&check.dealer_list, &dealerBytes}};
    for (const auto& [file, bytes] : files) {
        const FileState state = ReadFile(file->path, *bytes);
        if (state == FileState::Unreadable) {
            error = "cannot read " + file->path;
            return false;
        }
        file->found = state == FileState::Read;
    }
    // The rates as the plugin's own start-up sets them from the file.
    const DealerModule plugin(check.dealer_list.path, check.settings.path);
    CheckSettings(settingsBytes, plugin, check);
    CheckDealerList(dealerBytes, check);
    return true;
}

int ExitStatus(const FolderCheck& check) {
    return check.settings.findings.empty() && check.dealer_list.findings.empty() ? 0 : 1;
}

void PrintCheck(const FolderCheck& check, std::ostream& out) {
    out << check.settings.path << (check.settings.found ? "" : ": not found, the rates keep their defaults")
        << '\n';
    for (const Rate* rate : {&check.sell, &check.buy})
        out << "  " << rate->key << " = " << FloatText(rate->value) << "  "
            << (rate->line ? "(line " + std::to_string(rate->line) + ")" : std::string("(default)")) << '\n';
    for (const Finding& finding : check.settings.findings) out << FindingText(finding);

    out << '\n'
        << check.dealer_list.path << ": "
        << (check.dealer_list.found ? Plural(check.dealers.size(), "dealer", "dealers") : "not found")
        << '\n';
    // Dealers and findings merged in line order, each dealer before what is said about its line.
    auto finding = check.dealer_list.findings.begin();
    const auto findingsEnd = check.dealer_list.findings.end();
    for (const Dealer& dealer : check.dealers) {
        for (; finding != findingsEnd && finding->line < dealer.line; ++finding) out << FindingText(*finding);
        out << DealerText(dealer);
    }
    for (; finding != findingsEnd; ++finding) out << FindingText(*finding);

    if (!check.overlaps.empty()) {
        out << "\nzones that overlap: where both hold the player, the dealer he is with keeps him; "
               "otherwise the one listed first takes him\n";
        for (const Overlap& overlap : check.overlaps) {
            char distance[32];
            std::snprintf(distance, sizeof distance, "%g", overlap.distance);
            out << "  lines " << overlap.first << " and " << overlap.second << ": centres " << distance
                << " apart, radii " << DealerAt(check, overlap.first).radius << " and "
                << DealerAt(check, overlap.second).radius << '\n';
        }
    }

    std::size_t counts[3] = {};
    for (const FileCheck* file : {&check.settings, &check.dealer_list})
        for (const Finding& f : file->findings) ++counts[static_cast<int>(f.kind)];
    out << '\n';
    if (ExitStatus(check) == 0)
        out << "ok: the plugin uses every line as it stands\n";
    else
        out << "problems: " << counts[0] << " skipped, " << counts[1] << " ignored, "
            << Plural(counts[2], "warning", "warnings") << '\n';
}

} // namespace dealers_check
