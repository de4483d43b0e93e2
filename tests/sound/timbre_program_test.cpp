// The "Document timbre" program through the real FluidSynth, rendered offline: each tone
// sounds exactly the partials it is given (frequencies, and amplitudes relative to each
// other), harmonic or not, whatever the selected program; partials above 0.4 × the sample
// rate are left out; voices that run out are counted; a glide moves one tone only.
#include "sound/timbre_program.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sound/partial_check.h"
#include "sound/peak_estimator.h"
#include "sound/sound_fixtures.h"

namespace kelvara::testing {
namespace {

constexpr double kRate = 48000.0;

class TimbreProgramTest : public SineBankTest {
protected:
    // The spectrum's signal: `seconds` after 0.3 s of attack.
    std::vector<float> sustain(double seconds) {
        render_seconds(controller_, 0.3);
        return render_seconds(controller_, seconds).left;
    }
};

TEST_F(TimbreProgramTest, EachToneSoundsExactlyItsPartials) {
    const struct {
        const char* name;
        float fundamental_hz;
        std::vector<TonePartial> partials;
        bool through_selection;  // selected as the program, or started as the audition does
    } cases[] = {
        {"inharmonic",
         220.0f,
         {{1.0, 1.0}, {2.76, 0.5}, {5.404, 0.25}, {8.933, 0.6}, {13.34, 0.1}},
         true},
        // The last two lie above 0.4 × the rate: they are left out, the rest is as asked.
        {"near the top",
         1000.0f,
         {{1.0, 1.0}, {9.1, 0.5}, {18.0, 0.3}, {19.5, 1.0}, {23.0, 1.0}},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controller_.set_document_timbre(c.partials);
        std::vector<int32_t> ids;
        if (c.through_selection) {
            controller_.select_document_timbre();
            ids = controller_.notes_on({c.fundamental_hz}, 100.0f);
        } else {
            controller_.select_instrument(1);  // the audition ignores the selected program
            ids = controller_.timbre_notes_on({c.fundamental_hz}, 100.0f);
        }
        ASSERT_NE(ids.at(0), SynthController::kNoNote);
        const std::vector<float> signal = sustain(1.0);
        // The chord map's pitch for a selected program; the exact one for the audition.
        const double fundamental_hz =
            c.through_selection ? sounding_hz(c.fundamental_hz) : c.fundamental_hz;
        expect_partials(signal, kRate, fundamental_hz, c.partials, 0.4 * kRate);
        const Spectrum spectrum(signal, kRate);
        for (const TonePartial& p : c.partials) {
            if (c.fundamental_hz * p.ratio >= 0.4 * kRate) {
                EXPECT_LT(spectrum.amplitude_at(c.fundamental_hz * p.ratio), 1e-5) << p.ratio;
            }
        }
        controller_.notes_off(ids);
        render_seconds(controller_, 0.3);
        EXPECT_LT(Spectrum(render_seconds(controller_, 0.2).left, kRate)
                      .amplitude_at(fundamental_hz * c.partials[0].ratio),
                  1e-5);
    }
    EXPECT_EQ(controller_.partials_without_voice(), 0u);
}

// The program is none of the bank's: the bank's list and its indexes stay as they were, and
// selecting a bank program plays the bank again.
TEST_F(TimbreProgramTest, ItIsSelectedBesideTheBanksOwnList) {
    const auto programs = controller_.programs();
    controller_.select_document_timbre();
    EXPECT_TRUE(controller_.document_timbre_selected());
    EXPECT_EQ(controller_.programs(), programs);
    EXPECT_FALSE(controller_.selected_instrument().has_value());
    controller_.select_instrument(1);  // "Octave": the key's second harmonic only
    EXPECT_FALSE(controller_.document_timbre_selected());
    controller_.set_document_timbre({{1.0, 1.0}});
    controller_.notes_on({300.0f}, 100.0f);
    const Spectrum spectrum(sustain(0.5), kRate);
    EXPECT_LT(spectrum.amplitude_at(sounding_hz(300.0f)),
              1e-3 * spectrum.amplitude_at(2.0 * sounding_hz(300.0f)));
}

// 9 tones of 120 partials want 1080 voices of the 1024 there are: the last tone sounds its 64
// loudest partials, its fundamental among them, and the quietest 56 are counted as not played.
TEST_F(TimbreProgramTest, PartialsWithoutAVoiceAreCountedAndAreTheQuietest) {
    std::vector<TonePartial> partials;
    for (int k = 1; k <= 120; ++k) partials.push_back({double(k), 1.0 / k});
    controller_.set_document_timbre(partials);
    controller_.select_document_timbre();
    controller_.notes_on({30.0f, 40.0f, 50.0f, 60.0f, 70.0f, 80.0f, 90.0f, 100.0f, 75.0f}, 90);
    const Spectrum spectrum(sustain(0.5), kRate);
    EXPECT_EQ(controller_.partials_without_voice(), 56u);
    EXPECT_GT(spectrum.amplitude_at(sounding_hz(75.0f)),
              0.5 * spectrum.amplitude_at(sounding_hz(30.0f)));
}

// Partials that change between a tone's queueing and its start have no sample made at their
// rate: they still sound, to the nearest cent.
TEST_F(TimbreProgramTest, PartialsChangedAfterTheToneWasQueuedStillSound) {
    controller_.set_document_timbre({{1.0, 1.0}});
    controller_.timbre_notes_on({200.0f}, 100.0f);
    controller_.set_document_timbre({{1.0, 1.0}, {2.51, 0.5}});
    const Spectrum spectrum(sustain(1.0), kRate);
    EXPECT_GT(spectrum.amplitude_at(502.0), 0.002);
    EXPECT_NEAR(cents_between(spectrum.peak_frequency(502.0, 10.0), 502.0), 0.0, 1.0);
    EXPECT_EQ(controller_.voices_to_nearest_cent(), 1u);
}

// The audition's tones start at exactly the frequency asked for; a glide moves every partial of
// one tone exactly to the new pitch, a fraction of a cent included, and leaves the other tone
// where it is.
TEST_F(TimbreProgramTest, AGlideMovesOneToneOnly) {
    controller_.set_document_timbre({{1.0, 1.0}, {3.0, 0.5}});
    const auto ids = controller_.timbre_notes_on({200.0f, 300.0f}, 100.0f);
    render_seconds(controller_, 0.1);
    const float glided_hz = 300.0f * std::exp2(386.3f / 1200.0f);
    controller_.glide_note(ids[1], 300.0f, glided_hz);
    const Spectrum spectrum(sustain(1.0), kRate);
    for (const double hz : {200.0, 600.0})
        EXPECT_NEAR(cents_between(spectrum.peak_frequency(hz, 3.0), hz), 0.0, 0.05) << hz;
    for (const double hz : {double(glided_hz), 3.0 * glided_hz})
        EXPECT_NEAR(cents_between(spectrum.peak_frequency(hz, 3.0), hz), 0.0, 0.05) << hz;
    EXPECT_LT(spectrum.amplitude_at(300.0), 1e-4);
}

}  // namespace
}  // namespace kelvara::testing
