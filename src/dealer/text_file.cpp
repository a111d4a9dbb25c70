#include "dealer/text_file.h"

#include <cstdio>

void ApplyTextMode(std::string& bytes) {
    const std::size_t ctrlZ = bytes.find('\x1A');
    if (ctrlZ != std::string::npos) bytes.resize(ctrlZ);
    std::size_t cr = bytes.find('\r');
    if (cr == std::string::npos) return;
    // Moves each run of text between two CR LF pairs down over the removed carriage returns.
    std::size_t out = cr;
    std::size_t in = cr;
    while (in < bytes.size()) {
        if (bytes[in] == '\r' && in + 1 < bytes.size() && bytes[in + 1] == '\n') ++in;
        cr = bytes.find('\r', in + 1);
        const std::size_t run = (cr == std::string::npos ? bytes.size() : cr) - in;
        std::char_traits<char>::move(bytes.data() + out, bytes.data() + in, run);
        out += run;
        in += run;
    }
    bytes.resize(out);
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    // Closed on every way out, also when memory runs out.
    struct Guard {
        std::FILE* file;
        ~Guard() { std::fclose(file); }
    } guard{file};
    // Read straight into a buffer of the file's size when it can be told, then on to the real
    // end, whatever the size said. The size is only a hint: a directory, say, can tell an
    // enormous one, so beyond 64 MiB it is not used.
    constexpr long kLargestHint = 64L << 20;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::rewind(file);
        if (size > 0 && size <= kLargestHint) {
            bytes.resize(static_cast<std::size_t>(size));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
            if (bytes.size() < static_cast<std::size_t>(size)) return bytes;
        }
    }
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    return bytes;
}
