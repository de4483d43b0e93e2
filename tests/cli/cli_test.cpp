// kelvara-cli as a user runs it: output on stdout, errors on stderr, exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliRun {
    int exit_code = -1;
    std::string out;
};

CliRun run_cli(const std::string& args) {
    const std::string command = std::string(KELVARA_CLI) + " " + args + " 2>&1";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(CliCurve, PrintsTheDefaultCurveAsCsv) {
    const CliRun run = run_cli("curve");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 202u);
    EXPECT_EQ(lines[0], "x,y");
    EXPECT_EQ(lines[1].rfind("1,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[201].rfind("1.99", 0), 0u) << lines[201];
}

TEST(CliCurve, SettingsShapeTheCurve) {
    const CliRun run = run_cli("curve --type 0 --ratios 1 --base 440 --xmin 1.05 --xmax 1.05");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 11), "1.04999995,");
    EXPECT_NEAR(std::stod(lines[1].substr(11)), 0.3570, 5e-5);

    const CliRun wide =
        run_cli("curve --step 0.01 --xmin 0.5 --xmax 3.4 --overtones 3 --ratios 1,1.5");
    ASSERT_EQ(wide.exit_code, 0) << wide.out;
    EXPECT_EQ(lines_of(wide.out).size(), 292u);
}

TEST(CliCurve, BadArgumentsGiveOneLineAndExitCode2) {
    for (const char* args : {"curve --type 9", "curve --overtones 0", "curve --step -1",
                             "curve --xmax 9", "curve --base abc", "curve --bogus",
                             "curve --ratios 1,2,3,4,5,6,7,8,9,10,11", "nothing"}) {
        const CliRun run = run_cli(args);
        EXPECT_EQ(run.exit_code, 2) << args;
        EXPECT_EQ(lines_of(run.out).size(), 1u) << args << ": " << run.out;
    }
}

TEST(CliBench, PrintsOneLinePerCaseWithTimesRatioAndDeviation) {
    const CliRun run = run_cli("bench --case default --min-time 0");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto lines = lines_of(run.out);
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
