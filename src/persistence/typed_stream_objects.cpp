// Building and comparing the objects of an archive.
#include <algorithm>

#include "persistence/typed_stream.h"

namespace kelvara::typedstream {

ObjectPtr make_number(Number number) {
    auto object = std::make_shared<Object>();
    object->content = number;
    return object;
}

ObjectPtr make_int(int32_t value) {
    return make_number({'i', int64_t{value}});
}
ObjectPtr make_float(float value) {
    return make_number({'f', double{value}});
}
// A boolean is a number made from the one-byte flag.
ObjectPtr make_bool(bool value) {
    return make_number({'c', int64_t{value ? 1 : 0}});
}

ObjectPtr make_array(std::vector<ObjectPtr> elements, bool is_mutable) {
    auto object = std::make_shared<Object>();
    object->content = Array{is_mutable, std::move(elements)};
    return object;
}

ObjectPtr make_dictionary(std::vector<std::pair<ObjectPtr, ObjectPtr>> entries, bool is_mutable) {
    auto object = std::make_shared<Object>();
    object->content = Dictionary{is_mutable, std::move(entries)};
    return object;
}

ObjectPtr make_string(std::string text, bool is_mutable) {
    auto object = std::make_shared<Object>();
    object->content = String{is_mutable, std::move(text)};
    return object;
}

namespace {

bool same_pointee(const ObjectPtr& a, const ObjectPtr& b) {
    if (!a || !b) return a == b;
    return same_content(*a, *b);
}

bool same(const Number& a, const Number& b) {
    // Two NaN reals count as the same content.
    const auto* ra = std::get_if<double>(&a.value);
    const auto* rb = std::get_if<double>(&b.value);
    if (a.objc_type == b.objc_type && ra && rb && *ra != *ra && *rb != *rb) return true;
    return a == b;
}
bool same(const String& a, const String& b) {
    return a == b;
}
bool same(const Array& a, const Array& b) {
    return a.is_mutable == b.is_mutable &&
           std::equal(a.elements.begin(), a.elements.end(), b.elements.begin(), b.elements.end(),
                      same_pointee);
}
bool same(const Dictionary& a, const Dictionary& b) {
    return a.is_mutable == b.is_mutable &&
           std::equal(a.entries.begin(), a.entries.end(), b.entries.begin(), b.entries.end(),
                      [](const auto& x, const auto& y) {
                          return same_pointee(x.first, y.first) && same_pointee(x.second, y.second);
                      });
}

}  // namespace

bool same_content(const Object& a, const Object& b) {
    if (a.content.index() != b.content.index()) return false;
    return std::visit(
        [&b](const auto& left) {
            using T = std::decay_t<decltype(left)>;
            return same(left, std::get<T>(b.content));
        },
        a.content);
}

}  // namespace kelvara::typedstream
