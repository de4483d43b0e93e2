// Bank tuning without sound: the pitch estimator on synthetic samples, the correction policy on
// hand-made zones, the measurement of banks whose errors are known exactly, and the cache.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "sound/bank_tuning.h"
#include "sound/bank_tuning_cache.h"
#include "sound/bank_tuning_text.h"
#include "sound/sample_pitch_estimator.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_engine.h"
#include "sound/tuning_policy.h"
#include "sound/tuning_test_bank.h"

namespace kelvara::testing {
namespace {

using sound::ZoneTuning;
using sound::ZoneVerdict;

constexpr double kRate = 44100.0;

double cents(double hz, double reference_hz) {
    return 1200.0 * std::log2(hz / reference_hz);
}

// Partials k + 1 at the given amplitudes, at full scale over all.
std::vector<int16_t> tone(double hz, double seconds, std::vector<double> partials = {1.0}) {
    std::vector<int16_t> pcm(size_t(seconds * kRate));
    double sum = 0.0;
    for (double a : partials) sum += a;
    for (size_t i = 0; i < pcm.size(); ++i) {
        double v = 0.0;
        for (size_t k = 0; k < partials.size(); ++k)
            v += partials[k] * std::sin(2.0 * std::numbers::pi * hz * double(k + 1) * i / kRate);
        pcm[i] = int16_t(std::lround(30000.0 * v / sum));
    }
    return pcm;
}

std::vector<int16_t> noise(double seconds) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(-20000, 20000);
    std::vector<int16_t> pcm(size_t(seconds * kRate));
    for (auto& v : pcm) v = int16_t(level(random));
    return pcm;
}

struct EstimatorCase {
    const char* name;
    std::vector<int16_t> pcm;
    uint32_t loop_start, loop_end;  // no loop when equal
    double expected_hz;             // what the bank declares
    double true_hz;                 // NaN: no pitch to find
    bool confident;
    double tolerance_cents;
};

TEST(SamplePitchEstimator, FindsTheFundamentalAsTheSamplePlays) {
    const double line_hz = 7.0 * kRate / 701.0;  // a 701-frame loop holding 7 periods
    const std::vector<EstimatorCase> cases = {
        {"a steady sine", tone(261.63, 1.5), 0, 0, 262.0, 261.63, true, 0.005},
        {"its loop's line", tone(line_hz, 701.0 * 2 / kRate), 701, 1402, 440.0, line_hz, true,
         0.001},
        {"a bright tone", tone(110.0, 1.5, {1.0, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4}), 0, 0, 110.0, 110.0,
         true, 0.01},
        {"an octave below what is declared", tone(220.0, 1.5), 0, 0, 440.0, 220.0, true, 0.01},
        {"noise", noise(1.5), 0, 0, 440.0, NAN, false, 0.0},
        {"30 ms, over before the stretch starts", tone(440.0, 0.03), 0, 0, 440.0, NAN, false, 0.0},
        {"silence", std::vector<int16_t>(66150, 0), 0, 0, 440.0, NAN, false, 0.0},
    };
    for (const auto& c : cases) {
        sound::PlayedSample sample{c.pcm, kRate, c.loop_start != c.loop_end, c.loop_start,
                                   c.loop_end};
        const auto estimate = sound::estimate_played_pitch(sample, 0.2, 1.0, c.expected_hz);
        if (std::isnan(c.true_hz)) {
            EXPECT_LT(estimate.confidence, sound::kMinConfidence) << c.name;
            continue;
        }
        EXPECT_NEAR(cents(estimate.hz, c.true_hz), 0.0, c.tolerance_cents) << c.name;
        EXPECT_EQ(estimate.confidence >= sound::kMinConfidence, c.confident) << c.name;
    }
}

struct ZoneSpec {
    int key_low, key_high, velocity_low, velocity_high, root;
    double error_cents, confidence;
    double want_correction;
    ZoneVerdict want_verdict;
};

TEST(TuningPolicy, RemovesEachLayersCommonOffsetAndNothingElse) {
    constexpr auto C = ZoneVerdict::Corrected;
    constexpr auto U = ZoneVerdict::Unpitched;
    constexpr auto O = ZoneVerdict::OutOfBounds;
    const std::vector<std::pair<const char*, std::vector<ZoneSpec>>> cases = {
        {"zones splitting the keyboard are each put right",
         {{0, 59, 0, 127, 60, 3.0, 1.0, -3.0, C}, {60, 127, 0, 127, 72, -5.0, 1.0, 5.0, C}}},
        {"a split overlapping by one key is still a split",
         {{0, 60, 0, 127, 60, 2.0, 1.0, -2.0, C}, {60, 127, 0, 127, 60, -4.0, 1.0, 4.0, C}}},
        {"a layer detuned on purpose keeps its spread",
         {{0, 127, 0, 127, 69, 3.0, 1.0, -10.0, C}, {0, 127, 0, 127, 69, 17.0, 1.0, -10.0, C}}},
        {"ranks on other root keys are tuned apart",
         {{0, 127, 0, 127, 60, 2.0, 1.0, -2.0, C}, {0, 127, 0, 127, 72, -4.0, 1.0, 4.0, C}}},
        {"velocity layers are tuned apart",
         {{0, 127, 0, 63, 60, 2.0, 1.0, -2.0, C}, {0, 127, 64, 127, 60, -4.0, 1.0, 4.0, C}}},
        {"unpitched and out-of-bounds zones keep the bank's tuning, outside the median",
         {{0, 127, 0, 127, 69, 4.0, 1.0, -4.0, C},
          {0, 127, 0, 127, 69, 60.0, 1.0, 0.0, O},
          {0, 127, 0, 127, 69, 30.0, 0.3, 0.0, U},
          {0, 127, 0, 127, 69, NAN, 0.0, 0.0, U}}},
    };
    for (const auto& [name, specs] : cases) {
        std::vector<ZoneTuning> zones;
        for (const ZoneSpec& s : specs) {
            ZoneTuning z;
            z.key_low = s.key_low;
            z.key_high = s.key_high;
            z.velocity_low = s.velocity_low;
            z.velocity_high = s.velocity_high;
            z.root_key = s.root;
            z.error_cents = s.error_cents;
            z.confidence = s.confidence;
            zones.push_back(z);
        }
        sound::apply_tuning_policy(zones);
        for (size_t i = 0; i < zones.size(); ++i) {
            EXPECT_DOUBLE_EQ(zones[i].correction_cents, specs[i].want_correction) << name << i;
            EXPECT_EQ(zones[i].verdict, specs[i].want_verdict) << name << i;
        }
    }
}

// One preset per case; errors and corrections per zone, in cents.
struct BankCase {
    TestPreset preset;
    std::vector<double> errors;  // NaN: not measured
    std::vector<double> corrections;
    std::vector<ZoneVerdict> verdicts;
};

std::vector<BankCase> bank_cases() {
    using T = TestTone;
    constexpr auto C = ZoneVerdict::Corrected;
    constexpr auto U = ZoneVerdict::Unpitched;
    return {
        {{"in tune", 0, {{T::Sine440, 69, 0}}}, {0.0}, {0.0}, {C}},
        {{"correction +17", 1, {{T::Sine440, 69, 17}}}, {17.0}, {-17.0}, {C}},
        {{"root +1, corr +85", 2, {{T::Sine440, 70, 85}}}, {-15.0}, {15.0}, {C}},
        {{"root -1, corr -88", 3, {{T::Sine440, 68, -88}}}, {12.0}, {-12.0}, {C}},
        {{"detuned pair", 4, {{T::Sine440, 69, 10, -7}, {T::Sine440, 69, 10, 7}}},
         {3.0, 17.0},
         {-10.0, -10.0},
         {C, C}},
        {{"a semitone off", 5, {{T::Sine440, 70, 0}}}, {-100.0}, {0.0}, {ZoneVerdict::OutOfBounds}},
        {{"noise", 6, {{T::Noise}}}, {NAN}, {0.0}, {U}},
        {{"too short", 7, {{T::ShortSine}}}, {NAN}, {0.0}, {U}},
    };
}

std::vector<TestPreset> presets_of(const std::vector<BankCase>& cases) {
    std::vector<TestPreset> presets;
    for (const auto& c : cases) presets.push_back(c.preset);
    return presets;
}

TEST(BankTuning, MeasuresWhatEachZoneIsOffByAndCorrectsIt) {
    const auto cases = bank_cases();
    const TuningTestFolder folder(presets_of(cases));
    const auto tuning = sound::measure_bank_tuning(folder.bank());
    ASSERT_TRUE(tuning) << tuning.error().explanation();
    ASSERT_EQ(tuning->presets.size(), cases.size());
    for (size_t p = 0; p < cases.size(); ++p) {
        const auto& want = cases[p];
        const auto& got = tuning->presets[p];
        EXPECT_EQ(got.name, want.preset.name);
        ASSERT_EQ(got.zones.size(), want.errors.size()) << got.name;
        for (size_t z = 0; z < got.zones.size(); ++z) {
            const ZoneTuning& zone = got.zones[z];
            if (zone.verdict != ZoneVerdict::Unpitched) {
                EXPECT_NEAR(zone.error_cents, want.errors[z], 0.01) << got.name << z;
            }
            EXPECT_NEAR(zone.correction_cents, want.corrections[z], 0.01) << got.name << z;
            EXPECT_EQ(zone.verdict, want.verdicts[z]) << got.name << z;
            EXPECT_DOUBLE_EQ(zone.declared_hz, 440.0 * std::exp2((zone.root_key - 69) / 12.0));
        }
    }
}

// Corrections reach presets by their bank and program numbers, so these must be the ones the
// loader gives its presets: checked on a DLS, whose numbering differs most from SF2's.
TEST(BankTuning, NumbersPresetsAsTheLoaderDoes) {
    const TestBanks banks;
    for (const std::string& path : {banks.sf2(), banks.dls()}) {
        const auto tuning = sound::measure_bank_tuning(path);
        ASSERT_TRUE(tuning) << path;
        auto engine = sound::SynthEngine::create(0);
        ASSERT_TRUE(engine && engine->load_bank_file(path));
        ASSERT_EQ(tuning->presets.size(), engine->instruments().size()) << path;
        for (size_t i = 0; i < tuning->presets.size(); ++i) {
            EXPECT_EQ(tuning->presets[i].bank, engine->instruments()[i].preset_bank) << path << i;
            EXPECT_EQ(tuning->presets[i].program, engine->instruments()[i].program) << path << i;
        }
    }
    const auto garbage = sound::measure_bank_tuning(banks.garbage());
    ASSERT_FALSE(garbage);
    EXPECT_FALSE(garbage.error().detail.empty());
    EXPECT_FALSE(sound::measure_bank_tuning(banks.truncated_sf2()));
}

class TuningCache : public ::testing::Test {
protected:
    TuningCache() : folder_(presets_of(bank_cases())), cache_(folder_.cache()) {}

    std::filesystem::path cache_file() const {
        return cache_.file_for(*sound::bank_content_hash(folder_.bank()));
    }

    TuningTestFolder folder_;
    sound::BankTuningCache cache_;
};

TEST_F(TuningCache, SecondLoadIsReadFromTheCacheNotMeasured) {
    const auto first = sound::tune_bank(folder_.bank(), cache_);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->from_cache);
    ASSERT_TRUE(std::filesystem::exists(cache_file()));

    // A value only the cache file holds shows the second load read it and measured nothing.
    auto planted = first->tuning;
    planted.presets[1].zones[0].correction_cents = -3.5;
    ASSERT_TRUE(cache_.store(*sound::bank_content_hash(folder_.bank()), planted));

    const auto second = sound::tune_bank(folder_.bank(), cache_);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->from_cache);
    EXPECT_EQ(second->tuning.presets[1].zones[0].correction_cents, -3.5);
}

TEST_F(TuningCache, CorruptFileIsIgnoredAndRewritten) {
    const auto measured = sound::tune_bank(folder_.bank(), cache_);
    ASSERT_TRUE(measured);
    const std::string good = sound::bank_tuning_to_text(measured->tuning);
    for (const std::string& bad :
         {std::string("garbage"), good.substr(0, good.size() / 2),
          std::string(good).replace(good.find("preset 0 1 1"), 12, "preset 0 1 9")}) {
        std::ofstream(cache_file(), std::ios::trunc) << bad;
        const auto again = sound::tune_bank(folder_.bank(), cache_);
        ASSERT_TRUE(again);
        EXPECT_FALSE(again->from_cache);
        std::ifstream in(cache_file());
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), good);
    }
}

TEST(BankTuningText, ReadsBackExactlyAndRefusesAnythingElse) {
    const TuningTestFolder folder(presets_of(bank_cases()));
    const auto tuning = sound::measure_bank_tuning(folder.bank());
    ASSERT_TRUE(tuning);
    const std::string text = sound::bank_tuning_to_text(*tuning);
    const auto back = sound::bank_tuning_from_text(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(sound::bank_tuning_to_text(*back), text);

    const auto changed = [&](std::string_view from, std::string_view to) {
        std::string bad = text;
        bad.replace(bad.find(from), from.size(), to);
        return bad;
    };
    for (const std::string& bad : {
             std::string(),
             changed("kelvara-bank-tuning 1", "kelvara-bank-tuning 0"),
             changed("zone 0 0 127", "zone 0 0 128"),
             changed(" corrected\n", " fine\n"),
             changed(" corrected\n", " corrected extra\n"),
             changed("end\n", ""),
             changed("end\n", "end\npreset 0 0 0 \n"),
             changed("preset 0 0 1 in tune\nzone", "preset 0 0 1 in tune\nzone 1"),
         })
        EXPECT_FALSE(sound::bank_tuning_from_text(bad)) << bad.substr(0, 200);
}

}  // namespace
}  // namespace kelvara::testing
