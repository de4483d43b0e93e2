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

void BankToneShifts::release(Entry& e) noexcept KELVARA_NONBLOCKING {
    if (e.used && e.fractional) --fractional_tones_;
    e = Entry{};
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
    release(*place);
    place->id = id;
    place->last_used = ++clock_;
    place->used = true;
}

std::optional<int32_t> BankToneShifts::move(uint32_t id, float cents) noexcept KELVARA_NONBLOCKING {
    Entry* e = find(id);
    if (e == nullptr || !std::isfinite(cents)) return std::nullopt;
    e->last_used = ++clock_;
    e->target_cents = std::clamp(cents, -kMaxShiftCents, kMaxShiftCents);
    const bool fractional = e->target_cents != std::round(e->target_cents);
    fractional_tones_ += int(fractional) - int(e->fractional);
    e->fractional = fractional;
    e->carried = 0.0;
    const auto nearest = static_cast<int32_t>(std::lround(e->target_cents));
    const int32_t step = nearest - e->whole_cents;
    e->whole_cents = nearest;
    return step;
}

void BankToneShifts::stopped(uint32_t id) noexcept KELVARA_NONBLOCKING {
    if (Entry* e = find(id)) release(*e);
}

// The whole cent nearest to where the tone is asked to be plus the error carried so far: the
// whole cents played, block by block, add up to the fractional cents asked for within one.
int32_t BankToneShifts::next_step(Entry& e) noexcept KELVARA_NONBLOCKING {
    const double wanted = double(e.target_cents) + e.carried;
    const auto whole = static_cast<int32_t>(std::lround(wanted));
    e.carried = wanted - double(whole);
    const int32_t step = whole - e.whole_cents;
    e.whole_cents = whole;
    return step;
}

}  // namespace kelvara::sound
