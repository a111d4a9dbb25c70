#pragma once
#include "dealer/buffer.h"
#include "dealer/number_text.h"
#include "dealer/vehicle_offers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The reader of car_dealers/dealers.csv, comma-separated x, y, z, radius lines.

struct DealerRecord {
    float x, y, z;
    std::int32_t radius;
    OfferTable offers; // empty after loading
};

// What one line of a dealer list is. Only Accepted lines add a dealer; the others are skipped
// and reading goes on with the next line.
enum class DealerLineStatus : unsigned char {
    Accepted,
    TooFewFields, // fewer than four fields (an empty line has none)
    NotANumber,   // a numeric field does not begin with a number (std::invalid_argument of stof/stoi)
    OutOfRange,   // a numeric field's value lies outside its type (std::out_of_range of stof/stoi)
};

struct DealerLine {
    DealerLineStatus status = DealerLineStatus::TooFewFields;
    int field = 0; // the first field, 1 to 4, that failed to convert; 0 when none did
    float x = 0, y = 0, z = 0;
    std::int32_t radius = 0;
};

// Reads one line (without its line feed): the whole rule of the dealer list for a line. Fields are cut
// at every ','; fields 1 to 3 convert as std::stof, field 4 as std::stoi (base 10), in this order.
DealerLine ParseDealerLine(std::string_view line);

// "accepted", "too few fields", "not a number", "out of range".
const char* DealerLineStatusText(DealerLineStatus status);

// The message std::stof / std::stoi give for the line's failure ("invalid stof argument", ...),
// or "" when no field failed.
const char* DealerLineConversionMessage(const DealerLine& line);

// One line's outcome, for checkers; number counts from 1.
struct DealerLineReport {
    std::size_t number;
    DealerLine line;
};

// Appends a record for every accepted line of a dealer list file's raw bytes, in file order; with
// a report (checkers only), every line's outcome is appended to it. False, with no record appended,
// when memory runs out.
bool ReadDealerList(std::string_view fileBytes, Buffer<DealerRecord>& dealers,
                    std::vector<DealerLineReport>* report = nullptr);
// The same for the file at path (read as raw bytes); a missing or unreadable file adds nothing.
bool ReadDealerListFile(const char* path, Buffer<DealerRecord>& dealers);
