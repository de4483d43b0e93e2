// A custom timbre and the roughness model through the document: a parametric timbre made
// custom keeps its curve bit for bit, through a saved file too; every edit of the partial
// table gives its list or refuses with the reason and changes nothing; the model reaches the
// curve and the minima.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/document_io.h"
#include "document/document_minima.h"
#include "document/partial_list.h"
#include "engine/timbre_starting_points.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using testing::DocumentInWindow;

std::vector<float> curve_of(const Document& doc) {
    return {doc.curve().y_values(), doc.curve().y_values() + doc.curve().number_of_points()};
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(CustomTimbreActions, AParametricTimbreMadeCustomKeepsItsCurveBitForBit) {
    struct Row {
        int32_t type, overtones;
        RoughnessModel model;
    };
    for (const Row row : {Row{OddHarmonics, 9, RoughnessModel::Minimum},
                          Row{PureTone, 3, RoughnessModel::Product}}) {
        SCOPED_TRACE(row.type);
        DocumentInWindow w;
        w.doc.curve_actions().set_overtone_type(row.type);
        w.doc.curve_actions().set_number_of_overtones(row.overtones);
        w.doc.table_actions().set_fixed_tones(std::vector<float>{1.0f, 1.25f});
        w.doc.timbre_actions().set_roughness_model(row.model);
        const std::vector<float> parametric = curve_of(w.doc);
        const MinimaQuery parametric_query = minima_query(w.doc);

        w.doc.curve_actions().set_overtone_type(CustomPartials);
        EXPECT_EQ(w.controls.timbre, CustomPartials);
        EXPECT_EQ(w.doc.row_count(DocumentTable::Partials),
                  row.type == PureTone ? 1 : row.overtones);
        EXPECT_TRUE(same_bits(curve_of(w.doc), parametric));
        EXPECT_EQ(minima_query(w.doc), parametric_query);

        Document reopened;
        ASSERT_TRUE(read_document_text(reopened, document_text(w.doc)));
        reopened.sample_curve();
        EXPECT_TRUE(same_bits(curve_of(reopened), parametric));
        EXPECT_EQ(reopened.state(), w.doc.state());
        w.expect_view_shows_document();
    }
}

// Each edit from the list {1: 1, 2.756: 0.5, 5.404: 0.25} with row 1 selected: the list it
// gives, or the refusal it says (the list then as it was, no undo step).
TEST(CustomTimbreActions, EachPartialTableEditGivesItsListOrSaysWhy) {
    const std::vector<Partial> start{{1.0, 1.0}, {2.756, 0.5}, {5.404, 0.25}};
    using Act = std::function<void(Document&)>;
    const auto cell = [](TableColumn column, int32_t row, double value) -> Act {
        return [=](Document& d) {
            d.table_actions().edit_cell(DocumentTable::Partials, column, row, value);
        };
    };
    const auto paste = [](TableColumn column, int32_t row, std::vector<double> values) -> Act {
        return [=](Document& d) { d.timbre_actions().paste_partial_column(column, row, values); };
    };
    struct Row {
        std::string name;
        Act act;
        std::vector<Partial> list;                    // when done
        std::string refusal;                          // when refused
        std::optional<EditName> step = std::nullopt;  // the undo step when done
    };
    const std::vector<Row> table{
        {"append",
         [](Document& d) { d.timbre_actions().partial_action(PartialAction::Append); },
         {{1.0, 1.0}, {2.756, 0.5}, {5.404, 0.25}, {6.0, 0.25}},
         "",
         EditName::AddPartial},
        {"delete",
         [](Document& d) { d.timbre_actions().partial_action(PartialAction::DeleteSelected); },
         {{1.0, 1.0}, {5.404, 0.25}},
         "",
         EditName::DeletePartial},
        {"ratio",
         cell(TableColumn::PartialRatio, 1, 2.9),
         {{1.0, 1.0}, {2.9, 0.5}, {5.404, 0.25}},
         "",
         EditName::EditPartial},
        {"paste past the end",
         paste(TableColumn::PartialRatio, 2, {5.5, 8.9, 13.3}),
         {{1.0, 1.0}, {2.756, 0.5}, {5.5, 0.25}, {8.9, 1.0}, {13.3, 1.0}},
         "",
         EditName::PastePartials},
        {"paste decibels",
         paste(TableColumn::PartialDecibels, 0, {0.0, -6.0}),
         {{1.0, 1.0}, {2.756, amplitude_of_decibels(-6.0)}, {5.404, 0.25}},
         "",
         EditName::PastePartials},
        {"70 dB",
         cell(TableColumn::PartialDecibels, 0, 70.0),
         {},
         "A partial's amplitude must be 0\u20131000. In decibels: at most 60 dB."},
        {"paste a bad row",
         paste(TableColumn::PartialAmplitude, 1, {0.5, 2000.0}),
         {},
         "Row 3: A partial's amplitude must be 0\u20131000."},
        {"paste too many",
         paste(TableColumn::PartialRatio, 3, std::vector<double>(126, 2.0)),
         {},
         "A custom timbre holds at most 128 partials. The pasted numbers would make 129."},
        {"paste nothing",
         paste(TableColumn::PartialRatio, 0, {}),
         {},
         "There are no numbers to paste."},
        {"a list that is no timbre",
         [](Document& d) { d.timbre_actions().set_custom_partials({}); },
         {},
         "A custom timbre needs at least one partial."},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        DocumentInWindow w;
        ASSERT_TRUE(w.doc.timbre_actions().set_custom_partials(start));
        w.controls.selected_rows[DocumentTable::Partials] = 1;
        const DocumentFileState before = w.doc.state();
        const std::optional<EditName> step = w.doc.history().undo_name();
        row.act(w.doc);
        if (!row.refusal.empty()) {
            EXPECT_EQ(w.controls.refusal, row.refusal);
            EXPECT_EQ(w.doc.state(), before);
            EXPECT_EQ(w.doc.history().undo_name(), step);
            continue;
        }
        EXPECT_EQ(w.controls.refusal, "");
        EXPECT_EQ(w.doc.history().undo_name(), row.step);
        EXPECT_EQ(w.doc.curve().custom_partials(), row.list);
        EXPECT_EQ(w.doc.curve().number_of_overtones(), static_cast<int32_t>(row.list.size()));
        w.expect_view_shows_document();
        w.doc.history().undo();
        EXPECT_EQ(w.doc.state(), before) << "one undo step";
    }

    // The last partial stays; a parametric timbre chosen after it keeps the list's overtone
    // count and drops the list (its table then refuses edits: value_rules_test.cpp).
    DocumentInWindow w;
    ASSERT_TRUE(w.doc.timbre_actions().set_custom_partials({{1.0, 1.0}}));
    w.controls.selected_rows[DocumentTable::Partials] = 0;
    w.doc.timbre_actions().partial_action(PartialAction::DeleteSelected);
    EXPECT_EQ(w.controls.refusal, "A custom timbre keeps at least one partial.");
    w.doc.curve_actions().set_number_of_overtones(5);
    EXPECT_THAT(w.controls.refusal, ::testing::HasSubstr("as many overtones as partials"));
    w.doc.curve_actions().set_overtone_type(FlatHarmonics);
    EXPECT_EQ(w.doc.curve().number_of_overtones(), 1);
    EXPECT_TRUE(w.doc.curve().custom_partials().empty());
}

// The model reaches the view, the sampled curve and the minima (and the file: tests/persistence);
// undone, the document's file is as before.
TEST(CustomTimbreActions, TheRoughnessModelIsOneUndoableChoiceOfTheDocument) {
    DocumentInWindow w;
    w.doc.curve_actions().set_overtone_type(InverseHarmonics);
    w.doc.curve_actions().set_number_of_overtones(6);
    const std::string product_text = document_text(w.doc);
    const std::vector<float> product = curve_of(w.doc);
    w.doc.timbre_actions().set_roughness_model(RoughnessModel::Minimum);
    EXPECT_EQ(w.controls.model, RoughnessModel::Minimum);
    EXPECT_EQ(w.doc.history().undo_name(), EditName::RoughnessModel);
    EXPECT_FALSE(same_bits(curve_of(w.doc), product));
    EXPECT_EQ(minima_query(w.doc).curve.model, RoughnessModel::Minimum);
    w.expect_view_shows_document();
    w.doc.history().undo();
    EXPECT_EQ(w.controls.model, RoughnessModel::Product);
    EXPECT_EQ(document_text(w.doc), product_text);
    EXPECT_TRUE(same_bits(curve_of(w.doc), product));
}

}  // namespace
}  // namespace kelvara
