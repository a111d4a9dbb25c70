#include "dealer/config_file.h"

#include "dealer/number_text.h"
#include "dealer/text_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r';
}

// RemoveBlanks of a piece of text_, in place; the piece only shrinks.
std::string_view Compact(std::string_view piece) {
    char* const begin = const_cast<char*>(piece.data());
    char* const end = std::remove_if(begin, begin + piece.size(), IsBlank);
    return {begin, static_cast<std::size_t>(end - begin)};
}

} // namespace

ConfigPieces SplitConfigLine(std::string_view line) {
    ConfigPieces pieces;
    if (!line.empty() && line.front() == '#') {
        pieces.status = ConfigLineStatus::Comment;
        return pieces;
    }
    // Pieces are the texts around every '='; the text after the last '=' is a piece only when it
    // is not empty. So there are two pieces or more exactly when there is a '=' and something
    // follows the first one; the second piece ends at the next '=' (pieces after it are ignored).
    const std::size_t first = line.find('=');
    if (first == std::string_view::npos || first + 1 == line.size()) return pieces;
    const std::string_view rest = line.substr(first + 1);
    pieces.status = ConfigLineStatus::Entry;
    pieces.key = line.substr(0, first);
    pieces.value = rest.substr(0, rest.find('='));
    return pieces;
}

ConfigLine ParseConfigLine(std::string_view line) {
    const ConfigPieces pieces = SplitConfigLine(line);
    ConfigLine result;
    result.status = pieces.status;
    if (pieces.status == ConfigLineStatus::Entry) {
        result.key = RemoveBlanks(std::string(pieces.key));
        result.value = RemoveBlanks(std::string(pieces.value));
    }
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
    text.erase(std::remove_if(text.begin(), text.end(), IsBlank), text.end());
    return text;
}

bool ConfigFile::Load() {
    ReadTextFile(file_name, text_);
    return Read(nullptr);
}

bool ConfigFile::Load(std::string_view fileBytes, std::vector<ConfigLineReport>* report) {
    if (!text_.Resize(fileBytes.size())) return false;
    if (!fileBytes.empty()) std::memcpy(text_.data(), fileBytes.data(), fileBytes.size());
    if (!DecodeText(text_)) return false;
    text_.Truncate(ApplyTextMode(text_.data(), text_.size()));
    return Read(report);
}

bool ConfigFile::Read(std::vector<ConfigLineReport>* report) {
    bool stored = true;
    ForEachLine({text_.data(), text_.size()}, [&](std::size_t number, std::string_view line) {
        if (report != nullptr) report->push_back({number, ParseConfigLine(line)});
        const ConfigPieces pieces = SplitConfigLine(line);
        if (stored && pieces.status == ConfigLineStatus::Entry)
            stored = entries_.Append(Entry{Compact(pieces.key), Compact(pieces.value)});
    });
    if (!stored) entries_.Truncate(0);
    return stored;
}

std::optional<std::string_view> ConfigFile::Find(std::string_view key) const {
    for (std::size_t i = entries_.size(); i-- > 0;)
        if (entries_[i].key == key) return entries_[i].value;
    return std::nullopt;
}

float ConfigFile::GetFloat(std::string_view key, float defaultValue) const {
    const std::optional<std::string_view> value = Find(key);
    if (!value) return defaultValue;
    // atof is strtod without the end; a value that does not start with a number reads as 0.
    return NarrowToFloat(ReadDouble(*value).value);
}

float NarrowToFloat(double value) {
    // Halfway between the largest float and the next power of two rounds (to even) to infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (value >= kOverflow) return kInfinity;
    if (value <= -kOverflow) return -kInfinity;
    return static_cast<float>(value);
}
