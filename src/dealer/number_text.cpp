#include "dealer/number_text.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <iterator>

namespace {

// The C library's own conversion rounds correctly; only its decimal point follows the locale. So
// the number is written again without white space or a point (digits and a power of the base) and
// handed to it. Significant digits past the kept ones only tell, through one more non-zero digit,
// that the value lies above a halfway point: 800 decimal digits are more than any halfway point
// of a double needs (768), 40 hexadecimal ones more than 53 bits.
constexpr std::size_t kDecimalDigits = 800;
constexpr std::size_t kHexDigits = 40;
// Beyond this written power every value is 0 or infinite, whatever its significand and however many
// digits a line in a 32-bit process holds: it is read no further, so that it stays within 64 bits.
constexpr std::int64_t kExponentLimit = 1'000'000'000'000;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigitOf(char c, bool hex) {
    return IsDigit(c) || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The lower-case `word` at `at` (no further than the end), its letters in either case.
bool HasWord(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[at + i]) != word[i]) return false;
    return true;
}

// The length of "nan" at `at` with a following "(letters, digits and _)".
std::size_t NotANumberLength(std::string_view text, std::size_t at) {
    std::size_t end = at + 3;
    if (end >= text.size() || text[end] != '(') return 3;
    for (++end; end < text.size(); ++end) {
        const char c = text[end];
        if (c == ')') return end + 1 - at;
        if (!IsDigit(c) && !IsLetter(c) && c != '_') break;
    }
    return 3;
}

struct Canonical {
    char text[kDecimalDigits + 32];
    std::size_t size = 0;
    std::size_t length = 0; // characters of the original it stands for; 0: no number

    void Put(char c) { text[size++] = c; }
};

void PutExponent(Canonical& out, char mark, std::int64_t exponent) {
    out.Put(mark);
    out.size = static_cast<std::size_t>(std::to_chars(out.text + out.size, std::end(out.text), exponent).ptr -
                                        out.text);
}

// The number at the start of text in a form every locale reads alike: [-]digits e power of ten,
// [-]0x hexadecimal digits p power of two, [-]inf or [-]nan.
Canonical Canonicalise(std::string_view text) {
    Canonical out;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out.Put('-');
        ++i;
    }

    // Infinity and not-a-number, in any case; a not-a-number's payload makes no price or place.
    std::size_t word = 0;
    if (HasWord(text, i, "inf")) {
        word = HasWord(text, i + 3, "inity") ? 8 : 3;
        for (const char c : std::string_view("inf")) out.Put(c);
    } else if (HasWord(text, i, "nan")) {
        word = NotANumberLength(text, i);
        for (const char c : std::string_view("nan")) out.Put(c);
    }
    if (word != 0) {
        out.length = i + word;
        return out;
    }

    auto hexDigitAt = [&](std::size_t at) { return at < text.size() && IsDigitOf(text[at], true); };
    const bool hex =
        HasWord(text, i, "0x") && (hexDigitAt(i + 2) || (HasWord(text, i + 2, ".") && hexDigitAt(i + 3)));
    if (hex) {
        out.Put('0');
        out.Put('x');
        i += 2;
    }
    const std::size_t keep = hex ? kHexDigits : kDecimalDigits;
    const int step = hex ? 4 : 1; // the power a digit's place is worth
    std::int64_t exponent = 0;
    std::size_t kept = 0;
    bool digits = false, point = false, dropped = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigitOf(text[i], hex)) break;
        digits = true;
        if (kept < keep) {
            if (point) exponent -= step;
            if (kept == 0 && text[i] == '0') continue; // a leading zero
            out.Put(text[i]);
            ++kept;
        } else {
            dropped = dropped || text[i] != '0';
            if (!point) exponent += step;
        }
    }
    if (!digits) return Canonical{}; // a sign or a point alone is no number

    const char mark = hex ? 'p' : 'e';
    if (i < text.size() && Lower(text[i]) == mark) {
        std::size_t j = i + 1;
        const bool minus = j < text.size() && text[j] == '-';
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            std::int64_t power = 0;
            for (; j < text.size() && IsDigit(text[j]); ++j)
                if (power < kExponentLimit) power = power * 10 + (text[j] - '0');
            exponent += minus ? -power : power;
            i = j;
        }
    }
    out.length = i;
    if (kept == 0) {
        out.Put('0');
        return out;
    }
    if (dropped) {
        out.Put('1');
        exponent -= step;
    }
    PutExponent(out, mark, exponent);
    return out;
}

template <class T, class Convert> NumberRead<T> Read(std::string_view text, Convert convert) {
    Canonical number = Canonicalise(text);
    NumberRead<T> read;
    if (number.length == 0) return read;
    number.Put('\0');
    // errno belongs to whoever runs this thread: it is given back as it was.
    const int saved = errno;
    errno = 0;
    read.value = convert(number.text);
    read.status = errno == ERANGE ? NumberStatus::OutOfRange : NumberStatus::Ok;
    errno = saved;
    read.length = number.length;
    return read;
}

} // namespace

NumberRead<double> ReadDouble(std::string_view text) {
    return Read<double>(text, [](const char* number) { return std::strtod(number, nullptr); });
}

NumberRead<float> ReadFloat(std::string_view text) {
    return Read<float>(text, [](const char* number) { return std::strtof(number, nullptr); });
}

NumberRead<std::int32_t> ReadInt32(std::string_view text) {
    NumberRead<std::int32_t> read;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i + 1 < text.size() && text[i] == '+' && IsDigit(text[i + 1])) ++i; // from_chars takes no '+'
    const char* const begin = text.data() + i;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), read.value);
    if (error == std::errc::invalid_argument) return read;
    read.status = error == std::errc() ? NumberStatus::Ok : NumberStatus::OutOfRange;
    if (read.status == NumberStatus::OutOfRange) read.value = *begin == '-' ? INT32_MIN : INT32_MAX;
    read.length = static_cast<std::size_t>(end - text.data());
    return read;
}
