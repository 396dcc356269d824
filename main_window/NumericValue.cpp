#include "main_window/NumericValue.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace velmora {

namespace {

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') out += c;
    }
    return out;
}

double RadixValue(std::string_view digits, int radix) {
    double value = 0;
    for (const char c : digits) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : radix;
        if (d >= radix) break;
        value = value * radix + d;
    }
    return std::min(value, std::numeric_limits<double>::max());  // hundreds of digits overflow
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

double DecimalValue(std::string_view s) {
    const std::size_t length = DecimalPrefixLength(s);
    if (length == 0) return 0;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + length, value);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: keep the sign of the magnitude.
        const std::size_t e = s.find_first_of("Ee");
        return e < length && s.substr(e + 1, 1) == "-" ? 0.0 : std::numeric_limits<double>::max();
    }
    return value;
}

}  // namespace

double NumericValue(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = char(std::toupper(static_cast<unsigned char>(s[1])));
        if (kind == 'H') return RadixValue(std::string_view(s).substr(2), 16);
        if (kind == 'O') return RadixValue(std::string_view(s).substr(2), 8);
        return 0;
    }
    std::string_view rest(s);
    double sign = 1;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        sign = rest[0] == '-' ? -1 : 1;
        rest.remove_prefix(1);
    }
    const double value = sign * DecimalValue(rest);
    return value == 0 ? 0.0 : value;  // no "-0"
}

std::string NumberText(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

}  // namespace velmora
