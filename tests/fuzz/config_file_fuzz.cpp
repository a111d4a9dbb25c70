// The settings reader on any bytes as dealers.conf, against the reference reader.
#include "reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reference::CheckConfigReader({reinterpret_cast<const char*>(data), size});
    return 0;
}
