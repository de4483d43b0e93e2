// Decoding a typed-stream archive. Every byte is taken through take_byte()/take_bytes(), which
// check what remains; every count and length is compared with what remains before anything is
// read for it, and containers grow only as their elements are actually decoded.
#include <bit>
#include <cstring>
#include <optional>

#include "persistence/typed_stream.h"
#include "persistence/typed_stream_classes.h"
#include "persistence/typed_stream_format.h"

namespace kelvara::typedstream {

ArchiveError::ArchiveError(const std::string& message, size_t offset)
    : std::runtime_error("archive byte " + std::to_string(offset) + ": " + message),
      offset_(offset) {}

namespace {

using namespace format;

// The smallest encodings: an array element is at least a group type and an object reference
// (one byte each); a dictionary entry is two of those.
constexpr size_t kMinBytesPerElement = 2;
constexpr size_t kMinBytesPerEntry = 4;

// An entry of the object table: objects (including the root), classes and C strings share
// one numbering.
struct Label {
    enum class Kind { Object, Class, CString } kind;
    std::string_view text;  // class name or C-string text (a view into the archive)
    ObjectPtr object;       // null while the object is still being decoded
};

class Decoder {
public:
    explicit Decoder(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    ObjectPtr decode_archive() {
        read_header();
        expect_group("@");
        ObjectPtr root = read_object(0);
        if (!root) fail("the root object is nil");
        if (pos_ != bytes_.size()) fail("data after the root object");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& message) const { throw ArchiveError(message, pos_); }

    size_t remaining() const { return bytes_.size() - pos_; }

    uint8_t take_byte() {
        if (pos_ >= bytes_.size()) fail("the archive ends early");
        return bytes_[pos_++];
    }

    std::span<const uint8_t> take_bytes(uint64_t count) {
        if (count > remaining()) fail("a length is larger than the data that remains");
        const auto run = bytes_.subspan(pos_, static_cast<size_t>(count));
        pos_ += static_cast<size_t>(count);
        return run;
    }

    // An unsigned integer of `size` bytes in the stream's byte order.
    uint64_t take_ordered(size_t size) {
        const auto run = take_bytes(size);
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i) {
            const size_t at = big_endian_ ? i : size - 1 - i;
            value = (value << 8) | run[at];
        }
        return value;
    }

    int64_t read_int_after(uint8_t head) {
        switch (head) {
            case kInt16Tag: return static_cast<int16_t>(take_ordered(2));
            case kInt32Tag: return static_cast<int32_t>(take_ordered(4));
            case kInt64Tag: return static_cast<int64_t>(take_ordered(8));
            default: return static_cast<int8_t>(head);
        }
    }
    int64_t read_int() { return read_int_after(take_byte()); }

    // A length or count: not negative and not more than `limit`.
    uint64_t read_count(uint64_t limit, const char* what) {
        const int64_t value = read_int();
        if (value < 0) fail(std::string("negative ") + what);
        if (static_cast<uint64_t>(value) > limit)
            fail(std::string(what) + " is larger than the data that remains");
        return static_cast<uint64_t>(value);
    }

    size_t reference_index(uint8_t head, size_t table_size, const char* table) {
        // Unsigned arithmetic: -110 maps to index 0, and a huge value stays out of range.
        const uint64_t index =
            static_cast<uint64_t>(read_int_after(head)) - static_cast<uint64_t>(kReferenceBase);
        if (index >= table_size) fail(std::string("reference to a missing ") + table);
        return static_cast<size_t>(index);
    }

    void read_header() {
        if (take_byte() != kStreamerVersion) fail("not a typed stream of version 4");
        if (take_byte() != kLittleEndianSignature.size()) fail("no typed-stream signature");
        const auto signature = take_bytes(kLittleEndianSignature.size());
        const std::string_view text(reinterpret_cast<const char*>(signature.data()),
                                    signature.size());
        if (text == kBigEndianSignature) {
            big_endian_ = true;
        } else if (text != kLittleEndianSignature) {
            fail("no typed-stream signature");
        }
        read_int();  // the writer's system version: any is accepted
    }

    // A shared string: new, a reference to an earlier one, or nil (nothing). Strings are
    // views into the archive, so a string referred to many times is never copied.
    std::optional<std::string_view> read_shared_string() {
        const uint8_t head = take_byte();
        if (head == kNilTag) return std::nullopt;
        if (head == kNewTag) {
            const auto run = take_bytes(read_count(remaining(), "string length"));
            strings_.emplace_back(reinterpret_cast<const char*>(run.data()), run.size());
            return strings_.back();
        }
        return strings_[reference_index(head, strings_.size(), "shared string")];
    }

    void expect_group(std::string_view type) {
        const auto found = read_shared_string();
        if (!found || *found != type) fail("expected a value of type '" + std::string(type) + "'");
    }

    std::string_view read_c_string() {
        const uint8_t head = take_byte();
        if (head == kNilTag) fail("a nil C string");
        if (head == kNewTag) {
            const size_t label = labels_.size();
            labels_.push_back({Label::Kind::CString, {}, nullptr});
            const auto text = read_shared_string();
            if (!text) fail("a C string without text");
            labels_[label].text = *text;
            return *text;
        }
        const Label& label = labels_[reference_index(head, labels_.size(), "object")];
        if (label.kind != Label::Kind::CString) fail("reference to something not a C string");
        return label.text;
    }

    // The class chain of a new object; returns the object's own class name.
    std::string_view read_class_chain() {
        std::optional<std::string_view> own_class;
        for (;;) {
            const uint8_t head = take_byte();
            if (head == kNilTag) break;
            if (head != kNewTag) {
                const Label& label = labels_[reference_index(head, labels_.size(), "class")];
                if (label.kind != Label::Kind::Class) fail("reference to something not a class");
                if (!own_class) own_class = label.text;
                break;  // a known class implies the rest of its chain
            }
            const size_t label = labels_.size();
            labels_.push_back({Label::Kind::Class, {}, nullptr});
            const auto name = read_shared_string();
            if (!name) fail("a class without a name");
            const auto expected_version = class_version(*name);
            if (!expected_version) fail("unsupported class " + std::string(*name));
            if (read_int() != *expected_version)
                fail("unsupported version of class " + std::string(*name));
            labels_[label].text = *name;
            if (!own_class) own_class = *name;
        }
        if (!own_class) fail("an object without a class");
        return *own_class;
    }

    ObjectPtr read_object(int depth) {
        const uint8_t head = take_byte();
        if (head == kNilTag) return nullptr;
        if (head != kNewTag) {
            const Label& label = labels_[reference_index(head, labels_.size(), "object")];
            if (label.kind != Label::Kind::Object) fail("reference to something not an object");
            if (!label.object) fail("reference to an object that contains it");
            return label.object;
        }
        if (depth >= kMaxObjectNesting) fail("objects nested too deeply");
        const size_t label = labels_.size();
        labels_.push_back({Label::Kind::Object, {}, nullptr});
        const std::string_view class_name = read_class_chain();
        auto object = std::make_shared<Object>();
        object->content = read_body(class_name, depth);
        if (take_byte() != kEndTag) fail("expected the end of an object");
        labels_[label].object = object;
        return object;
    }

    decltype(Object::content) read_body(std::string_view class_name, int depth) {
        if (class_name == kNumberClass) return read_number();
        if (class_name == kArrayClass || class_name == kMutableArrayClass)
            return read_array(class_name == kMutableArrayClass, depth);
        if (class_name == kDictionaryClass || class_name == kMutableDictionaryClass)
            return read_dictionary(class_name == kMutableDictionaryClass, depth);
        if (class_name == kStringClass || class_name == kMutableStringClass)
            return read_string(class_name == kMutableStringClass);
        fail("cannot decode an object of class " + std::string(class_name));
    }

    Number read_number() {
        expect_group("*");
        const std::string_view type = read_c_string();
        if (type.size() != 1 || !is_number_type(type[0])) fail("unsupported number type");
        expect_group(type);
        return {type[0], read_number_value(type[0])};
    }

    std::variant<int64_t, double> read_number_value(char type) {
        switch (type) {
            case 'c': return int64_t{static_cast<int8_t>(take_byte())};
            case 'C': return int64_t{take_byte()};
            case 'S': return int64_t{static_cast<uint16_t>(read_int())};
            case 'I':
            case 'L': return int64_t{static_cast<uint32_t>(read_int())};
            case 'f': {
                const uint8_t head = take_byte();
                if (head == kRealTag)
                    return double{std::bit_cast<float>(static_cast<uint32_t>(take_ordered(4)))};
                return double{static_cast<float>(read_int_after(head))};
            }
            case 'd': {
                const uint8_t head = take_byte();
                if (head == kRealTag) return std::bit_cast<double>(take_ordered(8));
                return static_cast<double>(read_int_after(head));
            }
            default: return read_int();  // s i l q Q
        }
    }

    Array read_array(bool is_mutable, int depth) {
        expect_group("i");
        const uint64_t count = read_count(remaining() / kMinBytesPerElement, "array count");
        Array array{is_mutable, {}};
        for (uint64_t i = 0; i < count; ++i) array.elements.push_back(read_element(depth));
        return array;
    }

    Dictionary read_dictionary(bool is_mutable, int depth) {
        expect_group("i");
        const uint64_t count = read_count(remaining() / kMinBytesPerEntry, "dictionary count");
        Dictionary dictionary{is_mutable, {}};
        for (uint64_t i = 0; i < count; ++i) {
            ObjectPtr key = read_element(depth);
            ObjectPtr value = read_element(depth);
            dictionary.entries.emplace_back(std::move(key), std::move(value));
        }
        return dictionary;
    }

    ObjectPtr read_element(int depth) {
        expect_group("@");
        ObjectPtr element = read_object(depth + 1);
        if (!element) fail("a nil element");
        return element;
    }

    String read_string(bool is_mutable) {
        expect_group("+");
        const auto run = take_bytes(read_count(remaining(), "string length"));
        return {is_mutable, std::string(run.begin(), run.end())};
    }

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    bool big_endian_ = false;
    std::vector<std::string_view> strings_;
    std::vector<Label> labels_;
};

}  // namespace

ObjectPtr decode(std::span<const uint8_t> archive) {
    return Decoder(archive).decode_archive();
}

}  // namespace kelvara::typedstream
