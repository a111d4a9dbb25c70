#include "dealer/dealer_list.h"

#include "dealer/text_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

NumberResult<float> StofLike(const char* text) {
    errno = 0; // a value left by an earlier call is no range error of this one
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    if (end == text) return {NumberStatus::NotANumber, 0.0f};
    if (errno == ERANGE) return {NumberStatus::OutOfRange, 0.0f};
    return {NumberStatus::Ok, value};
}

NumberResult<std::int32_t> StoiLike(const char* text) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text) return {NumberStatus::NotANumber, 0};
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return {NumberStatus::OutOfRange, 0};
    return {NumberStatus::Ok, static_cast<std::int32_t>(value)};
}

DealerLine ParseDealerLine(std::string_view line) {
    DealerLine result;
    // Fields are the texts around every ','; the text after the last ',' is a field only when it
    // is not empty. Four fields or more: three commas, and text after the third or a fourth comma.
    std::string_view fields[4];
    std::string_view rest = line;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) return result;
        fields[i] = rest.substr(0, comma);
        rest.remove_prefix(comma + 1);
    }
    if (rest.empty()) return result;
    fields[3] = rest.substr(0, rest.find(','));

    // The conversions read a terminated copy of each field, as std::stof and std::stoi do: a
    // number never runs on into the next field or line, and an embedded NUL ends it.
    std::string text;
    auto fail = [](int field, NumberStatus status) {
        DealerLine failed; // no values: the line adds no record
        failed.status =
            status == NumberStatus::NotANumber ? DealerLineStatus::NotANumber : DealerLineStatus::OutOfRange;
        failed.field = field;
        return failed;
    };
    float* const coordinates[3] = {&result.x, &result.y, &result.z};
    for (int i = 0; i < 3; ++i) {
        text.assign(fields[i]);
        const NumberResult<float> number = StofLike(text.c_str());
        if (number.status != NumberStatus::Ok) return fail(i + 1, number.status);
        *coordinates[i] = number.value;
    }
    text.assign(fields[3]);
    const NumberResult<std::int32_t> radius = StoiLike(text.c_str());
    if (radius.status != NumberStatus::Ok) return fail(4, radius.status);
    result.radius = radius.value;
    result.status = DealerLineStatus::Accepted;
    return result;
}

const char* DealerLineStatusText(DealerLineStatus status) {
    switch (status) {
    case DealerLineStatus::Accepted:
        return "accepted";
    case DealerLineStatus::TooFewFields:
        return "too few fields";
    case DealerLineStatus::NotANumber:
        return "not a number";
    case DealerLineStatus::OutOfRange:
        return "out of range";
    }
    return "?";
}

const char* DealerLineConversionMessage(const DealerLine& line) {
    const bool radius = line.field == 4;
    switch (line.status) {
    case DealerLineStatus::NotANumber:
        return radius ? "invalid stoi argument" : "invalid stof argument";
    case DealerLineStatus::OutOfRange:
        return radius ? "stoi argument out of range" : "stof argument out of range";
    default:
        return "";
    }
}

namespace {
void ReadText(std::string_view text, std::vector<DealerRecord>& dealers,
              std::vector<DealerLineReport>* report) {
    // The values are gathered first and the records built after with a single allocation: a
    // record carries a hash map and is large, and growing an array of them record by record
    // would copy each several times (this runs under the game's loader lock).
    struct Place {
        float x, y, z;
        std::int32_t radius;
    };
    std::vector<Place> places;
    ForEachLine(text, [&](std::size_t number, std::string_view lineText) {
        const DealerLine line = ParseDealerLine(lineText);
        if (line.status == DealerLineStatus::Accepted)
            places.push_back({line.x, line.y, line.z, line.radius});
        if (report != nullptr) report->push_back({number, line});
    });
    dealers.reserve(dealers.size() + places.size());
    for (const Place& place : places)
        dealers.push_back(DealerRecord{place.x, place.y, place.z, place.radius, {}});
}
} // namespace

void ReadDealerList(std::string_view fileBytes, std::vector<DealerRecord>& dealers,
                    std::vector<DealerLineReport>* report) {
    std::string text(fileBytes);
    ApplyTextMode(text);
    ReadText(text, dealers, report);
}

void ReadDealerListFile(const std::string& path, std::vector<DealerRecord>& dealers,
                        std::vector<DealerLineReport>* report) {
    std::string text = ReadFileBytes(path);
    ApplyTextMode(text);
    ReadText(text, dealers, report);
}
