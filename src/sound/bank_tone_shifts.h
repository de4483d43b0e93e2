#pragma once
// BankToneShifts: the whole cents each sounding tone of a bank's program has been moved by
// since it started, kept by the renderer, which moves such a tone's voices by the difference
// at every glide step. A bank voice's pitch is exact at its key (the exact-pitch loader's
// sample rate) and FluidSynth computes a voice's pitch in whole cents, so a bank tone glides in
// whole cents: each step lands within half a cent of where it is asked to, and a glide by
// whole cents stays exact. (The document timbre's voices are tuned below FluidSynth's whole
// cents and glide to a fraction of a cent: timbre_program.h.)
//
// Fixed capacity, no allocation: audio thread only. When full, a new tone takes the place of
// the one moved longest ago (a tone whose stop was lost keeps no place for ever).
#include <array>
#include <cstdint>
#include <optional>

#include "base/nonblocking.h"

namespace kelvara::sound {

class BankToneShifts {
public:
    static constexpr int kCapacity = 256;

    // A tone of a bank's program started, where it was asked to sound.
    void started(uint32_t id) noexcept KELVARA_NONBLOCKING;
    // The tone `id` is to sound `cents` from its start: the whole cents its voices are to be
    // moved by now (0 when the nearest whole cent is where they are); nothing for a tone that
    // is not a bank's (the document timbre's, or one already stopped).
    std::optional<int32_t> move(uint32_t id, float cents) noexcept KELVARA_NONBLOCKING;
    void stopped(uint32_t id) noexcept KELVARA_NONBLOCKING;

private:
    struct Entry {
        uint32_t id = 0;
        int32_t whole_cents = 0;
        uint64_t last_used = 0;
        bool used = false;
    };
    Entry* find(uint32_t id) noexcept KELVARA_NONBLOCKING;

    std::array<Entry, kCapacity> entries_{};
    uint64_t clock_ = 0;
};

}  // namespace kelvara::sound
