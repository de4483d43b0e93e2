#include "persistence/tuning_file_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>

#include "persistence/atomic_file.h"

namespace kelvara::tuning_text {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kMaxDigits = 18;
constexpr size_t kMaxDecimalCharacters = 40;
constexpr size_t kMaxQuotedCharacters = 32;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

Error refusal(FileKind kind, std::string detail, int32_t line) {
    const bool scale = kind == FileKind::Scale;
    Error error;
    error.description = scale ? "The scale file could not be read."
                              : "The keyboard mapping file could not be read.";
    error.reason = scale ? "A scale file (.scl) holds a description line, the count of "
                           "pitches and one pitch a line."
                         : "A keyboard mapping file (.kbm) holds seven values and the map "
                           "entries, one a line.";
    error.detail = std::move(detail);
    if (line > 0) error.where.line = static_cast<size_t>(line);
    return error;
}

Result<std::string> file_text(const std::filesystem::path& path, FileKind kind) {
    Result<std::string> text = read_whole_file(path, kMaxFileBytes);
    if (text || text.error().kind != ErrorKind::System || text.error().code != EFBIG) return text;
    Error error =
        refusal(kind, "the file is larger than 1 MiB, far too large for a tuning file", 0);
    error.where.file = path.string();
    return error;
}

Lines::Lines(std::string_view bytes) : rest_(bytes.substr(0, kMaxFileBytes)) {
    if (rest_.starts_with(kByteOrderMark)) rest_.remove_prefix(kByteOrderMark.size());
}

std::optional<Line> Lines::next() {
    // A file that ends with a line end has no empty line after it; an empty file has none.
    if (ended_ || rest_.empty()) {
        ended_ = true;
        return std::nullopt;
    }
    const size_t end = rest_.find_first_of("\r\n");
    Line line{rest_.substr(0, end), next_number_++};
    if (end == std::string_view::npos) {
        rest_ = {};
    } else {
        const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
        rest_.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

std::optional<Line> Lines::next_with_content() {
    while (std::optional<Line> line = next()) {
        const std::string_view text = trimmed(line->text);
        if (!text.empty() && text.front() != '!') return line;
    }
    return std::nullopt;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view first_word(std::string_view text) {
    text = trimmed(text);
    size_t end = 0;
    while (end < text.size() && !is_blank(text[end])) ++end;
    return text.substr(0, end);
}

std::string quoted(std::string_view word) {
    const bool cut = word.size() > kMaxQuotedCharacters;
    std::string text = "'";
    for (const char c : word.substr(0, kMaxQuotedCharacters)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
            continue;
        }
        constexpr char kHex[] = "0123456789ABCDEF";
        text += "\\x";
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text + (cut ? "...'" : "'");
}

std::optional<std::string> encoding_fault(std::string_view bytes) {
    const bool marked = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    // Text of digits and letters in UTF-16 has a NUL in one of its first two bytes.
    const bool unmarked = bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0');
    if (!marked && !unmarked) return std::nullopt;
    return "the file is UTF-16 text; Kelvara reads tuning files as ASCII or UTF-8: save it in "
           "one of those";
}

WholeNumber read_whole_number(std::string_view word) {
    const bool negative = word.starts_with('-');
    const std::string_view digits = negative ? word.substr(1) : word;
    if (digits.empty()) return {};
    for (const char c : digits)
        if (!is_digit(c)) return {};
    if (digits.size() > kMaxDigits) return {NumberStatus::TooLarge, 0};
    int64_t value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return {NumberStatus::Ok, negative ? -value : value};
}

DecimalNumber read_decimal_number(std::string_view word, bool signed_allowed,
                                  double max_magnitude) {
    std::string_view number = word;
    bool negative = false;
    if (signed_allowed && (number.starts_with('-') || number.starts_with('+'))) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    size_t digits = 0;
    size_t points = 0;
    for (const char c : number) {
        if (is_digit(c))
            ++digits;
        else if (c == '.')
            ++points;
        else
            return {};
    }
    if (digits == 0 || points > 1) return {};
    if (word.size() > kMaxDecimalCharacters) return {NumberStatus::TooLarge, 0.0};

    // from_chars reads "700." and ".5" in the "C" locale's way whatever the process locale.
    double magnitude = 0.0;
    const auto read = std::from_chars(number.data(), number.data() + number.size(), magnitude,
                                      std::chars_format::fixed);
    if (read.ec != std::errc() || read.ptr != number.data() + number.size()) return {};
    if (!(magnitude <= max_magnitude)) return {NumberStatus::TooLarge, 0.0};
    return {NumberStatus::Ok, negative ? -magnitude : magnitude};
}

}  // namespace kelvara::tuning_text
