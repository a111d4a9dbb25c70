// libFuzzer harness of the dealer list reader: any bytes as dealers.csv. Checks that
// each line's outcome agrees with std::stof / std::stoi in a straightforward reference reader.
#include "dealer/dealer_list.h"
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

    std::vector<DealerRecord> dealers;
    std::vector<DealerLineReport> report;
    ReadDealerList(bytes, dealers, &report);

    const std::vector<DealerLine> expected = reference::DealerLines(bytes);
    Check(report.size() == expected.size());
    std::size_t accepted = 0;
    for (std::size_t i = 0; i < report.size(); ++i) {
        const DealerLine& got = report[i].line;
        const DealerLine& want = expected[i];
        Check(report[i].number == i + 1);
        Check(got.status == want.status);
        Check(got.field == want.field);
        Check(SameFloat(got.x, want.x) && SameFloat(got.y, want.y) && SameFloat(got.z, want.z));
        Check(got.radius == want.radius);
        Check((got.field == 0) ==
              (got.status == DealerLineStatus::Accepted || got.status == DealerLineStatus::TooFewFields));
        if (got.status != DealerLineStatus::Accepted) continue;
        Check(accepted < dealers.size());
        const DealerRecord& record = dealers[accepted++];
        Check(SameFloat(record.x, got.x) && SameFloat(record.y, got.y) && SameFloat(record.z, got.z));
        Check(record.radius == got.radius);
        Check(record.offers.entries.empty());
    }
    Check(accepted == dealers.size());

    std::vector<DealerRecord> fromStream;
    std::istringstream in{std::string(bytes)};
    ReadDealerList(in, fromStream);
    Check(fromStream.size() == dealers.size());
    return 0;
}
