#include "app/scale_selection.h"

#include <algorithm>
#include <cstdlib>

namespace kelvara {
namespace {

// The index of `value` in `list` nearest `near`, if it occurs.
std::optional<size_t> nearest_index_of(const std::vector<float>& list, float value, size_t near) {
    std::optional<size_t> best;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] != value) continue;
        const auto distance = [near](size_t j) { return j > near ? j - near : near - j; };
        if (!best || distance(i) < distance(*best)) best = i;
    }
    return best;
}

// The first value of `after` that `before` does not hold as often.
std::optional<size_t> new_value_index(const std::vector<float>& before,
                                      const std::vector<float>& after) {
    for (size_t i = 0; i < after.size(); ++i)
        if (std::count(after.begin(), after.end(), after[i]) >
            std::count(before.begin(), before.end(), after[i]))
            return i;
    return std::nullopt;
}

}  // namespace

std::optional<size_t> row_after_change(const std::vector<float>& before, std::optional<size_t> row,
                                       const std::vector<float>& after) {
    if (!row || *row >= before.size() || after.empty()) return std::nullopt;
    if (const auto kept = nearest_index_of(after, before[*row], *row)) return kept;
    if (after.size() == before.size())
        if (const auto edited = new_value_index(before, after)) return edited;
    return std::min(*row, after.size() - 1);
}

}  // namespace kelvara
