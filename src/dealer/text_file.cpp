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
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    return bytes;
}
