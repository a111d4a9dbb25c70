#include "folder_check.h"

#include "dealer/config_file.h"
#include "dealer/dealer_list.h"
#include "dealer/number_text.h"
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
#include <dirent.h>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace dealers_check {
namespace {

constexpr auto kProblem = FindingKind::Problem;
constexpr auto kNote = FindingKind::Note;

// The keys the plugin reads, in the order of Rate* below.
constexpr const char* kRateKeys[] = {"price_rate_sell", "price_rate_buy"};
constexpr const char* kFieldNames[] = {"x", "y", "z", "radius"};
// The only folder the game reads, next to it.
constexpr std::string_view kGameFolder = "car_dealers";
// U+FEFF in UTF-8: a byte order mark, also where a second one stands inside the text.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A text cut to its first longest bytes, with what does not show spelt out (a tab as \t, a
// carriage return as \r, a byte order mark as \uFEFF).
std::string Shown(std::string_view text, std::size_t longest) {
    std::string out;
    std::size_t i = 0;
    for (; i < text.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (text.substr(i).starts_with(kByteOrderMark)) {
            out += "\\uFEFF";
            i += kByteOrderMark.size() - 1;
        } else if (c == '\t') {
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
    if (i < text.size()) out += "...";
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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Two readings of one number agree (not-a-number agrees with itself).
bool Same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Shortest text that reads back as the same double.
std::string NumberText(double value) {
    char text[48];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Whether text, blanks aside, starts as a number does: a digit, after a sign or a point.
bool StartsAsNumber(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos) return false;
    if (text[i] == '+' || text[i] == '-') ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && IsDigit(text[i]);
}

// Whether the text a conversion left over after a number goes on as a number would: a digit (blanks
// before it aside), or right after the number a point or comma ("1..", "0,5") or a ';' before a
// digit ("5;1180"). Other text ("m", "; cheaper", "%") is a note after a number read whole.
bool GoesOnAsNumber(std::string_view rest) {
    const std::size_t first = rest.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    if (IsDigit(rest[first])) return true;
    if (first != 0) return false;
    return rest[0] == '.' || rest[0] == ',' || (rest[0] == ';' && StartsAsNumber(rest.substr(1)));
}

// Text with a carriage return that something follows on its line: the lines end in CR alone (an old
// Mac editor's), which ends no line for the plugin.
bool HasLoneCarriageReturn(std::string_view line) {
    const std::size_t cr = line.find('\r');
    return cr != std::string_view::npos && !IsBlank(line.substr(cr + 1));
}

constexpr const char* kLoneCarriageReturn =
    "a carriage return without a line feed (the line ends of an old Mac editor?) ends no line: the "
    "plugin reads what follows as part of this line; save the file with Windows or Unix line ends";

const char* EncodingText(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return "UTF-8 with a byte order mark (a spreadsheet's \"CSV UTF-8\", an editor's \"UTF-8 with BOM\")";
    case TextEncoding::Utf16Le:
        return "UTF-16 little-endian (Notepad's \"Unicode\" or \"UTF-16 LE\")";
    case TextEncoding::Utf16Be:
        return "UTF-16 big-endian (Notepad's \"Unicode big endian\" or \"UTF-16 BE\")";
    case TextEncoding::Bytes:
        break;
    }
    return "";
}

// A file's raw bytes turned, in place, into the text both readers cut into lines, with what that
// tells about the file as a whole: its encoding (read alike), a file that is no text, and text lost
// after a Ctrl-Z, which ends the text for the plugin (a finding on the line it ends).
void ToText(std::string& bytes, FileCheck& file) {
    const bool spreadsheet =
        bytes.starts_with("PK\x03\x04") || bytes.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    if (spreadsheet)
        file.Add(
            {0, kProblem,
             "the file is no text but a spreadsheet's own file (.xlsx, .ods or .xls): save it as CSV text"});
    const TextEncoding encoding = DecodeText(bytes);
    if (encoding != TextEncoding::Bytes)
        file.Add(
            {0, kNote,
             std::string("saved as ") + EncodingText(encoding) + ": the plugin reads it as the same text"});
    const std::size_t mark = bytes.find('\x1A');
    const bool losesText =
        mark != std::string::npos && bytes.find_first_not_of(" \t\r\n", mark + 1) != std::string::npos;
    ApplyTextMode(bytes);
    if (!spreadsheet && !bytes.empty() &&
        static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\0')) * 4 >= bytes.size())
        file.Add({0, kProblem,
                  "a quarter of the file or more is NUL bytes: it is no plain text (UTF-16 without a byte "
                  "order mark?): save it as UTF-8 or ANSI text"});
    if (losesText)
        file.Add({static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1, kProblem,
                  "an end-of-file mark (Ctrl-Z) ends the file here: nothing after it is read"});
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
    for (const char* known : kRateKeys) {
        if (Normalised(key) != Normalised(known)) continue;
        const bool tab = key.find('\t') != std::string::npos;
        return std::string(" (") + (tab ? "a tab stays in the key; " : "") + "did you mean " + known + "?)";
    }
    return "";
}

// A line that evidently means to set something: it names a rate, or holds a number.
bool MeansASetting(std::string_view line) {
    const std::string normal = Normalised(line);
    for (const char* key : kRateKeys)
        if (normal.find(Normalised(key)) != std::string::npos) return true;
    return std::any_of(line.begin(), line.end(), IsDigit);
}

// The rate as the plugin makes it of a value.
float RateOf(std::string_view value) {
    return NarrowToFloat(ReadDouble(value).value);
}

// A rate written as a percentage, as the share it stands for: "0.80" for 80.
std::string Hundredth(float rate) {
    if (rate != std::floor(rate)) return FloatText(rate / 100);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(rate) / 100);
    return text;
}

// What the value on the line that sets a rate does; the plugin reads it as atof does.
void CheckRateLine(const ConfigLine& line, std::string_view raw, const Rate& rate, FileCheck& file) {
    auto add = [&](FindingKind kind, std::string text) { file.Add({rate.line, kind, std::move(text)}); };
    const std::string key = rate.key;
    const std::string_view value = line.value;
    const NumberRead<double> number = ReadDouble(value);
    bool percent = false;
    if (number.length == 0) {
        add(kProblem, value.empty()
                          ? key + " has no value: the rate reads as 0"
                          : key + " " + Quote(value) + " does not start with a number: the rate reads as 0");
    } else if (const std::string_view rest = value.substr(number.length); !IsBlank(rest)) {
        percent = rest.front() == '%';
        const std::string reads =
            key + " reads as " + FloatText(rate.value) + ": " + Quote(rest) + " after the number is not read";
        if (percent)
            add(kProblem, key + " " + Quote(value) + " reads as " + FloatText(rate.value) +
                              ": a rate is a share, written without \"%\"" +
                              (rate.value > 0 ? " (did you mean " + Hundredth(rate.value) + "?)" : ""));
        else if (GoesOnAsNumber(rest))
            add(kProblem, reads + (rest.front() == ',' ? " (write a decimal point, not a comma)" : ""));
        else
            add(kNote, reads);
    }
    const std::size_t second = raw.find('=', raw.find('=') + 1);
    if (second != std::string_view::npos)
        add(kNote, Quote(raw.substr(second)) + " after the value is not read");

    if (!std::isfinite(rate.value))
        add(kProblem, key + " is not a finite number (" + FloatText(rate.value) + "): prices make no sense");
    else if (rate.value == 0 && number.length != 0)
        add(kProblem, key + " is 0: every price becomes $ -1");
    else if (rate.value < 0)
        add(kProblem, key + " is negative (" + FloatText(rate.value) + "): prices turn negative");
    else if (rate.value > 1 && !percent)
        add(kProblem,
            key + " is " + FloatText(rate.value) + ", above 1: a rate is a share of the dealer's value" +
                (rate.value >= 2 && rate.value <= 100 ? " (did you mean " + Hundredth(rate.value) + "?)"
                                                      : " (1 is all of it)"));
}

// A line the plugin stores nothing of (no "=", or nothing after it), unless it is blank.
void CheckUnstoredLine(std::size_t number, std::string_view raw, FileCheck& file) {
    const std::string what =
        (raw.find('=') == std::string_view::npos ? "no \"=\" in " : "nothing after \"=\" in ") + Quote(raw);
    const std::string_view trimmed = TrimBlanks(raw);
    if (StartsWithHash(raw))
        file.Add({number, kNote, what + ": the plugin passes over it, as over a comment"});
    else if (trimmed.front() == '[' && trimmed.back() == ']')
        file.Add({number, kNote,
                  "a section header, " + Quote(trimmed) +
                      ": the file has none, and the plugin passes over the line"});
    else if (MeansASetting(raw))
        file.Add({number, kProblem, what + ": the plugin skips the line"});
    else
        file.Add({number, kNote, what + ": the plugin passes over the line"});
}

// The rates through the plugin's own reader, then each line's findings in line order.
void CheckSettings(std::string& bytes, FolderCheck& check) {
    FileCheck& file = check.settings;
    ConfigFile plugin(file.path.c_str());
    if (!plugin.Load(bytes)) throw std::bad_alloc();
    check.sell.value = plugin.GetFloat(check.sell.key, 0.5f);
    check.buy.value = plugin.GetFloat(check.buy.key, 0.8f);

    ToText(bytes, file);

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
        if (HasLoneCarriageReturn(raw)) file.Add({number, kProblem, kLoneCarriageReturn});
        if (line.status == ConfigLineStatus::TooFewPieces) {
            if (!IsBlank(raw)) CheckUnstoredLine(number, raw, file);
            return;
        }
        for (const Rate* rate : rates) {
            if (line.key != rate->key) continue;
            if (number == rate->line)
                CheckRateLine(line, raw, *rate, file);
            else if (Same(RateOf(line.value), rate->value))
                file.Add({number, kNote,
                          std::string(rate->key) + " is set again on line " + std::to_string(rate->line) +
                              ", to the same value"});
            else
                file.Add({number, kProblem,
                          std::string(rate->key) + " is set again on line " + std::to_string(rate->line) +
                              ", which wins: this line's " + FloatText(RateOf(line.value)) + " is not used"});
            return;
        }
        if (StartsWithHash(raw))
            file.Add({number, kNote,
                      "nothing reads the key " + Quote(line.key) +
                          ": a comment needs \"#\" as the line's very first character, but the line does "
                          "nothing, as one"});
        else
            file.Add({number, kProblem, "nothing reads the key " + Quote(line.key) + KeyHint(line.key)});
    });

    // Within sense both, a selling rate above the buying one pays a player for every round trip.
    const auto sensible = [](float rate) { return std::isfinite(rate) && rate > 0 && rate <= 1; };
    const Rate &sell = check.sell, &buy = check.buy;
    if (sensible(sell.value) && sensible(buy.value) && sell.value > buy.value)
        file.Add({sell.line != 0 ? sell.line : buy.line, kProblem,
                  "price_rate_sell " + FloatText(sell.value) + " is above price_rate_buy " +
                      FloatText(buy.value) + ": a player can buy a vehicle and sell it back at a profit"});
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
std::string_view LabelText(std::string_view line) {
    std::size_t at = 0;
    for (int comma = 0; comma < 4; ++comma) {
        at = line.find(',', at);
        if (at == std::string_view::npos) return {};
        ++at;
    }
    return TrimBlanks(line.substr(at));
}

// A line of the list as its writer evidently meant it, where a spreadsheet or an editor wrote it
// otherwise than the plugin reads: fields cut at another separator, numbers in quotes or with a
// decimal comma, a byte order mark before them. Only to explain: the plugin reads none of this.
struct MeantLine {
    char separator = ',';
    bool quoted = false;       // a number stands in quotes
    bool decimalComma = false; // a number is written with a decimal comma
    bool mark = false;         // a byte order mark before the first number
    int numbers = 0;           // of the first four fields, those that start as a number does
    bool place = false;        // all four are numbers, read whole, the radius within 32 bits
    float x = 0, y = 0, z = 0;
    double radius = 0;
};

// The first four fields of a line cut at separator as a spreadsheet writes them: a field that
// starts with a quote runs to the closing one, and a doubled quote inside stands for one.
std::vector<std::string> SpreadsheetFields(std::string_view line, char separator, bool& quoted) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (fields.size() < 4) {
        std::string field;
        std::size_t end = at;
        const std::size_t first = line.find_first_not_of(' ', at);
        if (first != std::string_view::npos && line[first] == '"') {
            quoted = true;
            for (end = first + 1; end < line.size(); ++end) {
                if (line[end] != '"') {
                    field += line[end];
                } else if (end + 1 < line.size() && line[end + 1] == '"') {
                    field += '"';
                    ++end;
                } else {
                    ++end;
                    break;
                }
            }
        }
        const std::size_t next = std::min(line.find(separator, end), line.size());
        field.append(line.substr(end, next - end));
        fields.push_back(std::move(field));
        if (next == line.size()) break;
        at = next + 1;
    }
    return fields;
}

// The line cut at separator as it was meant.
MeantLine ReadAsMeant(std::string_view line, char separator) {
    MeantLine meant;
    meant.separator = separator;
    if (line.starts_with(kByteOrderMark)) {
        meant.mark = true;
        line.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string> fields = SpreadsheetFields(line, separator, meant.quoted);
    bool whole = fields.size() == 4;
    float* const coordinates[3] = {&meant.x, &meant.y, &meant.z};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string& text = fields[i];
        // With the fields cut at another separator, or quoted, a comma between digits is a decimal one.
        const std::size_t comma = text.find(',');
        if (comma != std::string::npos && comma > 0 && IsDigit(text[comma - 1]) && comma + 1 < text.size() &&
            IsDigit(text[comma + 1]) && text.find(',', comma + 1) == std::string::npos) {
            text[comma] = '.';
            meant.decimalComma = true;
        }
        if (StartsAsNumber(text)) ++meant.numbers;
        std::size_t length;
        bool read;
        if (i < 3) {
            const NumberRead<float> number = ReadFloat(text);
            *coordinates[i] = number.value;
            length = number.length;
            read = number.status == NumberStatus::Ok;
        } else {
            const NumberRead<double> number = ReadDouble(text);
            meant.radius = number.value;
            length = number.length;
            read = number.status == NumberStatus::Ok && number.value >= -2147483648.0 &&
                   number.value <= 2147483647.0;
        }
        whole = whole && read && !GoesOnAsNumber(std::string_view(text).substr(length));
    }
    meant.place = whole;
    return meant;
}

// The separator a spreadsheet evidently cut the line at, when not the comma: a ';' or a tab inside
// one of the fields the plugin cuts at commas for its four numbers; 0 when none.
char OtherSeparator(std::string_view line) {
    for (int i = 0; i < 4; ++i) {
        const std::string_view field = TrimBlanks(Field(line, i));
        if (field.find(';') != std::string_view::npos) return ';';
        if (field.find('\t') != std::string_view::npos) return '\t';
    }
    return 0;
}

std::string PlaceText(float x, float y, float z, double radius) {
    return "x " + FloatText(x) + ", y " + FloatText(y) + ", z " + FloatText(z) + ", radius " +
           NumberText(radius);
}

// "fields separated by ";" and decimal commas": why the plugin cuts the line otherwise than meant;
// "" when it cuts it as meant.
std::string Cause(const MeantLine& meant) {
    std::vector<std::string> causes;
    if (meant.separator == ';') causes.push_back("fields separated by \";\"");
    if (meant.separator == '\t') causes.push_back("fields separated by tabs");
    if (meant.quoted) causes.push_back("numbers in quotes");
    if (meant.decimalComma) causes.push_back("decimal commas");
    if (meant.mark) causes.push_back("a second byte order mark before the first number");
    std::string text;
    for (std::size_t i = 0; i < causes.size(); ++i)
        text += (i == 0 ? "" : i + 1 == causes.size() ? " and " : ", ") + causes[i];
    return text;
}

// " (save the list with "," between fields and "." in numbers)": how to write the line as meant.
std::string Remedy(const MeantLine& meant) {
    const bool cut = meant.separator != ',' || meant.decimalComma;
    if (cut && meant.quoted)
        return " (save the list with \",\" between fields and \".\" in numbers, without quotes)";
    if (cut) return " (save the list with \",\" between fields and \".\" in numbers)";
    if (meant.quoted) return " (save the list without quotes)";
    return " (save the file again, as UTF-8)";
}

// What the conversion of a field passes over after its number: as the reader converts it.
std::string_view UnreadText(std::string_view field, bool radius) {
    return field.substr(radius ? ReadInt32(field).length : ReadFloat(field).length);
}

// The fields of a line the plugin takes, cut at commas as it cuts them: text passed over after a
// number is a note when the number reads whole ("12.5m", a radius "25.0"), else a problem.
void CheckFields(std::size_t number, std::string_view raw, const Dealer& dealer, FileCheck& file) {
    const auto value = [&](int field) {
        const float coordinates[3] = {dealer.x, dealer.y, dealer.z};
        return field == 3 ? std::to_string(dealer.radius) : FloatText(coordinates[field]);
    };
    for (int i = 0; i < 4; ++i) {
        const std::string_view field = Field(raw, i);
        const std::string_view unread = UnreadText(field, i == 3);
        if (IsBlank(unread)) continue;
        bool misread = GoesOnAsNumber(unread);
        if (i == 3) {
            // A radius with a fraction, or another form of number, is misread unless it is whole.
            const NumberRead<double> meant = ReadDouble(field);
            misread = GoesOnAsNumber(field.substr(meant.length)) || meant.value != dealer.radius;
        }
        file.Add({number, misread ? kProblem : kNote,
                  "field " + std::to_string(i + 1) + " (" + kFieldNames[i] + ") " + Quote(field) +
                      " reads as " + value(i) + ": " + Quote(unread) + " is not read" +
                      (i == 3 && misread && unread.front() == '.' ? " (a radius is a whole number)" : "")});
    }
    // Numbers after the fourth comma: a decimal comma may have split one of the four in two.
    const std::string_view fifth = TrimBlanks(LabelText(raw).substr(0, LabelText(raw).find(',')));
    if (StartsAsNumber(fifth) && ReadDouble(fifth).length == fifth.size())
        file.Add({number, kNote,
                  "a fifth field " + Quote(fifth) +
                      " is a number, which the plugin does not read: did a decimal comma split one of the "
                      "four before it? (write a decimal point)"});
}

void CheckZone(std::size_t number, const Dealer& dealer, FileCheck& file) {
    if (!std::isfinite(dealer.x) || !std::isfinite(dealer.y))
        file.Add({number, kProblem, "the place is not a finite point: its zone never holds the player"});
    if (dealer.radius < 0)
        file.Add(
            {number, kProblem,
             "radius " + std::to_string(dealer.radius) + " is negative: the zone never holds the player"});
    else if (dealer.radius == 0)
        file.Add({number, kProblem, "radius 0: the zone holds the player only on its very centre"});
}

std::string SkipReason(std::string_view raw, const DealerLine& line) {
    if (line.status == DealerLineStatus::TooFewFields) {
        std::string reason =
            "too few fields: " + std::to_string(FieldCount(raw)) + " of the 4 needed (x, y, z, radius)";
        if (!raw.empty() && raw.back() == ',') reason += "; the empty text after the last comma is no field";
        return reason;
    }
    const int field = line.field;
    return "field " + std::to_string(field) + " (" + kFieldNames[field - 1] + ") " +
           Quote(Field(raw, field - 1)) + " is " + DealerLineStatusText(line.status);
}

// A line that holds nothing but separators, quotes and blanks: a spreadsheet's row of empty cells.
bool IsEmptyRow(std::string_view raw) {
    return raw.find_first_not_of(",;\" \t\r\v\f") == std::string_view::npos;
}

// One line: the plugin's reading (ParseDealerLine, given) against the line as meant.
void CheckDealerLine(std::size_t number, std::string_view raw, const DealerLine& line, FolderCheck& check) {
    FileCheck& file = check.dealer_list;
    if (HasLoneCarriageReturn(raw)) file.Add({number, kProblem, kLoneCarriageReturn});
    const char other = OtherSeparator(raw);
    const MeantLine byComma = ReadAsMeant(raw, ',');
    const MeantLine bySeparator = other != 0 ? ReadAsMeant(raw, other) : MeantLine{};
    const MeantLine& meant = bySeparator.place ? bySeparator : byComma;
    const std::string cause = Cause(meant); // empty when the plugin cuts the line as meant
    const bool meantOtherwise = !cause.empty() && meant.place;
    const auto meantAs = [&] {
        return "; meant as " + PlaceText(meant.x, meant.y, meant.z, meant.radius) + Remedy(meant);
    };
    if (line.status == DealerLineStatus::Accepted) {
        check.dealers.push_back(
            {number, line.x, line.y, line.z, line.radius, Shown(LabelText(raw), kLongestLabel)});
        const Dealer& dealer = check.dealers.back();
        const std::string read = PlaceText(line.x, line.y, line.z, line.radius);
        if (meantOtherwise && read != PlaceText(meant.x, meant.y, meant.z, meant.radius))
            file.Add({number, kProblem, cause + ": read as " + read + meantAs()});
        else
            CheckFields(number, raw, dealer, file);
        CheckZone(number, dealer, file);
        return;
    }
    if (IsBlank(raw)) return;
    if (meantOtherwise) {
        file.Add({number, kProblem, cause + ": skipped, " + SkipReason(raw, line) + meantAs()});
    } else if (StartsWithHash(raw)) {
        file.Add({number, kNote,
                  "a comment: the list has none, but a line that starts with \"#\" is never a place, and the "
                  "plugin skips it"});
    } else if (IsEmptyRow(raw)) {
        file.Add({number, kNote, "an empty row (a spreadsheet's row of empty cells): the plugin skips it"});
    } else if (std::max(byComma.numbers, bySeparator.numbers) == 0) {
        file.Add({number, kNote,
                  number == 1 ? "a header line: the plugin skips it, as any line without numbers"
                              : "no number in the line: the plugin skips it"});
    } else {
        const MeantLine& cut = other != 0 ? bySeparator : byComma;
        const std::string why = Cause(cut);
        file.Add({number, kProblem,
                  "skipped: " + SkipReason(raw, line) + (why.empty() ? "" : "; " + why + Remedy(cut))});
    }
}

// Each line through the reader's own rule for a line, on the text as the reader cuts it.
void CheckDealerList(std::string& bytes, FolderCheck& check) {
    FileCheck& file = check.dealer_list;
    ToText(bytes, file);
    ForEachLine(bytes, [&](std::size_t number, std::string_view raw) {
        CheckDealerLine(number, raw, ParseDealerLine(raw), check);
    });
    bytes = std::string();
    if (check.dealers.empty())
        file.Add({0, kProblem,
                  file.found ? "the list holds no dealer place: no dealer will ever react"
                             : "no dealer will ever react"});
    FindOverlaps(check.dealers, check.overlaps);
    file.counts[static_cast<int>(kProblem)] += check.overlaps.never_chosen;
}

// ---- the folder and its files

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

bool IsFolderAt(const std::string& path) {
    struct stat info;
    return Stat(path, info) == 0 && S_ISDIR(info.st_mode);
}

// The path of a file in the folder, as the user wrote the folder's, with a slash between them (on
// Windows too: the report reads the same on every system).
std::string InFolder(const std::string& folder, std::string_view name) {
    return folder + (folder.empty() || IsSeparator(folder.back()) ? "" : "/") + std::string(name);
}

// The names in a folder, in byte order; none when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* const dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return names;
    struct Closer {
        DIR* dir;
        ~Closer() { closedir(dir); }
    } closer{dir};
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A file in folder that is evidently the one named name: that name with more after it
// ("dealers.csv.txt": Windows hides the extensions it knows), or, where names keep their case, the
// name in other letters ("Dealers.CSV"), which Windows finds as the name. "" when there is none.
std::string MeantFile(const std::string& folder, std::string_view name) {
    for (const std::string& entry : FolderEntries(folder)) {
        const std::string lower = Lower(entry);
        struct stat info;
        if ((lower == name || (lower.starts_with(name) && lower[name.size()] == '.')) &&
            Stat(InFolder(folder, entry), info) == 0 && S_ISREG(info.st_mode))
            return entry;
    }
    return "";
}

constexpr std::string_view kFileNames[] = {"dealers.conf", "dealers.csv"};

// Whether the folder holds either file, under its name or as meant.
bool HoldsFiles(const std::string& folder) {
    struct stat info;
    for (const std::string_view name : kFileNames)
        if (Stat(InFolder(folder, name), info) == 0 || !MeantFile(folder, name).empty()) return true;
    return false;
}

// The last part of a path, separators after it aside; for "." and ".." (and a root) the name of
// the folder they stand for. "" when it cannot be told.
std::string LastName(const std::string& path) {
    std::size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && !IsSeparator(path[begin - 1]) && path[begin - 1] != ':') --begin;
    const std::string name = path.substr(begin, end - begin);
    if (!name.empty() && name != "." && name != "..") return name;
#ifdef _WIN32
    char* const full = _fullpath(nullptr, path.c_str(), 0);
#else
    char* const full = realpath(path.c_str(), nullptr);
#endif
    if (full == nullptr) return "";
    std::string whole = full;
    std::free(full);
    return whole.find_first_not_of("/\\") == std::string::npos || whole == path ? "" : LastName(whole);
}

bool IsGameFolderName(std::string_view name) {
    return Lower(name) == kGameFolder;
}

// Where the files are, when the folder holds neither: a folder in it that does, car_dealers first.
std::string FilesBelow(const std::string& folder) {
    const std::vector<std::string> entries = FolderEntries(folder);
    for (const bool gameFolder : {true, false})
        for (const std::string& entry : entries)
            if (const std::string below = InFolder(folder, entry);
                IsGameFolderName(entry) == gameFolder && IsFolderAt(below) && HoldsFiles(below))
                return below;
    return "";
}

// A car_dealers one folder further down than the one named, which is not there (the download
// unpacked into a folder of its own): "car-dealers-1.0.0-win32/car_dealers". "" when there is none.
std::string GameFolderBelow(const std::string& folder) {
    std::size_t end = folder.size();
    while (end > 0 && IsSeparator(folder[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && !IsSeparator(folder[begin - 1])) --begin;
    const std::string name = folder.substr(begin, end - begin), parent = folder.substr(0, begin);
    if (!IsGameFolderName(name)) return "";
    for (const std::string& entry : FolderEntries(parent))
        if (const std::string below = InFolder(InFolder(parent, entry), name); IsFolderAt(below))
            return below;
    return "";
}

// Where the files of the folder named are read from, with what the folder's name and place mean to
// the game. "" with error set when there is nothing to read.
std::string FilesFolder(const std::string& folder, FileCheck& findings, std::string& error) {
    struct stat info;
    if (Stat(folder, info) != 0) {
        const std::string below = GameFolderBelow(folder);
        if (below.empty())
            error = "there is no folder " + folder;
        else
            findings.Add(
                {0, kProblem,
                 "there is no folder " + folder + ", but there is " + below +
                     ", a folder down: move it up next to the game, where the game reads it; its files "
                     "are checked below as meant"});
        return below;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder + " is not a folder";
        return "";
    }
    const std::string name = LastName(folder);
    const bool named = name.empty() || IsGameFolderName(name);
    const std::string below = HoldsFiles(folder) ? "" : FilesBelow(folder);
    if (below.empty()) {
        if (!named)
            findings.Add({0, kNote,
                          "the game reads only the folder car_dealers next to it, and this one is named " +
                              Quote(name) + ": rename it, or copy its files into car_dealers"});
        return folder;
    }
    const std::string none = "no dealers.conf or dealers.csv in " + folder + ", ";
    if (named)
        findings.Add({0, kProblem,
                      none + "but in " + below + ", a folder down: move them up into " + folder +
                          ", where the game reads them; they are checked below as meant"});
    else if (IsGameFolderName(LastName(below)))
        findings.Add({0, kNote,
                      none + "so " + below + " is checked: the folder the game reads when " + folder +
                          " is its folder"});
    else
        findings.Add(
            {0, kProblem,
             none + "but in " + below +
                 ": the game reads them only from the folder car_dealers next to it; they are checked "
                 "below as meant"});
    return below;
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

// The file named name in folder, or the one evidently meant for it (with what its name does to the
// game); path set to what is read.
FileState ReadMeantFile(const std::string& folder, std::string_view name, FileCheck& file, std::string& bytes,
                        std::string& reason) {
    file.path = InFolder(folder, name);
    const FileState state = ReadFile(file.path, bytes, reason);
    const std::string meant = state == FileState::Missing ? MeantFile(folder, name) : "";
    if (meant.empty()) return state;
    file.path = InFolder(folder, meant);
    const std::string lost = name == kFileNames[0] ? "keeps both rates at their defaults" : "finds no dealer";
    if (Lower(meant) == name)
        file.Add(
            {0, kNote,
             "the game on Windows reads it as " + std::string(name) + ", whatever the case of its letters"});
    else
        file.Add({0, kProblem,
                  "the game reads only " + std::string(name) + " and " + lost + ": rename " + Quote(meant) +
                      " to " + std::string(name) +
                      " (Windows hides the extensions it knows, such as \".txt\"); its lines "
                      "are checked as meant"});
    return ReadFile(file.path, bytes, reason);
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
    return {dealer.line, kProblem,
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

void PrintFolder(const FolderCheck& check, Output& out) {
    if (check.folder.findings.empty()) return;
    out << check.folder.path << '\n';
    for (const Finding& finding : check.folder.findings) out << FindingText(finding);
    out << '\n';
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
            << " never chosen: each lies wholly within a zone listed before it (problems above)\n";
}

// Problems and notes of the whole check.
std::pair<std::size_t, std::size_t> Counts(const FolderCheck& check) {
    std::pair<std::size_t, std::size_t> counts;
    for (const FileCheck* file : {&check.folder, &check.settings, &check.dealer_list}) {
        counts.first += file->counts[static_cast<int>(kProblem)];
        counts.second += file->counts[static_cast<int>(kNote)];
    }
    return counts;
}

// "the plugin uses every line as it stands", "... reads every line as meant (2 notes)", "3 problems, 1 note".
std::string FilesVerdict(const FolderCheck& check) {
    const auto [problems, notes] = Counts(check);
    if (problems > 0)
        return Plural(problems, "problem", "problems") +
               (notes > 0 ? ", " + Plural(notes, "note", "notes") : "");
    if (notes > 0) return "the plugin reads every line as meant (" + Plural(notes, "note", "notes") + ")";
    return "the plugin uses every line as it stands";
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
    // In line order, after those of its line already there (one about the file as a whole is line 0).
    const auto at =
        std::upper_bound(findings.begin(), findings.end(), finding.line,
                         [](std::size_t line, const Finding& listed) { return line < listed.line; });
    if (findings.size() < kListedFindings) {
        findings.insert(at, std::move(finding));
    } else if (at != findings.end()) {
        findings.insert(at, std::move(finding));
        findings.pop_back();
    }
}

const char* FindingKindText(FindingKind kind) {
    switch (kind) {
    case FindingKind::Problem:
        return "problem";
    case FindingKind::Note:
        return "note";
    }
    return "?";
}

bool CheckFolder(const std::string& folder, FolderCheck& check, std::string& error) {
    check = FolderCheck{};
    check.folder.path = folder;
    const std::string place = FilesFolder(folder, check.folder, error);
    if (place.empty()) return false;
    for (FileCheck* file : {&check.settings, &check.dealer_list}) {
        std::string bytes, reason;
        const FileState state =
            ReadMeantFile(place, kFileNames[file == &check.settings ? 0 : 1], *file, bytes, reason);
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
    check.folder.path = "car_dealers";
    check.settings.path = "dealers.conf";
    check.dealer_list.path = "dealers.csv";
    check.settings.found = check.dealer_list.found = true;
    CheckSettings(settings, check);
    CheckDealerList(dealerList, check);
}

int ExitStatus(const FolderCheck& check) {
    return Counts(check).first == 0 ? 0 : 1;
}

void PrintCheck(const FolderCheck& check, Output& out) {
    PrintFolder(check, out);
    PrintSettings(check, out);
    PrintDealerList(check, out);
    PrintOverlaps(check, out);
    out << '\n';
}

std::string Verdict(const FolderCheck& check) {
    const auto [problems, notes] = Counts(check);
    if (problems > 0)
        return "problems: " + std::to_string(problems) +
               (notes > 0 ? ", notes: " + std::to_string(notes) : "");
    return "ok: " + FilesVerdict(check);
}

std::string Verdict(int gameStatus, const FolderCheck& check) {
    const char* const game[] = {"the plugin takes this game", "the plugin stays idle with this game",
                                "the game cannot be read"};
    const int status = std::max(gameStatus, ExitStatus(check));
    return std::string(status == 0   ? "ok: "
                       : status == 1 ? "problems: "
                                     : "error: ") +
           game[gameStatus] + "; " + check.folder.path + ": " + FilesVerdict(check);
}

} // namespace dealers_check
