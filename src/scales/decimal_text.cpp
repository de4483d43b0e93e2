#include "scales/decimal_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace kelvara {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view skip_space(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && is_white_space(text[i])) ++i;
    return text.substr(i);
}

}  // namespace

bool is_white_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string number_text(float value) {
    // to_chars without a precision gives the shortest digits that read back to the float.
    const float magnitude = std::fabs(value);
    const bool plain = magnitude == 0.0f || (magnitude >= 1e-4f && magnitude < 1e7f);
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    return {buffer.data(), result.ptr};
}

std::string cents_text(float cents) {
    if (!std::isfinite(cents)) return number_text(cents);
    const double rounded = std::round(static_cast<double>(cents) * 1000.0) / 1000.0;
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), rounded,
                                      std::chars_format::fixed, 3);
    std::string text(buffer.data(), result.ptr);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::optional<float> parse_number_text(std::string_view text) {
    while (!text.empty() && is_white_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_white_space(text.back())) text.remove_suffix(1);
    // The same numbers read_leading_number takes (no inf, nan or hexadecimal), as a float.
    const LeadingNumber number = read_leading_number(text);
    if (number.length == 0 || number.length != text.size()) return std::nullopt;
    const std::string_view digits = text.front() == '+' ? text.substr(1) : text;
    float value = 0.0f;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

LeadingNumber read_leading_number(std::string_view text) {
    // from_chars takes no leading '+' and would take "inf" and "nan": the sign is read here,
    // and the text must go on with a digit, or a point and a digit.
    size_t start = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) start = 1;
    const std::string_view rest = text.substr(start);
    const bool begins_number = (!rest.empty() && is_digit(rest[0])) ||
                               (rest.size() >= 2 && rest[0] == '.' && is_digit(rest[1]));
    if (!begins_number) return {};

    double magnitude = 0.0;
    const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude,
                                        std::chars_format::general);
    LeadingNumber number;
    number.length = start + static_cast<size_t>(result.ptr - rest.data());
    if (result.ec == std::errc::result_out_of_range) {
        number.out_of_range = true;
        return number;
    }
    number.value = text[0] == '-' ? -magnitude : magnitude;
    return number;
}

double leading_double_value(std::string_view text) {
    const LeadingNumber number = read_leading_number(skip_space(text));
    return number.out_of_range ? 0.0 : number.value;
}

int32_t leading_integer_value(std::string_view text) {
    std::string_view rest = skip_space(text);
    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    // Accumulate with saturation: a long run of digits ends at the end of the 32-bit range.
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (size_t i = 0; i < rest.size() && is_digit(rest[i]); ++i)
        magnitude = std::min(kLimit, magnitude * 10 + (rest[i] - '0'));
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace kelvara
