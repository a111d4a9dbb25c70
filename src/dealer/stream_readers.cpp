#include "dealer/stream_readers.h"

#include <istream>

std::string ReadAllBytes(std::istream& in) {
    // Read straight into the text, which grows geometrically.
    constexpr std::size_t kChunk = 4096;
    std::string bytes;
    std::size_t filled = 0;
    for (;;) {
        bytes.resize(filled + kChunk);
        in.read(bytes.data() + filled, static_cast<std::streamsize>(kChunk));
        const auto got = static_cast<std::size_t>(in.gcount());
        filled += got;
        if (got < kChunk) break;
    }
    bytes.resize(filled);
    return bytes;
}

void LoadConfig(ConfigFile& config, std::istream& in, std::vector<ConfigLineReport>* report) {
    config.Load(ReadAllBytes(in), report);
}

void ReadDealerList(std::istream& in, Buffer<DealerRecord>& dealers, std::vector<DealerLineReport>* report) {
    ReadDealerList(ReadAllBytes(in), dealers, report);
}
