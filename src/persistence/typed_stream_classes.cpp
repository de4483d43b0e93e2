#include "persistence/typed_stream_classes.h"

#include <array>

namespace kelvara::typedstream {
namespace {

struct ClassEntry {
    std::string_view name;
    int32_t version;
    std::string_view superclass;  // empty for the root class
};

constexpr std::array kClasses{
    ClassEntry{"NSObject", 0, ""},
    ClassEntry{"NSValue", 0, "NSObject"},
    ClassEntry{kNumberClass, 0, "NSValue"},
    ClassEntry{kArrayClass, 0, "NSObject"},
    ClassEntry{kMutableArrayClass, 0, kArrayClass},
    ClassEntry{kDictionaryClass, 0, "NSObject"},
    ClassEntry{kMutableDictionaryClass, 0, kDictionaryClass},
    ClassEntry{kStringClass, 1, "NSObject"},
    ClassEntry{kMutableStringClass, 1, kStringClass},
};

const ClassEntry* find_class(std::string_view name) {
    for (const auto& entry : kClasses)
        if (entry.name == name) return &entry;
    return nullptr;
}

}  // namespace

std::optional<int32_t> class_version(std::string_view name) {
    const ClassEntry* entry = find_class(name);
    if (!entry) return std::nullopt;
    return entry->version;
}

std::vector<ArchivedClass> class_chain(std::string_view name) {
    std::vector<ArchivedClass> chain;
    for (const ClassEntry* entry = find_class(name); entry; entry = find_class(entry->superclass))
        chain.push_back({entry->name, entry->version});
    return chain;
}

}  // namespace kelvara::typedstream
