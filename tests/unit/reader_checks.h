#pragma once
// Plain reference readers of the dealer files (text mode a byte at a time, std::getline, atof, std::stof,
// std::stoi), mended as the plugin is: a last line with no line feed is read, one with a bad number skipped.
#include "dealer/stream_readers.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

namespace reference {

inline void Check(bool condition, int line = __builtin_LINE()) {
    if (!condition) throw std::logic_error("reader check failed on line " + std::to_string(line));
}

// Bit for bit, so that signed zeros compare too; NaNs by their sign (a payload makes no price or place).
inline bool Same(float a, float b) {
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

inline std::vector<std::string> Cut(const std::string& text, char delimiter) {
    std::istringstream in(text);
    std::vector<std::string> pieces;
    for (std::string piece; std::getline(in, piece, delimiter);) pieces.push_back(piece);
    return pieces;
}

inline void PutUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A UTF-8 mark dropped; UTF-16 after its mark as UTF-8, a lone surrogate or half a unit as U+FFFD.
inline std::string Decoded(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big) return std::string(bytes);
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]),
                   second = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(little ? second << 8 | first : first << 8 | second);
    }
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const bool high = units[i] >= 0xD800 && units[i] < 0xDC00;
        const bool pair = high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000;
        if (pair) {
            PutUtf8(0x10000 + (units[i] - 0xD800) * 0x400 + (units[i + 1] - 0xDC00), text);
            ++i;
        } else if (units[i] >= 0xD800 && units[i] < 0xE000) {
            PutUtf8(0xFFFD, text);
        } else {
            PutUtf8(units[i], text);
        }
    }
    if (bytes.size() % 2 != 0) PutUtf8(0xFFFD, text);
    return text;
}

// Text mode ends at Ctrl-Z and drops a CR right before an LF.
inline std::vector<std::string> Lines(std::string_view raw) {
    const std::string bytes = Decoded(raw);
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i)
        if (bytes[i] != '\r' || i + 1 == bytes.size() || bytes[i + 1] != '\n') text.push_back(bytes[i]);
    return Cut(text, '\n');
}

inline std::string RemoveBlanks(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\r'; });
    return text;
}

inline ConfigLine ParseConfigLine(const std::string& line) {
    if (!line.empty() && line[0] == '#') return {ConfigLineStatus::Comment, "", ""};
    const std::vector<std::string> pieces = Cut(line, '=');
    if (pieces.size() < 2) return {};
    return {ConfigLineStatus::Entry, RemoveBlanks(pieces[0]), RemoveBlanks(pieces[1])};
}

// std::stof, but for glibc's range error on a not-a-number whose payload does not fit 64 bits: the
// plugin reads no payload.
inline float Stof(const std::string& field) {
    try {
        return std::stof(field);
    } catch (const std::out_of_range&) {
        const std::size_t at = field.find_first_not_of(" \t\n\v\f\r+-");
        std::string word = field.substr(at == std::string::npos ? field.size() : at, 4);
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (word != "nan(") throw;
        return std::stof(field.substr(0, at + 3));
    }
}

inline DealerLine ParseDealerLine(const std::string& line) {
    const std::vector<std::string> fields = Cut(line, ',');
    if (fields.size() < 4) return {};
    DealerLine result{DealerLineStatus::Accepted};
    int field = 0; // the field being converted, counted from 1
    try {
        result.x = Stof(fields[field++]);
        result.y = Stof(fields[field++]);
        result.z = Stof(fields[field++]);
        result.radius = std::stoi(fields[field++]);
    } catch (const std::invalid_argument&) {
        return {DealerLineStatus::NotANumber, field, 0, 0, 0, 0};
    } catch (const std::out_of_range&) {
        return {DealerLineStatus::OutOfRange, field, 0, 0, 0, 0};
    }
    return result;
}

// The settings reader on bytes and a stream: each line's outcome, the entries and their floats.
inline void CheckConfigReader(std::string_view bytes) {
    ConfigFile config("unused"), fromStream("unused");
    std::vector<ConfigLineReport> report;
    config.Load(bytes, &report);
    const std::vector<std::string> lines = Lines(bytes);
    Check(report.size() == lines.size());
    std::unordered_map<std::string, std::string> entries; // a later line's key wins
    for (std::size_t i = 0; i < report.size(); ++i) {
        const ConfigLine want = ParseConfigLine(lines[i]);
        Check(report[i].number == i + 1 && report[i].line.status == want.status);
        Check(report[i].line.key == want.key && report[i].line.value == want.value);
        if (want.status == ConfigLineStatus::Entry) entries[want.key] = want.value;
    }
    std::istringstream in{std::string(bytes)};
    LoadConfig(fromStream, in);
    for (const auto& [key, value] : entries) {
        Check(config.Find(key) == value && fromStream.Find(key) == value);
        Check(Same(config.GetFloat(key, 0.5f), NarrowToFloat(std::atof(value.c_str()))));
    }
}

// The dealer list reader on bytes and a stream: each line's outcome and the dealers, in order.
inline std::vector<DealerLineReport> CheckDealerListReader(std::string_view bytes) {
    Buffer<DealerRecord> dealers, fromStream;
    std::vector<DealerLineReport> report;
    Check(ReadDealerList(bytes, dealers, &report));
    const std::vector<std::string> lines = Lines(bytes);
    Check(report.size() == lines.size());
    std::size_t accepted = 0;
    for (std::size_t i = 0; i < report.size(); ++i) {
        const DealerLine &got = report[i].line, want = ParseDealerLine(lines[i]);
        Check(report[i].number == i + 1 && got.status == want.status && got.field == want.field);
        Check(Same(got.x, want.x) && Same(got.y, want.y) && Same(got.z, want.z) && got.radius == want.radius);
        if (got.status != DealerLineStatus::Accepted) continue;
        Check(accepted < dealers.size());
        const DealerRecord& record = dealers[accepted++];
        Check(Same(record.x, got.x) && Same(record.y, got.y) && Same(record.z, got.z));
        Check(record.radius == got.radius && record.offers.entries.empty());
    }
    Check(accepted == dealers.size());
    std::istringstream in{std::string(bytes)};
    ReadDealerList(in, fromStream);
    Check(fromStream.size() == dealers.size());
    for (std::size_t i = 0; i < dealers.size(); ++i)
        Check(Same(fromStream[i].x, dealers[i].x) && fromStream[i].radius == dealers[i].radius);
    return report;
}

} // namespace reference
