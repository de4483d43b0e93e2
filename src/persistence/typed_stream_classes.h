#pragma once
// The archived classes the typed-stream coder knows: their names, versions and superclass
// chains, as the platform's archiver writes them.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvara::typedstream {

struct ArchivedClass {
    std::string_view name;
    int32_t version;
};

// The version the archiver writes for a class, or nothing for a class the coder does not
// know.
std::optional<int32_t> class_version(std::string_view name);

// A class and its superclasses up to the root class, e.g. NSNumber, NSValue, NSObject.
std::vector<ArchivedClass> class_chain(std::string_view name);

inline constexpr std::string_view kNumberClass = "NSNumber";
inline constexpr std::string_view kArrayClass = "NSArray";
inline constexpr std::string_view kMutableArrayClass = "NSMutableArray";
inline constexpr std::string_view kDictionaryClass = "NSDictionary";
inline constexpr std::string_view kMutableDictionaryClass = "NSMutableDictionary";
inline constexpr std::string_view kStringClass = "NSString";
inline constexpr std::string_view kMutableStringClass = "NSMutableString";

// The numeric type codes a number object may hold.
constexpr bool is_number_type(char code) {
    return std::string_view("cCsSiIlLqQfd").find(code) != std::string_view::npos;
}

}  // namespace kelvara::typedstream
