#pragma once
// Where dealers-check writes: a C stream (stdout, stderr, the map's file) or a string. The
// printers hand it text, characters and whole numbers; numbers with a fraction they format
// themselves. A stream's write errors stay on the stream, for its owner to check with ferror.
#include <charconv>
#include <concepts>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

namespace dealers_check {

class Output {
  public:
    explicit Output(std::string& text) : text_(&text) {}
    // tied: a stream whose text goes out before this one's, which goes out at once; stderr tied
    // to stdout shows an error where it happened among the report's lines on one console (the
    // Windows C library holds back stderr's text too).
    explicit Output(std::FILE* file, std::FILE* tied = nullptr) : file_(file), tied_(tied) {}

    Output& operator<<(std::string_view text) {
        if (text_ != nullptr) {
            text_->append(text);
        } else {
            if (tied_ != nullptr) std::fflush(tied_);
            std::fwrite(text.data(), 1, text.size(), file_);
            if (tied_ != nullptr) std::fflush(file_);
        }
        return *this;
    }

    Output& operator<<(char c) { return *this << std::string_view(&c, 1); }

    template <std::integral Number> Output& operator<<(Number value) {
        char digits[24];
        return *this << std::string_view(digits, std::to_chars(digits, std::end(digits), value).ptr);
    }

  private:
    std::string* text_ = nullptr;
    std::FILE* file_ = nullptr;
    std::FILE* tied_ = nullptr;
};

} // namespace dealers_check
