#pragma once
#include "dealer/buffer.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The reader of car_dealers/dealers.conf, key "=" value lines. It knows no keys.

// What one line of a settings file is.
enum class ConfigLineStatus : unsigned char {
    Entry,        // stores key = value
    Comment,      // its very first character is '#'
    TooFewPieces, // no '=', or nothing after its only '=' (also an empty line)
};

// A line's key and value pieces as they stand in it, blanks and all (Entry only).
struct ConfigPieces {
    ConfigLineStatus status = ConfigLineStatus::TooFewPieces;
    std::string_view key;
    std::string_view value;
};

// Cuts one line (without its line feed): the whole rule of the settings file for a line.
ConfigPieces SplitConfigLine(std::string_view line);

// A line as it is stored: the pieces with their blanks removed.
struct ConfigLine {
    ConfigLineStatus status = ConfigLineStatus::TooFewPieces;
    std::string key;   // RemoveBlanks of the first piece (Entry only)
    std::string value; // RemoveBlanks of the second piece (Entry only)
};

// SplitConfigLine with the blanks removed, for checkers (throws std::bad_alloc when memory runs out).
ConfigLine ParseConfigLine(std::string_view line);

// "entry", "comment", "too few pieces".
const char* ConfigLineStatusText(ConfigLineStatus status);

// One line's outcome, for checkers; number counts from 1.
struct ConfigLineReport {
    std::size_t number;
    ConfigLine line;
};

// Takes out every space, line feed and carriage return, wherever it stands; tabs stay.
std::string RemoveBlanks(std::string text);

class ConfigFile {
  public:
    // The name is kept, not copied: it must outlive the reader.
    explicit ConfigFile(const char* fileName) : file_name(fileName) {}

    // Reads file_name into the entries, once; a missing or unreadable file, or one the memory left
    // does not hold, adds nothing. Reports nothing. False, with no entries, when memory runs out
    // storing them.
    bool Load();
    // The same reading of a file's raw bytes; with a report (checkers only), every line's outcome is
    // appended to it.
    bool Load(std::string_view fileBytes, std::vector<ConfigLineReport>* report = nullptr);

    // The value of key's last line, or nullopt when no line stores the key. Keys match byte for byte.
    std::optional<std::string_view> Find(std::string_view key) const;

    // The stored value of key converted as by atof and narrowed to float; else defaultValue.
    float GetFloat(std::string_view key, float defaultValue) const;

    const char* file_name;

  private:
    bool Read(std::vector<ConfigLineReport>* report);

    struct Entry {
        std::string_view key, value; // in text_, blanks removed
    };
    Buffer<char> text_;
    Buffer<Entry> entries_;
};

// atof's double rounded to the nearest float; beyond the float range that is an infinity.
float NarrowToFloat(double value);
