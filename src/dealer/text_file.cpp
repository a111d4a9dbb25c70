#include "dealer/text_file.h"

#include <cstdio>
#include <cstring>

namespace {

// The mark's length, 0 for Bytes.
std::size_t MarkLength(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Bytes:
        return 0;
    case TextEncoding::Utf8Bom:
        return 3;
    default:
        return 2;
    }
}

std::size_t PutUtf8(char32_t c, char* out) {
    auto put = [&](std::size_t at, unsigned value) {
        if (out) out[at] = static_cast<char>(value);
    };
    if (c < 0x80) {
        put(0, c);
        return 1;
    }
    if (c < 0x800) {
        put(0, 0xC0 | (c >> 6));
        put(1, 0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        put(0, 0xE0 | (c >> 12));
        put(1, 0x80 | ((c >> 6) & 0x3F));
        put(2, 0x80 | (c & 0x3F));
        return 3;
    }
    put(0, 0xF0 | (c >> 18));
    put(1, 0x80 | ((c >> 12) & 0x3F));
    put(2, 0x80 | ((c >> 6) & 0x3F));
    put(3, 0x80 | (c & 0x3F));
    return 4;
}

// UTF-16 after its mark as UTF-8 into out (null: only counted); returns the size.
std::size_t Utf16ToUtf8(std::string_view units, bool bigEndian, char* out) {
    constexpr char32_t kReplacement = 0xFFFD;
    auto unit = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(units[i]),
                   second = static_cast<unsigned char>(units[i + 1]);
        return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    std::size_t size = 0;
    std::size_t i = 0;
    for (; i + 1 < units.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < units.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        size += PutUtf8(c, out ? out + size : nullptr);
    }
    if (i < units.size()) size += PutUtf8(kReplacement, out ? out + size : nullptr); // half a character
    return size;
}

} // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8Bom;
    if (bytes.starts_with("\xFF\xFE")) return TextEncoding::Utf16Le;
    if (bytes.starts_with("\xFE\xFF")) return TextEncoding::Utf16Be;
    return TextEncoding::Bytes;
}

TextEncoding DecodeText(std::string& bytes) {
    const TextEncoding encoding = DetectEncoding(bytes);
    const std::string_view body = std::string_view(bytes).substr(MarkLength(encoding));
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) {
        const bool bigEndian = encoding == TextEncoding::Utf16Be;
        std::string text(Utf16ToUtf8(body, bigEndian, nullptr), '\0');
        Utf16ToUtf8(body, bigEndian, text.data());
        bytes = std::move(text);
    } else {
        bytes.erase(0, MarkLength(encoding));
    }
    return encoding;
}

bool DecodeText(Buffer<char>& bytes) {
    const std::string_view all(bytes.data(), bytes.size());
    const TextEncoding encoding = DetectEncoding(all);
    const std::size_t mark = MarkLength(encoding);
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) {
        const bool bigEndian = encoding == TextEncoding::Utf16Be;
        const std::string_view body = all.substr(mark);
        Buffer<char> text;
        if (!text.Resize(Utf16ToUtf8(body, bigEndian, nullptr))) return false;
        Utf16ToUtf8(body, bigEndian, text.data());
        bytes = std::move(text);
    } else if (mark != 0) {
        std::memmove(bytes.data(), bytes.data() + mark, bytes.size() - mark);
        bytes.Truncate(bytes.size() - mark);
    }
    return true;
}

std::size_t ApplyTextMode(char* text, std::size_t size) {
    const std::string_view all(text, size);
    const std::size_t ctrlZ = all.find('\x1A');
    if (ctrlZ != std::string_view::npos) size = ctrlZ;
    const std::string_view kept(text, size);
    std::size_t cr = kept.find('\r');
    if (cr == std::string_view::npos) return size;
    // Moves each run of text between two CR LF pairs down over the removed carriage returns.
    std::size_t out = cr;
    std::size_t in = cr;
    while (in < size) {
        if (text[in] == '\r' && in + 1 < size && text[in + 1] == '\n') ++in;
        cr = kept.find('\r', in + 1);
        const std::size_t run = (cr == std::string_view::npos ? size : cr) - in;
        std::memmove(text + out, text + in, run);
        out += run;
        in += run;
    }
    return out;
}

void ApplyTextMode(std::string& text) {
    text.resize(ApplyTextMode(text.data(), text.size()));
}

bool ReadFileBytes(const char* path, Buffer<char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return true;
    bool read = true;
    char chunk[4096];
    for (std::size_t got; read && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        const std::size_t at = bytes.size();
        read = bytes.Resize(at + got);
        if (read) std::memcpy(bytes.data() + at, chunk, got);
    }
    std::fclose(file);
    return read;
}

void ReadTextFile(const char* path, Buffer<char>& text) {
    // A file read in part would be read as another file: a file the memory left does not hold is
    // none, as one that cannot be opened.
    if (!ReadFileBytes(path, text) || !DecodeText(text)) {
        text = Buffer<char>();
        return;
    }
    text.Truncate(ApplyTextMode(text.data(), text.size()));
}
