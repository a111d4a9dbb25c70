// The dealer list reader on any bytes as dealers.csv, against the reference reader.
#include "reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reference::CheckDealerListReader({reinterpret_cast<const char*>(data), size});
    return 0;
}
