#include "document/Numbers.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// "%lf" and "%d" skip white space before the number.
std::string_view SkipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    return text.substr(i);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The longest prefix that has the shape of a decimal real: sign, digits with
// at most one '.', at least one digit, and an exponent only when it has
// digits. from_chars alone would also take "inf", "nan" and, after a '+',
// nothing at all.
std::string_view RealPrefix(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return text.substr(0, i);
}

template <typename Int> std::optional<Int> ReadInteger(std::string_view text) {
    text = SkipBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || !IsDigit(text.front()))
            return std::nullopt;
    }
    Int value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> ReadReal(std::string_view text) {
    std::string_view number = RealPrefix(SkipBlanks(text));
    if (number.empty())
        return std::nullopt;
    bool negative = false;
    if (number.front() == '+' || number.front() == '-') {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    // Out of range, both ways, counts as no number: a measurement has no use
    // for 1e-400 or 1e400, and every edit's range excludes both.
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    // "-0" is shown as 0 like any other zero.
    return negative && value != 0.0 ? -value : value;
}

std::optional<int32_t> ReadInt(std::string_view text) {
    return ReadInteger<int32_t>(text);
}

std::optional<int64_t> ReadInt64(std::string_view text) {
    return ReadInteger<int64_t>(text);
}

std::string FormatFixed(double value, int decimals) {
    // A double in fixed notation needs at most 309 digits before the point.
    std::array<char, 400> buffer;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc())
        return {};
    return std::string(buffer.data(), end);
}

std::string FormatInteger(int64_t value) {
    std::array<char, 24> buffer;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string();
}
