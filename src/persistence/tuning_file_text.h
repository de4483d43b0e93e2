#pragma once
// The text layer shared by the scale (.scl) and keyboard-mapping (.kbm) readers: lines as
// musicians' files end them, comment lines, the first word of a line, numbers read the same
// way in every locale, and the one shape of their refusals. For the two readers only.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"

namespace kelvara::tuning_text {

enum class FileKind { Scale, KeyboardMapping };

// A refused tuning file: the description and reason name the kind of file, the detail says
// what was wrong, where.line the line it is on (from 1; none when about the file as a whole).
Error refusal(FileKind kind, std::string detail, int32_t line);

// Reads a tuning file from disk with `read` (text -> Result<T>): the operating system's error
// when the file cannot be read, a refusal for a file over kMaxFileBytes, and every refusal
// of its content naming the file.
template <typename T, typename Reader>
Result<T> read_file(const std::filesystem::path& path, FileKind kind, Reader read);

// The largest tuning file read: far above any real scale (a thousand pitches take 20 KiB),
// and it bounds the lines, words and numbers a reader can be made to look at.
inline constexpr size_t kMaxFileBytes = size_t{1} << 20;

struct Line {
    std::string_view text;  // without its line end
    int32_t number = 0;     // 1 for the first line
};

// The lines of a file, in order. Lines end at "\n", "\r\n" or a lone "\r"; a UTF-8 byte order
// mark before the first line is not part of it. Text past kMaxFileBytes is never looked at
// (the readers refuse such a file first).
class Lines {
public:
    explicit Lines(std::string_view bytes);

    // The next line whatever it holds; nothing after the last.
    std::optional<Line> next();
    // The next line that says something: not blank and not a comment (a line whose first
    // character other than a blank is '!'); nothing after the last.
    std::optional<Line> next_with_content();
    // The number a line after the last would have: where "the file ends before ..." points.
    int32_t end_line_number() const { return next_number_; }

private:
    std::string_view rest_;
    int32_t next_number_ = 1;
    bool ended_ = false;
};

bool is_blank(char c);
// The text with leading and trailing blanks (spaces, tabs and other white space) removed.
std::string_view trimmed(std::string_view text);
// The first word of a line: from its first non-blank character to the next blank.
std::string_view first_word(std::string_view text);
// A word as an error message quotes it: at most 32 characters, then "..."; a control byte
// (a NUL among them, which would end the message where it is printed) as \xNN.
std::string quoted(std::string_view word);

// Why the bytes cannot be text of a tuning file, if they cannot: UTF-16 (with or without its
// byte order mark), whose every other byte is NUL, is named as such, so that the refusal
// says to save the file as UTF-8 rather than quoting a number cut off at its first byte.
std::optional<std::string> encoding_fault(std::string_view bytes);

// A number read from a word, or why it is none.
enum class NumberStatus { Ok, NotANumber, TooLarge };

// A whole number of decimal digits with an optional leading '-' (no '+', no point): at most
// 18 digits, so that any such number fits 64 bits.
struct WholeNumber {
    NumberStatus status = NumberStatus::NotANumber;
    int64_t value = 0;
};
WholeNumber read_whole_number(std::string_view word);

// A decimal number: an optional sign when `signed_allowed`, digits, an optional point and
// fraction digits (at least one digit in all; "700.", ".5" and "-3.25" are numbers, "1e3",
// "inf" and "0x1p3" are not). Too large beyond 40 characters or magnitude `max_magnitude`.
struct DecimalNumber {
    NumberStatus status = NumberStatus::NotANumber;
    double value = 0.0;
};
DecimalNumber read_decimal_number(std::string_view word, bool signed_allowed, double max_magnitude);

// The whole file, or why not (read_file's first two refusals).
Result<std::string> file_text(const std::filesystem::path& path, FileKind kind);

template <typename T, typename Reader>
Result<T> read_file(const std::filesystem::path& path, FileKind kind, Reader read) {
    const Result<std::string> text = file_text(path, kind);
    if (!text) return text.error();
    Result<T> value = read(*text);
    if (value) return value;
    Error error = value.error();
    error.where.file = path.string();
    return error;
}

}  // namespace kelvara::tuning_text
