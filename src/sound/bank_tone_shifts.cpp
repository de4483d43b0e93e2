#include "sound/bank_tone_shifts.h"

#include <algorithm>
#include <cmath>

namespace kelvara::sound {
namespace {

// Ten octaves either way: beyond any glide, and within what lround can return.
constexpr float kMaxShiftCents = 12000.0f;

}  // namespace

BankToneShifts::Entry* BankToneShifts::find(uint32_t id) noexcept KELVARA_NONBLOCKING {
    for (Entry& e : entries_)
        if (e.used && e.id == id) return &e;
    return nullptr;
}

void BankToneShifts::started(uint32_t id) noexcept KELVARA_NONBLOCKING {
    Entry* place = find(id);
    if (place == nullptr) {
        // A free place, or the one moved longest ago.
        place = &*std::min_element(
            entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
                return (a.used ? a.last_used + 1 : 0) < (b.used ? b.last_used + 1 : 0);
            });
    }
    *place = Entry{id, 0, ++clock_, true};
}

std::optional<int32_t> BankToneShifts::move(uint32_t id, float cents) noexcept KELVARA_NONBLOCKING {
    Entry* e = find(id);
    if (e == nullptr || !std::isfinite(cents)) return std::nullopt;
    e->last_used = ++clock_;
    const auto target =
        static_cast<int32_t>(std::lround(std::clamp(cents, -kMaxShiftCents, kMaxShiftCents)));
    const int32_t step = target - e->whole_cents;
    e->whole_cents = target;
    return step;
}

void BankToneShifts::stopped(uint32_t id) noexcept KELVARA_NONBLOCKING {
    if (Entry* e = find(id)) *e = Entry{};
}

}  // namespace kelvara::sound
