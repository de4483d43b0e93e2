#pragma once
// Old-style (OpenStep) ASCII property lists: the container text of a document file.
//
//   { "Kelvara Document Version" = 2; "Kelvara Volume" = <040b7374 7265616d ...>; }
//
// Values are strings, data, arrays and dictionaries. The reader also takes the typed scalar
// forms <*I2>, <*R1.5>, <*BY>/<*BN> that some writers of this format use, so that a version
// stored as an integer number reads as one. The reader bounds its nesting depth, never reads
// past its input, and reports the first error with its byte offset, line and column.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace kelvara::plist {

struct Value;

using Data = std::vector<uint8_t>;
using Array = std::vector<Value>;
// Entries in the order of the text (a later duplicate key is kept too; lookups take the
// last one, as the platform's parser does).
using Dictionary = std::vector<std::pair<std::string, Value>>;

struct Integer {
    int64_t value = 0;
    friend bool operator==(const Integer&, const Integer&) = default;
};
struct Real {
    double value = 0.0;
    friend bool operator==(const Real&, const Real&) = default;
};
struct Boolean {
    bool value = false;
    friend bool operator==(const Boolean&, const Boolean&) = default;
};

struct Value {
    std::variant<std::string, Data, Array, Dictionary, Integer, Real, Boolean> content;

    Value() = default;
    template <typename T>
    requires(!std::same_as<std::remove_cvref_t<T>, Value>) Value(T&& v)
        : content(std::forward<T>(v)) {}

    template <typename T>
    const T* as() const {
        return std::get_if<T>(&content);
    }
    friend bool operator==(const Value&, const Value&) = default;
};

// The value stored under `key` (the last entry with that key), or null.
const Value* find(const Dictionary& dictionary, std::string_view key);

// Nesting deeper than this is refused: no document needs more than two levels, and the
// bound keeps a hostile file from exhausting the stack.
inline constexpr int kMaxNestingDepth = 64;

// Where and why the text is not a property list.
class SyntaxError : public std::runtime_error {
public:
    SyntaxError(const std::string& message, size_t offset, size_t line, size_t column);
    size_t offset() const { return offset_; }
    size_t line() const { return line_; }
    size_t column() const { return column_; }
    // What was wrong, without the place.
    const std::string& message() const { return message_; }

private:
    std::string message_;
    size_t offset_, line_, column_;
};

// Parses one value (any white space and comments around it). Throws SyntaxError.
Value parse(std::string_view text);

// The old-style text of a value: dictionaries with one entry per line indented by four
// blanks, data as hexadecimal digits in groups of eight, strings bare when they are made only
// of letters, digits and _$+/:.- and quoted (with escapes) otherwise. Typed scalars are
// written in their <*...> form.
std::string write(const Value& value);

}  // namespace kelvara::plist
