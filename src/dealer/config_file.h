#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The reader of car_dealers/dealers.conf, key "=" value lines. It knows no keys.

// What one line of a settings file is.
enum class ConfigLineStatus : unsigned char {
    Entry,        // stores key = value
    Comment,      // its very first character is '#'
    TooFewPieces, // no '=', or nothing after its only '=' (also an empty line)
};

struct ConfigLine {
    ConfigLineStatus status = ConfigLineStatus::TooFewPieces;
    std::string key;   // RemoveBlanks of the first piece (Entry only)
    std::string value; // RemoveBlanks of the second piece (Entry only)
};

// Reads one line (without its line feed): the whole rule of the settings file for a line.
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
    explicit ConfigFile(std::string fileName);

    // Reads file_name into entries; a missing or unreadable file adds nothing. Reports nothing.
    void Load();
    // The same reading of a file's raw bytes; with a report, every line's outcome is appended to it.
    void Load(std::string_view fileBytes, std::vector<ConfigLineReport>* report = nullptr);

    // The stored value of key converted as by atof and narrowed to float; else defaultValue.
    float GetFloat(const std::string& key, float defaultValue) const;

    std::string file_name;
    std::unordered_map<std::string, std::string> entries;
};

// atof's double rounded to the nearest float; beyond the float range that is an infinity.
float NarrowToFloat(double value);
