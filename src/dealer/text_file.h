#pragma once
#include "dealer/buffer.h"

#include <cstddef>
#include <string>
#include <string_view>

// The one way the dealer data files are turned into lines, on every platform.
//
// A file is read as raw bytes and made text here, rather than by the C runtime's text mode: then the
// game build and the native tests run the same code on the same bytes.
//
// First its encoding, by the byte order mark that Windows editors and spreadsheets write at its
// start: a UTF-8 mark is dropped; UTF-16 (little- or big-endian) is turned into UTF-8, so that the
// text reads as the same text saved in single bytes would, and characters beyond ASCII stand as UTF-8
// bytes where any byte is taken (a dealer's name). A half or unpaired UTF-16 character becomes U+FFFD.
// Any other file is taken byte for byte.
//
// Then the Windows C runtime's text-mode translation, exactly:
//   - a carriage return directly followed by a line feed reads as the line feed alone;
//   - any other carriage return (inside a line, doubled, at the end of the file) stays;
//   - a Ctrl-Z (0x1A) ends the text: it and everything after it are not read.
// Lines are the texts up to each line feed (without it). Text after the last line feed is a line
// too when it is not empty: a last line without a line feed is read like any other.

enum class TextEncoding : unsigned char { Bytes, Utf8Bom, Utf16Le, Utf16Be };

// By the byte order mark at the start of a file's bytes: EF BB BF, FF FE, FE FF; Bytes without one.
TextEncoding DetectEncoding(std::string_view bytes);

// The bytes as text (see above), in place. The std::string form throws std::bad_alloc when memory
// runs out; the Buffer form returns false and leaves the bytes as they were.
TextEncoding DecodeText(std::string& bytes);
bool DecodeText(Buffer<char>& bytes);

// Text-mode translation of decoded text, in place: the text is never longer. Returns its new size.
std::size_t ApplyTextMode(char* text, std::size_t size);
void ApplyTextMode(std::string& text);

// Appends the raw bytes of a file to `bytes`; none when it cannot be opened. No stream stays open.
// False, with part of the file appended, when memory runs out.
bool ReadFileBytes(const char* path, Buffer<char>& bytes);

// The text of a file as the readers cut it into lines: read, decoded and translated, into an empty
// `text`. A file that cannot be opened, or that the memory left does not hold whole, is an empty text.
void ReadTextFile(const char* path, Buffer<char>& text);

// Calls onLine(number, line) for each line of translated text, numbered from 1, in order.
template <class OnLine> void ForEachLine(std::string_view text, OnLine&& onLine) {
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            onLine(++number, text);
            return;
        }
        onLine(++number, text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}
