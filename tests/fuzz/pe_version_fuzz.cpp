// dealers-check --game's version reader on any bytes: every offset comes from the file; none may lead out.
#include "pe_version.h"
#include "reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::uint16_t words[4] = {};
    const dealers_check::PeVersion found = dealers_check::ReadPeFileVersion(bytes, words);
    reference::Check(found == dealers_check::PeVersion::NotPe || bytes.starts_with("MZ"));
    return 0;
}
