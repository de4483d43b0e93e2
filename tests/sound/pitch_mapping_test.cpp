// Frequency to fractional MIDI pitch: the whole note below a frequency (floored), and the
// fraction, linear in hertz between that note and the next.
#include "sound/pitch_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvara::sound {
namespace {

TEST(PitchMapping, TheWholeNoteIsFlooredAndTheFractionIsLinearInHertz) {
    const struct {
        float hz, note, pitch;
    } cases[] = {
        {440.0f, 69.0f, 69.0f},    {439.9f, 68.0f, 68.996f}, {452.893f, 69.0f, 69.4928f},
        {550.0f, 72.0f, 72.8597f},  // the logarithmic pitch would be 72.8631
        {660.0f, 76.0f, 76.0190f}, {273.9f, 60.0f, 60.789f}, {329.56f, 63.0f, 63.996f},
    };
    for (const auto& c : cases) {
        float fraction = -1.0f;
        EXPECT_EQ(midi_note_for_frequency(c.hz, &fraction), c.note) << c.hz;
        EXPECT_NEAR(frac_midi_note_for_frequency(c.hz), c.note + fraction, 1e-5) << c.hz;
        EXPECT_NEAR(*playable_pitch_for_frequency(c.hz), c.pitch, 1e-3) << c.hz;  // what plays
    }
    // Nothing is clamped here; the synthesizer clamps the key.
    EXPECT_LT(frac_midi_note_for_frequency(4.0f), 0.0f);
    EXPECT_GT(frac_midi_note_for_frequency(20000.0f), 127.0f);
    EXPECT_TRUE(playable_pitch_for_frequency(std::numeric_limits<float>::max()).has_value());
    EXPECT_TRUE(playable_pitch_for_frequency(1e-3f).has_value());
    // Only playable frequencies reach the synthesizer.
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    for (float bad : {0.0f, -1.0f, std::nanf(""), kInfinity, -kInfinity})
        EXPECT_FALSE(playable_pitch_for_frequency(bad).has_value()) << bad;
}

}  // namespace
}  // namespace kelvara::sound
