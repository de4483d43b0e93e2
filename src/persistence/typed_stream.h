#pragma once
// Non-keyed typed-stream archives: the data blobs of a document file, each the archive of one
// root object. The object kinds are those a document stores — numbers, arrays of numbers and
// dictionaries from numbers to arrays of numbers — plus strings, which archives written by
// other programs may hold.
//
// Objects are shared immutable values: an archive that refers back to an earlier object
// decodes to the same ObjectPtr, and encoding an object that appears twice writes a
// back-reference the second time, so an archive decodes and re-encodes byte for byte.
//
// The decoder takes both byte orders, shared-string and object back-references and every
// numeric type; it checks every count, length and reference against the input that remains
// and never sizes an allocation from a count. The encoder writes what the platform's archiver
// writes (little-endian, integral floats as integers).
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kelvara::typedstream {

struct Object;
using ObjectPtr = std::shared_ptr<const Object>;

// A number object. `objc_type` is the type code of the value it holds: c C s S i I l L q Q
// (integers; c and C are one raw byte, so a boolean is a 'c' of 0 or 1) or f d (reals).
struct Number {
    char objc_type = 'i';
    // Integers keep their value (Q values above INT64_MAX keep their bit pattern); reals keep
    // theirs widened to double ('f' values are exact floats).
    std::variant<int64_t, double> value = int64_t{0};

    bool is_real() const { return std::holds_alternative<double>(value); }
    friend bool operator==(const Number&, const Number&) = default;
};

struct String {
    bool is_mutable = false;
    std::string text;
    friend bool operator==(const String&, const String&) = default;
};

struct Array {
    bool is_mutable = true;
    std::vector<ObjectPtr> elements;
};

struct Dictionary {
    bool is_mutable = true;
    // Entries in archive order; keys are not checked for uniqueness here.
    std::vector<std::pair<ObjectPtr, ObjectPtr>> entries;
};

struct Object {
    std::variant<Number, String, Array, Dictionary> content;

    template <typename T>
    const T* as() const {
        return std::get_if<T>(&content);
    }
};

// A double rounded to the nearest float, with the overflow to infinity that IEEE rounding
// gives (a plain cast of an out-of-range double is undefined).
inline float narrow_to_float(double x) {
    constexpr double kRoundsToInfinity = 0x1.ffffffp+127;  // FLT_MAX plus half an ulp
    if (x >= kRoundsToInfinity) return std::numeric_limits<float>::infinity();
    if (x <= -kRoundsToInfinity) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

// Shorthands for building the objects of a document.
ObjectPtr make_int(int32_t value);
ObjectPtr make_float(float value);
ObjectPtr make_bool(bool value);
ObjectPtr make_number(Number number);
ObjectPtr make_array(std::vector<ObjectPtr> elements, bool is_mutable = true);
ObjectPtr make_dictionary(std::vector<std::pair<ObjectPtr, ObjectPtr>> entries,
                          bool is_mutable = true);
ObjectPtr make_string(std::string text, bool is_mutable = false);

// Deep equality of two object graphs (identity is not compared).
bool same_content(const Object& a, const Object& b);

// Why, and at which byte of the archive, decoding stopped.
class ArchiveError : public std::runtime_error {
public:
    ArchiveError(const std::string& message, size_t offset);
    size_t offset() const { return offset_; }

private:
    size_t offset_;
};

// Arrays and dictionaries nested deeper than this are refused (a document nests two levels).
inline constexpr int kMaxObjectNesting = 32;

// Decodes one complete archive: header, the root object, nothing after it. Throws
// ArchiveError.
ObjectPtr decode(std::span<const uint8_t> archive);

// The archive of `root`, as the platform's non-keyed archiver writes it.
std::vector<uint8_t> encode(const ObjectPtr& root);

}  // namespace kelvara::typedstream
