#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The one way the dealer data files are turned into lines, on every platform.
//
// The files are read as raw bytes and given the Windows C runtime's text-mode translation here,
// rather than by opening them in text mode: then the game build and the native tests run the
// same code on the same bytes. The translation is exactly the runtime's:
//   - a carriage return directly followed by a line feed reads as the line feed alone;
//   - any other carriage return (inside a line, doubled, at the end of the file) stays;
//   - a Ctrl-Z (0x1A) ends the text: it and everything after it are not read.
// Lines are the texts up to each line feed (without it). Text after the last line feed is a
// line too when it is not empty: a last line without a line feed is read like any other.

// Text-mode translation of a file's raw bytes (see above), in place: the text is never longer.
void ApplyTextMode(std::string& bytes);

// The raw bytes of a file; empty when it cannot be opened. No stream stays open.
std::string ReadFileBytes(const std::string& path);

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
