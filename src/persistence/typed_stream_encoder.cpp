// Encoding a typed-stream archive as the platform's non-keyed archiver writes it: header,
// the "@" group, then the root object with its class chain and contents. Shared strings, C
// strings and classes are written once and referred to afterwards; an object that appears a
// second time (the same ObjectPtr) is written as a reference.
#include <bit>
#include <cmath>
#include <map>

#include "persistence/typed_stream.h"
#include "persistence/typed_stream_classes.h"
#include "persistence/typed_stream_format.h"

namespace kelvara::typedstream {
namespace {

using namespace format;

class Encoder {
public:
    std::vector<uint8_t> encode_archive(const ObjectPtr& root) {
        out_.push_back(kStreamerVersion);
        put_int(static_cast<int64_t>(kLittleEndianSignature.size()));
        put_bytes(kLittleEndianSignature);
        put_int(kSystemVersion);
        put_shared_string("@");
        put_object(root);
        return std::move(out_);
    }

private:
    void put_bytes(std::string_view bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

    void put_little_endian(uint64_t value, size_t size) {
        for (size_t i = 0; i < size; ++i) out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }

    // The smallest of the four integer forms that holds the value.
    void put_int(int64_t value) {
        if (value >= kSmallestOneByteInt && value <= kLargestOneByteInt) {
            out_.push_back(static_cast<uint8_t>(value));
        } else if (value >= -kLargestInt16 && value <= kLargestInt16) {
            out_.push_back(kInt16Tag);
            put_little_endian(static_cast<uint64_t>(value), 2);
        } else if (value >= INT32_MIN && value <= INT32_MAX) {
            out_.push_back(kInt32Tag);
            put_little_endian(static_cast<uint64_t>(value), 4);
        } else {
            out_.push_back(kInt64Tag);
            put_little_endian(static_cast<uint64_t>(value), 8);
        }
    }

    void put_reference(int64_t index) { put_int(index + kReferenceBase); }

    // The integer a real is written as when it is integral: its value truncated to 32 bits
    // through a float (0 when that would not fit or for NaN).
    static int32_t integral_candidate(float x) {
        if (std::isnan(x) || x >= 2147483646.0f || x < -2147483646.0f) return 0;
        return static_cast<int32_t>(x);
    }

    void put_float(float x) {
        const int32_t candidate = integral_candidate(x);
        if (static_cast<float>(candidate) == x) return put_int(candidate);
        out_.push_back(kRealTag);
        put_little_endian(std::bit_cast<uint32_t>(x), 4);
    }

    void put_double(double x) {
        // Doubles are tested through a float: an integral double that a float cannot hold
        // exactly is written as a real.
        const int32_t candidate = integral_candidate(narrow_to_float(x));
        if (static_cast<double>(candidate) == x) return put_int(candidate);
        out_.push_back(kRealTag);
        put_little_endian(std::bit_cast<uint64_t>(x), 8);
    }

    void put_shared_string(std::string_view text) {
        const auto found = strings_.find(text);
        if (found != strings_.end()) return put_reference(found->second);
        out_.push_back(kNewTag);
        put_int(static_cast<int64_t>(text.size()));
        put_bytes(text);
        strings_.emplace(std::string(text), static_cast<int64_t>(strings_.size()));
    }

    void put_c_string(std::string_view text) {
        const auto found = c_string_labels_.find(text);
        if (found != c_string_labels_.end()) return put_reference(found->second);
        out_.push_back(kNewTag);
        c_string_labels_.emplace(std::string(text), next_label_++);
        put_shared_string(text);
    }

    void put_class_chain(std::string_view class_name) {
        for (const ArchivedClass& archived : class_chain(class_name)) {
            const auto found = class_labels_.find(archived.name);
            if (found != class_labels_.end()) return put_reference(found->second);
            out_.push_back(kNewTag);
            class_labels_.emplace(std::string(archived.name), next_label_++);
            put_shared_string(archived.name);
            put_int(archived.version);
        }
        out_.push_back(kNilTag);
    }

    void put_object(const ObjectPtr& object) {
        if (!object) {
            out_.push_back(kNilTag);
            return;
        }
        const auto found = object_labels_.find(object.get());
        if (found != object_labels_.end()) return put_reference(found->second);
        out_.push_back(kNewTag);
        object_labels_.emplace(object.get(), next_label_++);
        std::visit([this](const auto& content) { put_contents(content); }, object->content);
        out_.push_back(kEndTag);
    }

    void put_contents(const Number& number) {
        put_class_chain(kNumberClass);
        const std::string_view type(&number.objc_type, 1);
        put_shared_string("*");
        put_c_string(type);
        put_shared_string(type);
        switch (number.objc_type) {
            case 'c':
            case 'C': out_.push_back(static_cast<uint8_t>(integer_value(number))); break;
            case 'f': put_float(narrow_to_float(real_value(number))); break;
            case 'd': put_double(real_value(number)); break;
            default: put_int(integer_value(number)); break;
        }
    }

    // A number written with a type other than the kind of value it holds is converted;
    // out-of-range values saturate instead of overflowing.
    static int64_t integer_value(const Number& number) {
        if (const auto* integer = std::get_if<int64_t>(&number.value)) return *integer;
        const double real = std::get<double>(number.value);
        if (std::isnan(real)) return 0;
        if (real >= 9223372036854775807.0) return INT64_MAX;
        if (real <= -9223372036854775808.0) return INT64_MIN;
        return static_cast<int64_t>(real);
    }
    static double real_value(const Number& number) {
        if (const auto* real = std::get_if<double>(&number.value)) return *real;
        return static_cast<double>(std::get<int64_t>(number.value));
    }

    void put_contents(const String& string) {
        put_class_chain(string.is_mutable ? kMutableStringClass : kStringClass);
        put_shared_string("+");
        put_int(static_cast<int64_t>(string.text.size()));
        put_bytes(string.text);
    }

    void put_contents(const Array& array) {
        put_class_chain(array.is_mutable ? kMutableArrayClass : kArrayClass);
        put_shared_string("i");
        put_int(static_cast<int64_t>(array.elements.size()));
        for (const ObjectPtr& element : array.elements) {
            put_shared_string("@");
            put_object(element);
        }
    }

    void put_contents(const Dictionary& dictionary) {
        put_class_chain(dictionary.is_mutable ? kMutableDictionaryClass : kDictionaryClass);
        put_shared_string("i");
        put_int(static_cast<int64_t>(dictionary.entries.size()));
        for (const auto& [key, value] : dictionary.entries) {
            put_shared_string("@");
            put_object(key);
            put_shared_string("@");
            put_object(value);
        }
    }

    std::vector<uint8_t> out_;
    std::map<std::string, int64_t, std::less<>> strings_;
    // Objects, classes and C strings share one numbering of labels.
    std::map<std::string, int64_t, std::less<>> class_labels_;
    std::map<std::string, int64_t, std::less<>> c_string_labels_;
    std::map<const Object*, int64_t> object_labels_;
    int64_t next_label_ = 0;
};

}  // namespace

std::vector<uint8_t> encode(const ObjectPtr& root) {
    return Encoder().encode_archive(root);
}

}  // namespace kelvara::typedstream
