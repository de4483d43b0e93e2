// kelvara-cli programs and render, run as a user runs them, on a generated bank.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sound/generated_bank.h"
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

}  // namespace
