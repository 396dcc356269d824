#include "main_window/NumericValue.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace velmora {

namespace {

// A number read from the start of a text: its value and how many characters
// it took (0 when the text does not begin with a number).
struct Reading {
    double value = 0;
    std::size_t length = 0;
};

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') out += c;
    }
    return out;
}

int DigitValue(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isdigit(u)) return c - '0';
    if (std::isxdigit(u)) return std::tolower(u) - 'a' + 10;
    return 99;
}

Reading RadixValue(std::string_view digits, int radix) {
    Reading r;
    for (const char c : digits) {
        const int d = DigitValue(c);
        if (d >= radix) break;
        r.value = r.value * radix + d;
        ++r.length;
    }
    r.value = std::min(r.value, std::numeric_limits<double>::max());  // hundreds of digits overflow
    return r;
}

std::size_t DigitsFrom(std::string_view s, std::size_t i) {
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

// Length of the longest decimal number at the start of s (no sign), 0 if none.
std::size_t DecimalPrefixLength(std::string_view s) {
    std::size_t i = DigitsFrom(s, 0);
    bool digits = i > 0;
    if (i < s.size() && s[i] == '.') {
        const std::size_t after = DigitsFrom(s, i + 1);
        digits = digits || after > i + 1;
        i = after;
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t end = DigitsFrom(s, j);
        if (end > j) i = end;
    }
    return i;
}

Reading DecimalValue(std::string_view s) {
    Reading r;
    r.length = DecimalPrefixLength(s);
    if (r.length == 0) return r;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + r.length, r.value);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: keep the sign of the magnitude.
        const std::size_t e = s.find_first_of("Ee");
        r.value = e < r.length && s.substr(e + 1, 1) == "-" ? 0.0 : std::numeric_limits<double>::max();
    }
    return r;
}

Reading ReadNumber(std::string_view s) {
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = char(std::toupper(static_cast<unsigned char>(s[1])));
        const int radix = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
        if (radix == 0) return {};
        Reading r = RadixValue(s.substr(2), radix);
        if (r.length > 0) r.length += 2;
        return r;
    }
    double sign = 1;
    std::size_t signLength = 0;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        sign = s[0] == '-' ? -1 : 1;
        signLength = 1;
    }
    Reading r = DecimalValue(s.substr(signLength));
    if (r.length > 0) r.length += signLength;
    r.value = r.value == 0 ? 0.0 : sign * r.value;  // no "-0"
    return r;
}

}  // namespace

double NumericValue(std::string_view text) { return ReadNumber(WithoutBlanks(text)).value; }

std::optional<double> ExactNumericValue(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    const Reading r = ReadNumber(s);
    if (r.length == 0 || r.length != s.size()) return std::nullopt;
    return r.value;
}

std::string NumberText(double value) {
    if (value == 0) return "0";
    char buffer[400];  // the largest double in plain digits takes 309
    const bool whole = value == std::trunc(value);
    const auto [end, ec] = whole ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                                 : std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace velmora
