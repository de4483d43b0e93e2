// kelvara-cli programs and render, run as a user runs them, on a generated bank.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sound/default_bank.h"
#include "sound/generated_bank.h"
#include "sound/peak_estimator.h"
#include "support/cli_run.h"

namespace {

using CliResult = kelvara::testing::CliRun;
using kelvara::testing::run_cli;

class SoundCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvara-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        const auto image = kelvara::sound::build_sf2_bank(
            "Cli Test", {{"Sine", 0, 0, {1.0f}}, {"Organ", 0, 1, {1.0f, 0.5f}}});
        std::ofstream(bank(), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
        std::ofstream(dir_ / "broken.sf2") << "not a bank";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string bank() const { return (dir_ / "sine.sf2").string(); }

    std::filesystem::path dir_;
};

TEST_F(SoundCli, ProgramsListsTheBank) {
    const CliResult run = run_cli("programs --bank " + bank());
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(run.out, "0 : Sine\n1 : Organ\n");
    const CliResult broken = run_cli("programs --bank " + (dir_ / "broken.sf2").string());
    EXPECT_EQ(broken.exit_code, 2);
    EXPECT_NE(broken.out.find("was refused"), std::string::npos) << broken.out;
}

TEST_F(SoundCli, RenderWritesA48kHzStereoWav) {
    const std::string wav = (dir_ / "out.wav").string();
    const CliResult run = run_cli("render --chord 440,0,660.5 --bank " + bank() +
                                  " --program 1 --seconds 0.5 --wav " + wav);
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("tone 2 (0 Hz) was skipped"), std::string::npos) << run.out;
    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 48000 * 3 / 4);  // the chord, then a quarter second of release
    std::vector<float> samples(size_t(info.frames) * 2);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    float peak = 0.0f;
    for (float s : samples) peak = std::max(peak, std::abs(s));
    EXPECT_GT(peak, 0.01f);
    EXPECT_LE(peak, 0.891f);

    EXPECT_EQ(run_cli("render --chord 440 --seconds 0 --wav " + wav).exit_code, 2);
    EXPECT_EQ(
        run_cli("render --chord 440 --program 99 --bank " + bank() + " --wav " + wav).exit_code, 2);
}

// The default General MIDI bank's tuning as kelvara-cli reports and plays it. The Debian
// package timgm6mb-soundfont (scripts/packages.txt) provides the bank.
class GeneralMidiTuningCli : public SoundCli {
protected:
    void SetUp() override {
        std::error_code missing;
        if (!std::filesystem::is_regular_file(kelvara::sound::kSystemGeneralMidiBank, missing))
            GTEST_SKIP() << kelvara::sound::kSystemGeneralMidiBank << " is not installed";
        SoundCli::SetUp();
    }
    static std::string bank() { return kelvara::sound::kSystemGeneralMidiBank; }

    // The pitch of A4 in a render of `options`, in cents from 440 Hz.
    double rendered_a4_cents(const std::string& options) {
        const std::string wav = (dir_ / "a4.wav").string();
        const CliResult run =
            run_cli("render --chord 440 --seconds 1.4 --wav " + wav + " " + options);
        EXPECT_EQ(run.exit_code, 0) << run.out;
        SF_INFO info{};
        SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
        if (file == nullptr) return NAN;
        std::vector<float> frames(size_t(info.frames) * 2), left;
        sf_readf_float(file, frames.data(), info.frames);
        sf_close(file);
        for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
        // One second from 0.2 s on, as the bank was measured.
        left = kelvara::testing::from_seconds(left, info.samplerate, 0.2);
        left.resize(size_t(info.samplerate));
        const kelvara::testing::Spectrum spectrum(left, info.samplerate);
        return kelvara::testing::cents_between(spectrum.peak_frequency(440.0, 30.0), 440.0);
    }
};

TEST_F(GeneralMidiTuningCli, BankTuningReportsThePresetsCorrections) {
    const CliResult run = run_cli("bank-tuning " + bank());
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = run.lines();
    for (const int program : {0, 11, 19, 24, 40, 73}) {
        // "index bank:prog name key declared measured confidence correction zones"
        const auto row = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.rfind(std::to_string(program) + " ", 0) == 0;
        });
        ASSERT_NE(row, lines.end()) << run.out;
        std::istringstream fields(row->substr(row->find(" 69 ")));
        double key = 0, declared = 0, measured = 0, confidence = 0, correction = 0;
        fields >> key >> declared >> measured >> confidence >> correction;
        EXPECT_DOUBLE_EQ(declared, 440.0) << *row;
        EXPECT_GT(confidence, 0.8) << *row;
        EXPECT_NEAR(correction, -kelvara::testing::cents_between(measured, 440.0), 0.01) << *row;
        EXPECT_NE(correction, 0.0) << *row;
    }
    const CliResult zones = run_cli("bank-tuning " + bank() + " --program 73 --zones");
    ASSERT_EQ(zones.exit_code, 0) << zones.out;
    EXPECT_NE(zones.out.find("read from the cache"), std::string::npos) << zones.out;
    EXPECT_EQ(zones.lines().size(), 2u + 10u) << zones.out;  // its ten zones
    EXPECT_EQ(run_cli("bank-tuning " + bank() + " --program 999").exit_code, 2);
    EXPECT_EQ(run_cli("bank-tuning " + (dir_ / "broken.sf2").string()).exit_code, 2);
}

TEST_F(GeneralMidiTuningCli, RenderPlaysInTuneUnlessTheBanksTuningIsAsked) {
    EXPECT_NEAR(rendered_a4_cents("--program 73"), 0.0, 0.5);
    EXPECT_GT(rendered_a4_cents("--program 73 --bank-tuning"), 10.0);
}

TEST_F(GeneralMidiTuningCli, BenchTimesMeasuringTheDefaultBank) {
    const CliResult run = run_cli("bench --case bank-tuning --min-time 0");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_EQ(run.out.rfind("case literal_ms", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nbank-tuning "), std::string::npos) << run.out;
}

}  // namespace
