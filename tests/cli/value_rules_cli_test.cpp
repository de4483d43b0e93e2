// The rule of validity of each value as kelvara-cli applies it: an argument outside the
// bounds is refused with the reason and exit code 2, the same value in a file is clamped
// (named on stderr, exit 0) or refuses the file (exit 1) with the reader's reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "persistence/document_file.h"
#include "support/cli_run.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;
using testing::run_cli;

std::string temporary(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("kelvara_cli_values_" + std::to_string(getpid()) + "_" + name + ".kelvara"))
        .string();
}

TEST(CliValueRules, ArgumentsOutsideTheBoundsExitWithCode2AndTheReason) {
    struct Case {
        std::string args;
        int exit_code;
        std::string says;  // a part of the output
    };
    const std::string out = temporary("new");
    const std::vector<Case> cases = {
        // The same values through each way in of the command line.
        {"new " + out + " --base 20000", 0, ""},
        {"new " + out + " --base 10", 2, "The base frequency must be 20\u201320000 Hz."},
        {"new " + out + " --base 0", 2, "The base frequency must be 20\u201320000 Hz."},
        {"curve --base 10", 2, "--base: The base frequency must be 20\u201320000 Hz."},
        {"chord-map --base 10", 2, "--base: The base frequency must be 20\u201320000 Hz."},
        {"new " + out + " --overtones 129", 2, "Overtones must be 1\u2013128."},
        {"curve --overtones 129", 2, "--overtones: Overtones must be 1\u2013128."},
        {"curve --overtones 128 --ratios 1 --xmax 1.01", 0, ""},
        {"new " + out + " --scale 1,1e30", 2, "A scale ratio must be 0.001\u20131000."},
        {"new " + out + " --ratios 0", 2, "A fixed-tone ratio must be 0.001\u20131000."},
        {"curve --ratios 1e30", 2, "--ratios: A fixed-tone ratio must be 0.001\u20131000."},
        {"curve --xmin 2 --xmax 1.5", 2, "The ratio range must go from a lower to a higher"},
        {"curve --xmin 0.0001", 2, "An end of the ratio range must be 0.001\u20131000."},
        {"curve --step 0.0003 --xmax 4", 0, ""},
        {"curve --step 0.00001", 2, "--step: The step must be at least 3.0000301e-05."},
        {"new " + out + " --chord 60=0", 2, "A chord tone must be 1\u201320000 Hz."},
        {"new " + out + " --chord 128=220", 2, "A MIDI key must be 0\u2013127."},
        {"chord-parse '220 275 330'", 0, "220,275,330"},
        {"chord-parse 440hz", 2, "\u2018hz\u2019 at position 4: expected a number"},
        {"chord-parse ''", 2, "No frequency given"},
        {"chord-map add set:0:0,220", 2, "a chord tone must be 1\u201320000 Hz"},
        {"chord-map add add rekey:1:0", 2, "Key 0 has a chord already."},
        {"chord-map add rekey:0:128", 2, "A MIDI key must be 0\u2013127."},
        {"scale tet 0 2", 2, "Divide the interval into at least 1 step."},
        {"scale tet 1 1e30", 2, "A scale ratio must be 0.001\u20131000."},
        {"scale harmonic16 251", 2, "gives the ratio 1004."},
    };
    for (const Case& c : cases) {
        const auto run = run_cli(c.args);
        EXPECT_EQ(run.exit_code, c.exit_code) << c.args << ": " << run.out;
        EXPECT_THAT(run.out, HasSubstr(c.says)) << c.args;
    }
    std::filesystem::remove(out);
}

TEST(CliValueRules, AFileIsClampedWithANoteOrRefusedWithTheReadersReason) {
    DocumentFileState clamped;
    clamped.base_frequency = 10.0;
    clamped.number_of_overtones = 500;
    const std::string clamped_path = temporary("clamped");
    std::ofstream(clamped_path) << encode_document_state(clamped);
    const auto dump = run_cli("dump " + clamped_path);
    EXPECT_EQ(dump.exit_code, 0) << dump.out;
    EXPECT_THAT(dump.out, HasSubstr(clamped_path + ": brought into bounds: base frequency 10 "
                                                   "raised to 20"));
    EXPECT_THAT(dump.out, HasSubstr("number of overtones 500 lowered to 128"));
    EXPECT_THAT(dump.out, HasSubstr("\"base_frequency\": 20,"));

    DocumentFileState refused;
    refused.dissonance_ratios = {1.0f, -1.0f};
    const std::string refused_path = temporary("refused");
    std::ofstream(refused_path) << encode_document_state(refused);
    for (const std::string command : {"dump ", "curve "}) {
        const auto run = run_cli(command + refused_path);
        EXPECT_EQ(run.exit_code, 1) << run.out;
        EXPECT_THAT(run.out, HasSubstr("The document could not be opened."));
        EXPECT_THAT(run.out, HasSubstr(refused_path + ", \"Kelvara dissonance ratios\": a "
                                                      "fixed-tone ratio is -1, not above 0"));
    }
    std::filesystem::remove(clamped_path);
    std::filesystem::remove(refused_path);
}

}  // namespace
}  // namespace kelvara
