#pragma once
// Sound banks the tests generate themselves, in a temporary folder removed afterwards: a
// sine SoundFont and a DLS, whose loops hold whole periods so their pitch is known exactly,
// and files that are not banks at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sound/synth_controller.h"

namespace kelvara::testing {

class TestBanks {
public:
    TestBanks();
    ~TestBanks();
    TestBanks(const TestBanks&) = delete;
    TestBanks& operator=(const TestBanks&) = delete;

    // Bank 0 program 0 "Sine"; bank 0 program 1 "Octave" (only the second harmonic, so it
    // sounds an octave above the key); bank 1 program 5 "Sine Bank1"; bank 128 program 0
    // "Sine Drum".
    const std::string& sf2() const { return sf2_; }
    // "Sine A" (MSB 0, LSB 0, program 0), "Octave B" (MSB 1, LSB 2, program 5) and the
    // percussion instrument "Drum Sine" (program 0).
    const std::string& dls() const { return dls_; }
    const std::string& garbage() const { return garbage_; }
    const std::string& truncated_sf2() const { return truncated_sf2_; }
    // A SoundFont whose header is intact but whose first part is not.
    const std::string& damaged_sf2() const { return damaged_sf2_; }

private:
    std::filesystem::path dir_;
    std::string sf2_, dls_, garbage_, truncated_sf2_, damaged_sf2_;
};

// A controller that renders offline only (null output) with `default_bank` as its default.
SoundSetup offline_setup(const std::string& default_bank);

// Offline render of `seconds` of the current graph (which must be stopped).
StereoBuffer render_seconds(SynthController& controller, double seconds);

// Where a tone of `hz` sounds as the chord map plays it: 440·2^((p−69)/12) for its fractional
// pitch p.
double sounding_hz(float hz);

// A controller rendering offline with the sine SoundFont loaded as its default bank.
class SineBankTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(controller_.load_default_bank()); }

    TestBanks banks_;
    SynthController controller_{0, offline_setup(banks_.sf2())};
};

}  // namespace kelvara::testing
