#pragma once
// SoundFont banks for the bank-tuning tests, built and written with libinstpatch. Every zone
// plays a tone whose true pitch is known (or noise), under the root key, pitch correction and
// tuning the test declares for it, so how far the bank is off is known exactly.
#include <filesystem>
#include <string>
#include <vector>

namespace kelvara::testing {

enum class TestTone {
    Sine440,  // exactly 440 Hz: its loop holds 22 periods in 2205 frames at 44.1 kHz
    Noise,    // white noise, looped
    // 440 Hz for a second, then a loop of 2200 frames holding 21.95 periods: the loop sounds
    // its 22nd line, 441 Hz, so the held note goes kShortLoopCents sharp after its attack.
    ShortLoopSine,
    // A fundamental gliding from kGlideCents to 440 Hz over its first second (straight in
    // cents) under a steady 880 Hz, then the loop of 2205 frames: an attack whose fundamental
    // wanders before a loop in tune (as a piano's does where its strings beat).
    GlidingAttackSine,
};

inline constexpr double kShortLoopCents = 3.9302;  // 1200 log2(2205 / 2200)
inline constexpr double kGlideCents = -15.0;

struct TestZone {
    TestTone tone = TestTone::Sine440;
    int root_key = 69;
    int pitch_correction_cents = 0;  // the sample's
    int fine_tune_cents = 0;         // the zone's
    int key_low = 0;
    int key_high = 127;
};

struct TestPreset {
    std::string name;  // at most 20 bytes are kept
    int program = 0;   // all on bank 0
    std::vector<TestZone> zones;
};

// Writes the bank; throws std::runtime_error when libinstpatch cannot.
void write_tuning_test_bank(const std::string& path, const std::vector<TestPreset>& presets);

// A temporary folder holding such a bank and a bank-tuning cache folder, removed afterwards.
class TuningTestFolder {
public:
    explicit TuningTestFolder(const std::vector<TestPreset>& presets);
    ~TuningTestFolder();
    TuningTestFolder(const TuningTestFolder&) = delete;
    TuningTestFolder& operator=(const TuningTestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string bank() const { return (path_ / "tuning.sf2").string(); }
    std::string cache() const { return (path_ / "cache").string(); }

private:
    std::filesystem::path path_;
};

}  // namespace kelvara::testing
