// kelvara-cli bank-tuning, render --bank-tuning and the bench row, run as a user runs them on
// the default General MIDI bank. The Debian package timgm6mb-soundfont (scripts/packages.txt)
// provides the bank; without it the tests are skipped.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sound/default_bank.h"
#include "sound/peak_estimator.h"
#include "support/cli_run.h"

namespace {

using kelvara::testing::CliRun;
using kelvara::testing::run_cli;

class GeneralMidiTuningCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code missing;
        if (!std::filesystem::is_regular_file(kelvara::sound::kSystemGeneralMidiBank, missing))
            GTEST_SKIP() << kelvara::sound::kSystemGeneralMidiBank << " is not installed";
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvara-tuning-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    static std::string bank() { return kelvara::sound::kSystemGeneralMidiBank; }

    // The pitch of A4 in a render of `options`, in cents from 440 Hz.
    double rendered_a4_cents(const std::string& options) {
        const std::string wav = (dir_ / "a4.wav").string();
        const CliRun run = run_cli("render --chord 440 --seconds 1.4 --wav " + wav + " " + options);
        EXPECT_EQ(run.exit_code, 0) << run.out;
        SF_INFO info{};
        SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
        if (file == nullptr) return NAN;
        std::vector<float> frames(size_t(info.frames) * 2), left;
        sf_readf_float(file, frames.data(), info.frames);
        sf_close(file);
        for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
        // One second from 0.2 s on, past the attack, as the bank was measured.
        left = kelvara::testing::from_seconds(left, info.samplerate, 0.2);
        left.resize(size_t(info.samplerate));
        const kelvara::testing::Spectrum spectrum(left, info.samplerate);
        return kelvara::testing::cents_between(spectrum.peak_frequency(440.0, 30.0), 440.0);
    }

    std::filesystem::path dir_;
};

TEST_F(GeneralMidiTuningCli, BankTuningReportsThePresetsCorrections) {
    const CliRun run = run_cli("bank-tuning " + bank());
    ASSERT_EQ(run.exit_code, 0) << run.out;
    for (const int program : {0, 11, 19, 24, 40, 73}) {
        // "index bank:prog name key declared measured confidence correction zones"
        const size_t row = run.out.find("\n" + std::to_string(program) + " ");
        ASSERT_NE(row, std::string::npos) << run.out;
        std::istringstream fields(run.out.substr(run.out.find(" 69 ", row)));
        double key = 0, declared = 0, measured = 0, confidence = 0, correction = 0;
        fields >> key >> declared >> measured >> confidence >> correction;
        EXPECT_EQ(declared, 440.0) << program;
        EXPECT_GT(confidence, 0.8) << program;
        EXPECT_NEAR(correction, -kelvara::testing::cents_between(measured, 440.0), 0.01) << program;
    }
    const CliRun zones = run_cli("bank-tuning " + bank() + " --program 73 --zones");
    ASSERT_EQ(zones.exit_code, 0) << zones.out;
    EXPECT_NE(zones.out.find("read from the cache"), std::string::npos) << zones.out;
    EXPECT_EQ(zones.lines().size(), 2u + 10u) << zones.out;  // its ten zones
    EXPECT_EQ(run_cli("bank-tuning " + bank() + " --program 999").exit_code, 2);
    const std::string broken = (dir_ / "broken.sf2").string();
    std::ofstream(broken) << "not a bank";
    EXPECT_EQ(run_cli("bank-tuning " + broken).exit_code, 2);
}

TEST_F(GeneralMidiTuningCli, RenderPlaysInTuneUnlessTheBanksTuningIsAsked) {
    EXPECT_NEAR(rendered_a4_cents("--program 73"), 0.0, 0.5);
    EXPECT_GT(rendered_a4_cents("--program 73 --bank-tuning"), 10.0);
}

TEST_F(GeneralMidiTuningCli, BenchTimesMeasuringTheDefaultBank) {
    const CliRun run = run_cli("bench --case bank-tuning --min-time 0");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("bank-tuning "), std::string::npos) << run.out;
}

}  // namespace
