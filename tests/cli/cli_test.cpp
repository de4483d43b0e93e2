// kelvara-cli as a user runs it: output on stdout, errors on stderr, exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"

namespace {

using kelvara::testing::CliRun;
using kelvara::testing::run_cli;

TEST(CliCurve, PrintsTheDefaultCurveAsCsv) {
    const CliRun run = run_cli("curve");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 202u);
    EXPECT_EQ(lines[0], "x,y");
    EXPECT_EQ(lines[1].rfind("1,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[201].rfind("1.99", 0), 0u) << lines[201];
}

TEST(CliCurve, SettingsShapeTheCurve) {
    const CliRun run = run_cli("curve --type 0 --ratios 1 --base 440 --xmin 1.05 --xmax 1.051");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 11), "1.04999995,");
    EXPECT_NEAR(std::stod(lines[1].substr(11)), 0.3570, 5e-5);

    const CliRun wide =
        run_cli("curve --step 0.01 --xmin 0.5 --xmax 3.4 --overtones 3 --ratios 1,1.5");
    ASSERT_EQ(wide.exit_code, 0) << wide.out;
    EXPECT_EQ(wide.lines().size(), 292u);
}

TEST(CliCurve, BadArgumentsGiveOneLineAndExitCode2) {
    for (const char* args : {"curve --type 9", "curve --overtones 0", "curve --step -1",
                             "curve --xmax 9", "curve --base abc", "curve --bogus",
                             "curve --ratios 1,2,3,4,5,6,7,8,9,10,11", "nothing"}) {
        const CliRun run = run_cli(args);
        EXPECT_EQ(run.exit_code, 2) << args;
        EXPECT_EQ(run.lines().size(), 1u) << args << ": " << run.out;
    }
}

std::string temporary_document_path(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("kelvara-cli-" + std::to_string(getpid()) + "-" + name + ".kelvara"))
        .string();
}

TEST(CliDocumentFiles, NewThenDumpGivesEveryStoredField) {
    const std::string path = temporary_document_path("new");
    const CliRun created =
        run_cli("new " + path +
                " --type 2 --overtones 9 --base 440.1 --ratios 1,1.5 --scale 1,1.25,2 --step 0.01"
                " --xmin 0.9 --xmax 2.1 --ymin -1 --ymax 3 --volume 90 --chord 64=329.63,392"
                " --chord 60=261.63 --chord 7=");
    ASSERT_EQ(created.exit_code, 0) << created.out;
    const CliRun dump = run_cli("dump " + path);
    ASSERT_EQ(dump.exit_code, 0) << dump.out;
    EXPECT_EQ(dump.out,
              "{\n"
              "  \"version\": 2,\n"
              "  \"scale_ratios\": [1, 1.25, 2],\n"
              "  \"overtone_type\": 2,\n"
              "  \"dissonance_ratios\": [1, 1.5],\n"
              "  \"base_frequency\": 440.1000061035156,\n"
              "  \"x_min\": 0.9,\n"
              "  \"x_max\": 2.1,\n"
              "  \"y_min\": -1,\n"
              "  \"y_max\": 3,\n"
              "  \"plot_justs\": false,\n"
              "  \"plot_selected_ratio\": false,\n"
              "  \"plot_dy\": false,\n"
              "  \"step_size\": 0.009999999776482582,\n"
              "  \"number_of_overtones\": 9,\n"
              "  \"volume\": 90,\n"
              "  \"midi_keys\": [64, 60, 7],\n"
              "  \"chords\": {\"7\": [], \"60\": [261.63], \"64\": [329.63, 392]}\n"
              "}\n");
    std::filesystem::remove(path);
}

TEST(CliDocumentFiles, CurveOfASavedDocument) {
    const std::string path = temporary_document_path("curve");
    ASSERT_EQ(run_cli("new " + path + " --type 0 --xmin 1 --xmax 1.5").exit_code, 0);
    const CliRun curve = run_cli("curve " + path);
    ASSERT_EQ(curve.exit_code, 0) << curve.out;
    const auto lines = curve.lines();
    EXPECT_EQ(lines.size(), 102u);  // the header and 101 samples from 1 to 1.5
    EXPECT_EQ(run_cli("curve --file " + path + " --xmax 1.25").out,
              run_cli("curve --type 0 --xmax 1.25").out);
    std::filesystem::remove(path);
}

TEST(CliDocumentFiles, ARefusedFileGivesItsErrorTextsAndExitCode1) {
    const std::string bad =
        std::string(KELVARA_PERSISTENCE_DATA) + "/bad/eleven_fixed_tones.kelvara";
    for (const std::string command : {"dump ", "curve "}) {
        const CliRun run = run_cli(command + bad);
        EXPECT_EQ(run.exit_code, 1) << command;
        const auto lines = run.lines();
        ASSERT_GE(lines.size(), 2u) << run.out;
        EXPECT_EQ(lines[0], "kelvara-cli: The document could not be opened.");
        EXPECT_EQ(lines[1], "The file is damaged or is not a Kelvara document.");
    }
    EXPECT_EQ(run_cli("dump /nonexistent/file.kelvara").exit_code, 1);
}

TEST(CliDocumentFiles, BadSettingsForANewDocumentGiveOneLineAndExitCode2) {
    const std::string path = temporary_document_path("bad");
    for (const std::string args :
         {"--type 6", "--overtones 0", "--step 0", "--xmax 9", "--volume 300", "--base -5",
          "--chord 60", "--chord x=1", "--chord 60=1,a", "--chord 60=1 --chord 60=2",
          "--ratios 1,1,1,1,1,1,1,1,1,1,1"}) {
        const CliRun run = run_cli("new " + path + " " + args);
        EXPECT_EQ(run.exit_code, 2) << args << ": " << run.out;
        EXPECT_EQ(run.lines().size(), 1u) << args << ": " << run.out;
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CliBench, PrintsOneLinePerCaseWithTimesRatioAndDeviation) {
    const CliRun run = run_cli("bench --case default --min-time 0");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[0], "case literal_ms fast_ms ratio max_relative_deviation");
    std::istringstream fields(lines[1]);
    std::string name;
    double literal_ms = 0, fast_ms = 0, ratio = 0, deviation = 1;
    fields >> name >> literal_ms >> fast_ms >> ratio >> deviation;
    ASSERT_FALSE(fields.fail()) << lines[1];
    EXPECT_EQ(name, "default");
    EXPECT_GT(literal_ms, 0.0);
    EXPECT_GT(fast_ms, 0.0);
    EXPECT_LT(deviation, 1e-5);
}

TEST(CliBench, RefusesAnUnknownCase) {
    const CliRun run = run_cli("bench --case nonesuch --min-time 0");
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.out.find("no benchmark case named nonesuch"), std::string::npos) << run.out;
}

}  // namespace
