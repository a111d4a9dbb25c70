#pragma once
// Straightforward reference readers of the two dealer data files, written the plain way (std::getline pieces,
// std::stof / std::stoi with their exceptions), with the two mends: a last line without a line feed is read,
// a line whose number does not convert is skipped. The fuzzers check the real readers against them.
#include "dealer/config_file.h"
#include "dealer/dealer_list.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace reference {

// The Windows C runtime's text mode, one byte at a time.
inline std::string TextMode(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\x1A') break;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text.push_back(bytes[i]);
    }
    return text;
}

inline std::vector<std::string> Lines(std::string_view bytes) {
    std::istringstream in(TextMode(bytes));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::vector<std::string> Cut(const std::string& line, char delimiter) {
    std::istringstream in(line);
    std::vector<std::string> pieces;
    for (std::string piece; std::getline(in, piece, delimiter);) pieces.push_back(piece);
    return pieces;
}

inline std::string RemoveBlanks(const std::string& text) {
    std::string kept;
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r') kept.push_back(c);
    return kept;
}

inline std::unordered_map<std::string, std::string> ConfigEntries(std::string_view bytes) {
    std::unordered_map<std::string, std::string> entries;
    for (const std::string& line : Lines(bytes)) {
        if (!line.empty() && line[0] == '#') continue;
        const std::vector<std::string> pieces = Cut(line, '=');
        if (pieces.size() < 2) continue;
        entries[RemoveBlanks(pieces[0])] = RemoveBlanks(pieces[1]);
    }
    return entries;
}

inline float GetFloat(const std::unordered_map<std::string, std::string>& entries, const std::string& key,
                      float defaultValue) {
    const auto entry = entries.find(key);
    return entry == entries.end() ? defaultValue : NarrowToFloat(std::atof(entry->second.c_str()));
}

inline DealerLine ParseDealerLine(const std::string& line) {
    DealerLine result;
    const std::vector<std::string> fields = Cut(line, ',');
    if (fields.size() < 4) return result;
    int field = 0;
    try {
        field = 1;
        result.x = std::stof(fields[0]);
        field = 2;
        result.y = std::stof(fields[1]);
        field = 3;
        result.z = std::stof(fields[2]);
        field = 4;
        result.radius = std::stoi(fields[3]);
    } catch (const std::invalid_argument&) {
        return DealerLine{DealerLineStatus::NotANumber, field, 0, 0, 0, 0};
    } catch (const std::out_of_range&) {
        return DealerLine{DealerLineStatus::OutOfRange, field, 0, 0, 0, 0};
    }
    result.status = DealerLineStatus::Accepted;
    return result;
}

inline std::vector<DealerLine> DealerLines(std::string_view bytes) {
    std::vector<DealerLine> lines;
    for (const std::string& line : Lines(bytes)) lines.push_back(ParseDealerLine(line));
    return lines;
}

} // namespace reference
