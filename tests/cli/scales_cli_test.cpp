// kelvara-cli scale, chord-parse and chord-map as a script runs them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/cli_run.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::run_cli;

TEST(CliScale, PrintsSortedRatiosWithCents) {
    const auto twelve = run_cli("scale tet 12 2");
    ASSERT_EQ(twelve.exit_code, 0) << twelve.out;
    const auto lines = twelve.lines();
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "1 0.000");
    EXPECT_EQ(lines[7], "1.4983071 700.000");
    EXPECT_EQ(lines[24], "4 2400.000");

    const auto just = run_cli("scale just").lines();
    ASSERT_EQ(just.size(), 29u);
    EXPECT_EQ(just[7], "1.5 701.955");
    EXPECT_EQ(run_cli("scale harmonic16 2").lines().back(), "8 3600.000");
    EXPECT_EQ(run_cli("scale harmonic8 1").lines().size(), 17u);
    EXPECT_EQ(run_cli("scale tet 13 3").lines().size(), 18u);
}

TEST(CliScale, ImpossibleDivisionsAreRefusedWithTheReason) {
    const auto small = run_cli("scale tet 12 1.05");
    EXPECT_EQ(small.exit_code, 2);
    EXPECT_THAT(small.out, HasSubstr("at least 1.1"));
    const auto endless = run_cli("scale tet 100000 2");
    EXPECT_EQ(endless.exit_code, 2);
    EXPECT_THAT(endless.out, HasSubstr("more than 10000 ratios"));
    EXPECT_EQ(run_cli("scale tet twelve 2").exit_code, 2);
}

TEST(CliChords, ParseNormalisesOrReportsTheError) {
    const auto good = run_cli("chord-parse '220 / 275;330'");
    EXPECT_EQ(good.exit_code, 0);
    EXPECT_EQ(good.out, "220,275,330\n");
    const auto bad = run_cli("chord-parse '220,,330'");
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_THAT(bad.out, HasSubstr("at position 5: expected a number"));
}

TEST(CliChords, MapActionsRunInOrder) {
    const auto run = run_cli(
        "chord-map --base 220 --ratios 1,1.25,1.5 add copy add rekey:2:60 set:0:55_110 "
        "delete:1");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_THAT(run.lines(), ElementsAre("0: 55,110", "60: 110"));
    EXPECT_EQ(run_cli("chord-map delete:0").exit_code, 2);
    EXPECT_EQ(run_cli("chord-map add set:0:abc").exit_code, 2);
    EXPECT_EQ(run_cli("chord-map jump").exit_code, 2);
}

}  // namespace
}  // namespace kelvara
