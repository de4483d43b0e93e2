#pragma once
// BankToneShifts: how far each sounding tone of a bank's program has been moved since it
// started, kept by the renderer, which moves such a tone's voices by the difference. A bank
// voice's pitch is exact at its key (the exact-pitch loader's sample rate), and FluidSynth
// computes a voice's pitch in whole cents, so a voice can only be moved by whole cents. A tone
// asked to sound at a fraction of a cent is moved between the two whole cents around it from
// one 64-frame block to the next, the error carried over (first-order noise shaping): its
// phase then never strays more than half a cent for one block from the exact pitch's (2.4e-6
// radians per hertz: a thousandth of a radian for a partial at 440 Hz), so it sounds within
// 0.02 cent of where it was asked to over any tenth of a second, the dithering's sidebands
// some 65 dB under a partial at 440 Hz and 45 dB under one at 4.4 kHz. (The document timbre's
// voices are tuned below FluidSynth's whole cents and glide to a fraction of a cent directly:
// timbre_program.h.)
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
    // The frames between two dithering steps: FluidSynth's own block, at which a voice's new
    // pitch takes effect.
    static constexpr int kDitherFrames = 64;

    // A tone of a bank's program started, where it was asked to sound.
    void started(uint32_t id) noexcept KELVARA_NONBLOCKING;
    // The tone `id` is to sound `cents` from its start: the whole cents its voices are to be
    // moved by now, towards the nearest whole cent (0 when they are there); nothing for a tone
    // that is not a bank's (the document timbre's, or one already stopped).
    std::optional<int32_t> move(uint32_t id, float cents) noexcept KELVARA_NONBLOCKING;
    void stopped(uint32_t id) noexcept KELVARA_NONBLOCKING;

    // One dithering step, before each block of kDitherFrames: calls move_voices(id, step) for
    // each tone between whole cents whose voices are to move by `step` whole cents for the
    // block that follows. True when some tone is between whole cents (blocks must then be
    // kDitherFrames long for the pitch to come out right).
    template <typename MoveVoices>
    bool dither(MoveVoices&& move_voices) noexcept KELVARA_NONBLOCKING {
        if (fractional_tones_ == 0) return false;
        for (Entry& e : entries_)
            if (e.used && e.fractional)
                if (const int32_t step = next_step(e); step != 0) move_voices(e.id, step);
        return true;
    }

private:
    struct Entry {
        uint32_t id = 0;
        float target_cents = 0.0f;
        int32_t whole_cents = 0;  // what its voices are moved by now
        double carried = 0.0;     // the dithering's error so far, in cent-blocks
        uint64_t last_used = 0;
        bool used = false;
        bool fractional = false;
    };
    Entry* find(uint32_t id) noexcept KELVARA_NONBLOCKING;
    void release(Entry& e) noexcept KELVARA_NONBLOCKING;
    static int32_t next_step(Entry& e) noexcept KELVARA_NONBLOCKING;

    std::array<Entry, kCapacity> entries_{};
    uint64_t clock_ = 0;
    int fractional_tones_ = 0;
};

}  // namespace kelvara::sound
