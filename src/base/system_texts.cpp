#include "base/system_texts.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kelvara {
namespace {

// Key -> text of the default (English) table. Keys are the texts as first written; an entry
// is needed only where the shown text differs from its key.
constexpr std::array<std::pair<std::string_view, std::string_view>, 0> kDefaultTable{};

}  // namespace

std::string_view localized_string(std::string_view key) {
    const auto entry = std::find_if(kDefaultTable.begin(), kDefaultTable.end(),
                                    [key](const auto& e) { return e.first == key; });
    return entry == kDefaultTable.end() ? key : entry->second;
}

std::string ErrorStrings::text_for(std::string_view key) const {
    const auto found = texts_.find(key);
    if (found == texts_.end() || found->second.empty()) return std::string(key);
    return found->second;
}

}  // namespace kelvara
