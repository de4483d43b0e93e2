#pragma once
// A small SoundFont 2 bank built in memory: looped single-cycle-exact tones made of harmonic
// partials. It is the bank of last resort (the program always sounds, even without a General
// MIDI bank on the system) and the reference bank of the pitch tests, because its loop holds
// a whole number of periods and so its pitch is known exactly.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvara::sound {

struct GeneratedPreset {
    std::string name;  // at most 20 bytes are stored
    int bank = 0;
    int program = 0;
    // Amplitude of harmonic k + 1 relative to the fundamental; {1.0} is a pure sine.
    std::vector<float> harmonics{1.0f};
};

// The sample of every preset is rooted at key 69 and loops 2205 frames at 44.1 kHz, which
// hold exactly 22 periods of 440 Hz.
inline constexpr int kGeneratedSampleRate = 44100;
inline constexpr int kGeneratedLoopFrames = 2205;
inline constexpr int kGeneratedLoopPeriods = 22;

// The presets of the built-in bank: a sine and a few harmonic timbres on bank 0.
std::vector<GeneratedPreset> builtin_presets();

// A complete SF2 file image. Harmonics at or above the Nyquist frequency of key 127 are left
// out only by the caller; the writer stores what it is given.
std::vector<uint8_t> build_sf2_bank(const std::string& bank_name,
                                    const std::vector<GeneratedPreset>& presets);

}  // namespace kelvara::sound
