// libFuzzer harness of the settings reader: any bytes as dealers.conf. Checks that the
// reader agrees with the straightforward reference reader and keeps its own invariants.
#include "dealer/config_file.h"
#include "dealer/stream_readers.h"
#include "dealer_reference.h"
#include "fuzz_checks.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    ConfigFile config("unused");
    std::vector<ConfigLineReport> report;
    config.Load(bytes, &report);

    const auto expected = reference::ConfigEntries(bytes);
    Check(config.entries == expected);
    Check(report.size() == reference::Lines(bytes).size());
    std::size_t entryLines = 0;
    for (std::size_t i = 0; i < report.size(); ++i) {
        Check(report[i].number == i + 1);
        if (report[i].line.status == ConfigLineStatus::Entry) ++entryLines;
    }
    Check(entryLines >= config.entries.size());

    for (const auto& [key, value] : config.entries) {
        Check(key.find_first_of(" \r\n") == std::string::npos);
        Check(value.find_first_of(" \r\n") == std::string::npos);
        Check(SameFloat(config.GetFloat(key, 0.5f), reference::GetFloat(expected, key, 0.5f)));
    }
    for (const char* key : {"price_rate_sell", "price_rate_buy"}) {
        Check(SameFloat(config.GetFloat(key, 0.8f), reference::GetFloat(expected, key, 0.8f)));
    }

    ConfigFile fromStream("unused");
    std::istringstream in{std::string(bytes)};
    LoadConfig(fromStream, in);
    Check(fromStream.entries == config.entries);
    return 0;
}
