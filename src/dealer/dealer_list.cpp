#include "dealer/dealer_list.h"

#include "dealer/text_file.h"

#include <cstring>

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

    // Each conversion reads its field alone, as std::stof and std::stoi read a copy of it: a number
    // never runs on into the next field or line, and an embedded NUL ends it.
    auto fail = [](int field, NumberStatus status) {
        DealerLine failed; // no values: the line adds no record
        failed.status =
            status == NumberStatus::NotANumber ? DealerLineStatus::NotANumber : DealerLineStatus::OutOfRange;
        failed.field = field;
        return failed;
    };
    float* const coordinates[3] = {&result.x, &result.y, &result.z};
    for (int i = 0; i < 3; ++i) {
        const NumberRead<float> number = ReadFloat(fields[i]);
        if (number.status != NumberStatus::Ok) return fail(i + 1, number.status);
        *coordinates[i] = number.value;
    }
    const NumberRead<std::int32_t> radius = ReadInt32(fields[3]);
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
bool ReadText(std::string_view text, Buffer<DealerRecord>& dealers, std::vector<DealerLineReport>* report) {
    // The values are gathered first and the records built after with a single allocation: a
    // record carries an offer table, and growing an array of them record by record would move each
    // several times (this runs under the game's loader lock).
    struct Place {
        float x, y, z;
        std::int32_t radius;
    };
    Buffer<Place> places;
    bool stored = true;
    ForEachLine(text, [&](std::size_t number, std::string_view lineText) {
        const DealerLine line = ParseDealerLine(lineText);
        if (stored && line.status == DealerLineStatus::Accepted)
            stored = places.Append(Place{line.x, line.y, line.z, line.radius});
        if (report != nullptr) report->push_back({number, line});
    });
    if (!stored || !dealers.Reserve(dealers.size() + places.size())) return false;
    for (const Place& place : places)
        dealers.Append(DealerRecord{place.x, place.y, place.z, place.radius, {}});
    return true;
}
} // namespace

bool ReadDealerList(std::string_view fileBytes, Buffer<DealerRecord>& dealers,
                    std::vector<DealerLineReport>* report) {
    Buffer<char> text;
    if (!text.Resize(fileBytes.size())) return false;
    if (!fileBytes.empty()) std::memcpy(text.data(), fileBytes.data(), fileBytes.size());
    if (!DecodeText(text)) return false;
    text.Truncate(ApplyTextMode(text.data(), text.size()));
    return ReadText({text.data(), text.size()}, dealers, report);
}

bool ReadDealerListFile(const char* path, Buffer<DealerRecord>& dealers) {
    Buffer<char> text;
    ReadTextFile(path, text);
    return ReadText({text.data(), text.size()}, dealers, nullptr);
}
