// The measurement of a timbre from recordings the tests make themselves, from partials known
// exactly: ratios within 0.1 % and amplitudes within 1 dB, with white noise 40 dB below the
// signal's RMS and all partials decaying together, from spaced microphones and far beyond full
// scale; which peak is called 1 (the harmonic base or the lowest strong peak: the picking table);
// where the proposed stretch lies; and every request the analysis refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/recording_analysis.h"
#include "engine/steady_stretch.h"
#include "engine/synthetic_recording.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;

// Partials at f0 × ratio with the given amplitudes, each with its own starting phase.
std::vector<SyntheticPartial> partials_at(double f0, const std::vector<double>& ratios,
                                          const std::vector<double>& amplitudes) {
    std::vector<SyntheticPartial> partials;
    for (size_t i = 0; i < ratios.size(); ++i)
        partials.push_back({f0 * ratios[i], amplitudes[i], 0.9 * static_cast<double>(i)});
    return partials;
}

// The modes of a free bar: six inharmonic partials from 0 to -50 dB.
SyntheticRecording bar(int32_t rate) {
    SyntheticRecording r;
    r.sample_rate_hz = rate;
    r.seconds = 3.0;
    r.partials = partials_at(220.0, {1.0, 2.7565, 5.4039, 8.9330, 13.3443, 18.6379},
                             {0.3, 0.1, 0.05, 0.02, 0.004, 0.001});
    return r;
}

SyntheticRecording noisy(SyntheticRecording r) {
    r.noise_below_rms_db = 40.0;
    return r;
}

SyntheticRecording decaying(SyntheticRecording r) {
    r.seconds = 4.0;
    r.decay_seconds = 1.2;  // 29 dB lower after 4 s
    return r;
}

struct AccuracyCase {
    std::string name;
    SyntheticRecording recording;
    double gain = 1.0;  // float files may hold samples far beyond full scale
};

std::vector<AccuracyCase> accuracy_cases() {
    // Two microphones 34 cm apart (1 ms): summing their samples would cancel 500 Hz.
    SyntheticRecording spaced;
    spaced.channels = 2;
    spaced.channel_delay_seconds = 0.001;
    spaced.partials = partials_at(500.0, {1.0, 2.0, 3.0, 4.3}, {0.2, 0.1, 0.05, 0.02});
    return {
        {"bar_decaying_noise_96k", noisy(decaying(bar(96000)))},
        {"spaced_stereo_microphones", spaced},
        {"far_beyond_full_scale", bar(48000), 1e36},
    };
}

class AnalysisAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(AnalysisAccuracy, ProposedStretchGivesTheKnownPartials) {
    const AccuracyCase& c = GetParam();
    SyntheticRecording recording = c.recording;
    for (auto& p : recording.partials) p.amplitude *= c.gain;
    const AudioChannels audio = synthesize_recording(recording);
    const auto proposal = propose_steady_stretch(audio);
    ASSERT_TRUE(proposal) << proposal.error().description;
    AnalysisSettings settings;
    settings.picking.max_partials = 64;
    const auto analysis = analyse_stretch(audio, proposal->stretch, settings);
    ASSERT_TRUE(analysis) << analysis.error().description;

    const PickedPartials& picked = analysis->picked;
    const auto errors = compare_with_known(picked, recording.partials, 0, 60.0);
    EXPECT_EQ(errors.missing, 0) << errors.report;
    EXPECT_EQ(errors.extra, 0) << errors.report;
    EXPECT_LE(errors.max_ratio_error, 0.001) << errors.report;
    EXPECT_LE(errors.max_amplitude_error_db, 1.0) << errors.report;
    const double f1 = recording.partials[0].frequency_hz;
    EXPECT_NEAR(picked.fundamental_hz(), f1, 1e-3 * f1);
}

INSTANTIATE_TEST_SUITE_P(SyntheticRecordings, AnalysisAccuracy,
                         ::testing::ValuesIn(accuracy_cases()),
                         [](const auto& info) { return info.param.name; });

TEST(SpectrumAnalysis, LevelsAreDecibelsRelativeToAFullScaleSine) {
    SyntheticRecording r;
    r.partials = {{1000.0, 0.5, 0.0}};
    const AudioChannels audio = synthesize_recording(r);
    const auto analysis = analyse_stretch(audio, {0, audio.frame_count()}, {});
    ASSERT_TRUE(analysis);
    ASSERT_EQ(analysis->peaks.size(), 1u);
    EXPECT_NEAR(analysis->peaks[0].level_db, 20.0 * std::log10(0.5), 0.05);
}

// Peaks at f0 × ratio with the given levels in dB.
std::vector<SpectralPeak> peaks_at(double f0, const std::vector<double>& ratios,
                                   const std::vector<double>& levels_db) {
    std::vector<SpectralPeak> peaks;
    for (size_t i = 0; i < ratios.size(); ++i)
        peaks.push_back({f0 * ratios[i], std::pow(10.0, levels_db[i] / 20.0), levels_db[i]});
    return peaks;
}

TEST(PartialPicking, ProposesTheHarmonicBaseOrElseTheLowestStrongPeak) {
    const struct {
        const char* name;
        std::vector<SpectralPeak> peaks;
        double expected_hz;
    } cases[] = {
        {"harmonic", peaks_at(200.0, {1, 2, 3, 4, 5}, {-6, 0, -8, -12, -15}), 200.0},
        {"missing_fundamental", peaks_at(100.0, {2, 3, 4, 5, 6}, {0, -2, -4, -6, -8}), 200.0},
        {"bar_struck_on_its_second_mode",
         peaks_at(300.0, {1, 2.7565, 5.4039, 8.933}, {-10, 0, -6, -12}), 300.0},
        {"rumble_40_dB_down", peaks_at(50.0, {1, 5, 10, 15}, {-45, 0, -6, -10}), 250.0},
    };
    for (const auto& c : cases) {
        const int32_t index = propose_fundamental(c.peaks);
        EXPECT_DOUBLE_EQ(c.peaks[static_cast<size_t>(index)].frequency_hz, c.expected_hz) << c.name;
    }
}

TEST(PartialPicking, KeepsTheStrongestWithinTheThresholdAndAnotherPeakMayBe1) {
    const auto peaks = peaks_at(100.0, {1, 2, 3, 4, 5, 6}, {-20, -26, -50, -32, -90, -38});
    PickingSettings settings;
    settings.threshold_db = 40.0;     // drops -90 dB
    settings.max_partials = 4;        // and -50 dB, the weakest of the five left
    settings.fundamental_hz = 190.0;  // nearest (in cents) to 200 Hz
    const auto picked = pick_partials(peaks, settings);
    ASSERT_TRUE(picked);
    const double ratios[] = {0.5, 1, 2, 3};
    const double dbs[] = {0, -6, -12, -18};
    ASSERT_EQ(picked->partials.size(), 4u);
    EXPECT_EQ(picked->fundamental_index, 1);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(picked->partials[i].ratio, ratios[i]);
        EXPECT_NEAR(picked->partials[i].amplitude_db, dbs[i], 1e-12);
        EXPECT_NEAR(timbre_partials(*picked)[i].amplitude, std::pow(10.0, dbs[i] / 20.0), 1e-12);
    }
}

// Adds `more` to channel 0 of `audio` from `from_seconds` on.
void mix_in(AudioChannels& audio, const AudioChannels& more, double from_seconds) {
    const auto from = static_cast<size_t>(from_seconds * audio.sample_rate_hz);
    auto& channel = audio.channels[0];
    for (size_t n = from; n < channel.size() && n - from < more.channels[0].size(); ++n)
        channel[n] += more.channels[0][n - from];
}

SyntheticRecording tone(double seconds) {
    SyntheticRecording r;
    r.seconds = seconds;
    r.partials = {{220.0, 0.3, 0.0}, {440.0, 0.1, 1.0}, {660.0, 0.05, 2.0}, {1210.0, 0.02, 0.5}};
    return r;
}

TEST(SteadyStretch, LiesAfterTheAttackAndBeforeTheNextNote) {
    SyntheticRecording struck = tone(4.0);
    struck.decay_seconds = 1.5;
    AudioChannels noisy_attack = synthesize_recording(tone(4.0));
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.5);
    for (size_t n = 0; n < 0.25 * 48000; ++n)
        noisy_attack.channels[0][n] += static_cast<float>(noise(random));
    AudioChannels two_notes = synthesize_recording(tone(5.0));
    SyntheticRecording second;
    second.seconds = 2.5;
    second.partials = {{293.0, 0.3, 0.0}, {586.0, 0.2, 0.0}, {879.0, 0.1, 0.0}};
    mix_in(two_notes, synthesize_recording(second), 2.5);

    const struct {
        const char* name;
        AudioChannels audio;
        double earliest_start_s, latest_end_s, shortest_s;
        double never_across_s = -1.0;  // a moment the stretch does not contain
    } cases[] = {
        {"struck_decaying", synthesize_recording(struck), 0.0, 2.2, 1.9},
        {"noisy_attack_skipped", noisy_attack, 0.25, 4.0, 1.9},
        {"second_note_not_mixed_in", two_notes, 0.0, 5.0, 1.9, 2.5},
    };
    for (const auto& c : cases) {
        const auto proposal = propose_steady_stretch(c.audio);
        ASSERT_TRUE(proposal) << c.name << ": " << proposal.error().description;
        const FrameRange s = proposal->stretch;
        const double rate = c.audio.sample_rate_hz;
        EXPECT_GE(s.start / rate, c.earliest_start_s - 1e-9) << c.name;
        EXPECT_LE(s.end() / rate, c.latest_end_s + 1e-9) << c.name;
        EXPECT_GE(s.count / rate, c.shortest_s - 1e-9) << c.name;
        EXPECT_FALSE(s.start / rate < c.never_across_s && s.end() / rate > c.never_across_s)
            << c.name;
        EXPECT_TRUE(analyse_stretch(c.audio, s, {})) << c.name << ": the analysis takes it";
    }
}

TEST(SpectrumAnalysis, RefusesWhatCannotBeMeasuredAndSaysWhy) {
    const AudioChannels audio = synthesize_recording(bar(48000));
    AudioChannels quiet = audio;
    for (auto& channel : quiet.channels) std::fill(channel.begin(), channel.end(), 1e-6f);
    SyntheticRecording noise_only;
    noise_only.partials = {{1000.0, 1e-9, 0.0}};
    noise_only.noise_below_rms_db = -150.0;  // noise 150 dB above a vanishing sine
    const AudioChannels noise = synthesize_recording(noise_only);
    const FrameRange all{0, audio.frame_count()};
    const auto with = [](auto change) {
        AnalysisSettings s;
        change(s);
        return s;
    };
    const struct {
        const char* name;
        const AudioChannels& audio;
        FrameRange stretch;
        AnalysisSettings settings;
        const char* message_part;
    } cases[] = {
        {"outside", audio, {audio.frame_count() - 100, 1000}, {}, "does not lie inside"},
        {"too_short", audio, {0, 2000}, {}, "choose at least 0.05 s"},
        {"silent", quiet, all, {}, "is silent"},
        {"noise_only", noise, {0, noise.frame_count()}, {}, "No partial stands out of the noise"},
        {"fundamental_negative", audio, all, with([](auto& s) { s.picking.fundamental_hz = -5.0; }),
         "fundamental"},
    };
    for (const auto& c : cases) {
        const auto analysis = analyse_stretch(c.audio, c.stretch, c.settings);
        ASSERT_FALSE(analysis) << c.name;
        EXPECT_THAT(analysis.error().description, HasSubstr(c.message_part)) << c.name;
    }
    EXPECT_THAT(propose_steady_stretch(quiet).error().description, HasSubstr("silent"));
    EXPECT_THAT(propose_steady_stretch(synthesize_recording(tone(0.04))).error().description,
                HasSubstr("at least 0.05 s"));
}

}  // namespace
}  // namespace kelvara
