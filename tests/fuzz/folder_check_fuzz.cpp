// dealers-check's reading of a folder: any bytes as dealers.conf (as many as the first byte says) and
// dealers.csv. The report stays bounded, counts what it does not list, and agrees with the list reader.
#include "folder_check.h"
#include "reader_checks.h"

#include <algorithm>

using reference::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view settings = rest.substr(0, std::min<std::size_t>(data[0], rest.size()));
    const std::string_view dealerList = rest.substr(settings.size());

    dealers_check::FolderCheck check;
    dealers_check::CheckFiles(std::string(settings), std::string(dealerList), check);

    Buffer<DealerRecord> records;
    ReadDealerList(dealerList, records);
    Check(check.dealers.size() == records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const dealers_check::Dealer& dealer = check.dealers[i];
        Check(reference::Same(dealer.x, records[i].x) && reference::Same(dealer.y, records[i].y) &&
              dealer.radius == records[i].radius);
        Check(i == 0 || check.dealers[i - 1].line < dealer.line);
        Check(dealer.label.size() <= dealers_check::kLongestLabel * 4 + 3); // a byte spelt out takes 4
        Check(dealer.never_chosen_by < dealer.line);
    }
    for (const dealers_check::FileCheck* file : {&check.settings, &check.dealer_list}) {
        Check(file->findings.size() <= std::min(dealers_check::kListedFindings, file->Total()));
        Check(std::is_sorted(file->findings.begin(), file->findings.end(),
                             [](const auto& a, const auto& b) { return a.line < b.line; }));
    }
    Check(check.overlaps.complete);
    Check(check.overlaps.first.size() ==
          std::min<std::uint64_t>(check.overlaps.pairs, dealers_check::kListedOverlaps));
    for (const dealers_check::Overlap& overlap : check.overlaps.first) Check(overlap.first < overlap.second);

    std::string report;
    dealers_check::Output out(report);
    dealers_check::PrintCheck(check, out);
    Check(std::count(report.begin(), report.end(), '\n') < 700);
    Check(dealers_check::Verdict(check).starts_with(dealers_check::ExitStatus(check) == 0 ? "ok: "
                                                                                          : "problems: "));
    return 0;
}
