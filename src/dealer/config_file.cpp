#include "dealer/config_file.h"

#include "dealer/text_file.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

ConfigLine ParseConfigLine(std::string_view line) {
    ConfigLine result;
    if (!line.empty() && line.front() == '#') {
        result.status = ConfigLineStatus::Comment;
        return result;
    }
    // Pieces are the texts around every '='; the text after the last '=' is a piece only when it
    // is not empty. So there are two pieces or more exactly when there is a '=' and something
    // follows the first one; the second piece ends at the next '=' (pieces after it are ignored).
    const std::size_t first = line.find('=');
    if (first == std::string_view::npos || first + 1 == line.size()) return result;
    const std::string_view rest = line.substr(first + 1);
    result.status = ConfigLineStatus::Entry;
    result.key = RemoveBlanks(std::string(line.substr(0, first)));
    result.value = RemoveBlanks(std::string(rest.substr(0, rest.find('='))));
    return result;
}

const char* ConfigLineStatusText(ConfigLineStatus status) {
    switch (status) {
    case ConfigLineStatus::Entry:
        return "entry";
    case ConfigLineStatus::Comment:
        return "comment";
    case ConfigLineStatus::TooFewPieces:
        return "too few pieces";
    }
    return "?";
}

std::string RemoveBlanks(std::string text) {
    // Spaces, then line feeds, then carriage returns: the order of what remains is kept, so one
    // pass over the three gives the same text.
    text.erase(
        std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\n' || c == '\r'; }),
        text.end());
    return text;
}

ConfigFile::ConfigFile(std::string fileName) : file_name(std::move(fileName)) {}

namespace {
void ReadText(std::string_view text, std::unordered_map<std::string, std::string>& entries,
              std::vector<ConfigLineReport>* report) {
    ForEachLine(text, [&](std::size_t number, std::string_view lineText) {
        ConfigLine line = ParseConfigLine(lineText);
        if (line.status == ConfigLineStatus::Entry) entries[line.key] = line.value;
        if (report != nullptr) report->push_back({number, std::move(line)});
    });
}
} // namespace

void ConfigFile::Load() {
    std::string text = ReadFileBytes(file_name);
    ApplyTextMode(text);
    ReadText(text, entries, nullptr);
}

void ConfigFile::Load(std::string_view fileBytes, std::vector<ConfigLineReport>* report) {
    std::string text(fileBytes);
    ApplyTextMode(text);
    ReadText(text, entries, report);
}

float ConfigFile::GetFloat(const std::string& key, float defaultValue) const {
    const auto entry = entries.find(key);
    if (entry == entries.end()) return defaultValue;
    // atof is strtod without the end: C99's, with hexadecimal, infinity and not-a-number. On Windows
    // the mingw-w64 headers make strtod their own conforming one; msvcrt's atof is not.
    return NarrowToFloat(std::strtod(entry->second.c_str(), nullptr));
}

float NarrowToFloat(double value) {
    // Halfway between the largest float and the next power of two rounds (to even) to infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (value >= kOverflow) return kInfinity;
    if (value <= -kOverflow) return -kInfinity;
    return static_cast<float>(value);
}
