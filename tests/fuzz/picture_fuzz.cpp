// dealers-check --background's picture reader on any bytes: every length comes from the file; none may lead
// out.
#include "picture.h"
#include "reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    dealers_check::Picture picture;
    std::string reason;
    const bool read = dealers_check::ReadPictureSize(bytes, picture, reason);
    reference::Check(read ? picture.width > 0 && picture.height > 0 && reason.empty() : !reason.empty());
    return 0;
}
