// The window's scale tools: the generator dialog (its summary and moment-of-symmetry sizes as
// the fields change, Generate as one undo step of the scale table) and the scale against just.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <vector>

#include "app/scale_against_just_dialog.h"
#include "app/scale_generator_dialog.h"
#include "document/document.h"

namespace kelvara {
namespace {

TEST(ScaleGeneratorDialog, ShowsThePatternAndPutsTheScaleInTheTable) {
    Document document;
    ScaleGeneratorDialog dialog(document, false, nullptr);
    EXPECT_EQ(dialog.summary_text(), "7 note(s) per period, steps LLsLLLs");
    // The sizes (which ones: tests/scales) as links that choose them.
    EXPECT_TRUE(dialog.findChild<QLabel*>("generator_mos_sizes")
                    ->text()
                    .contains("<a href=\"7\">7</a> <a href=\"12\">12</a>"));
    dialog.generator_field().setText("3/2");  // (a generator refused: tests/cli's scale mos)

    ASSERT_TRUE(dialog.generate().ok());
    const std::vector<float>& table = document.tables().scale_ratios();
    // Laid out across the document's x range (1 to 2): 1/1 and the seven degrees.
    const std::vector<float> expected{1.0f,     9.0f / 8,   81.0f / 64,   4.0f / 3,
                                      3.0f / 2, 27.0f / 16, 243.0f / 128, 2.0f};
    EXPECT_EQ(table, expected);
    EXPECT_TRUE(document.history().can_undo());

    dialog.kind_field().setCurrentIndex(2);  // subharmonics 8 to 16
    EXPECT_EQ(dialog.summary_text(), "8 note(s) per period, steps HGFEDCBA");
    EXPECT_FALSE(dialog.generator_field().isEnabled());
}

TEST(ScaleAgainstJust, EachStepWithItsNameAndError) {
    const auto rows = steps_against_just({1.0f, 16.0f / 15, 1.2599211f});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].error, "+0.000") << "never -0.000";
    // The equal-tempered major third: 19/15 is the simplest fraction within 10 cents.
    EXPECT_EQ(rows[2].cents, "400");
    EXPECT_EQ(rows[2].just, "19/15");
    EXPECT_EQ(rows[2].error, "-9.244");
}

}  // namespace
}  // namespace kelvara
