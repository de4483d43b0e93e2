// A document window's controls, through real widgets: each one runs its document action,
// refused input is answered with the beep and the stored value shown again, and the window
// looks after its layout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <thread>

#include "app/document_window.h"
#include "support/app_fakes.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

class DocumentWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    const WindowWidgets& w() const { return window.widgets(); }
    Document& doc() { return window.document(); }

    // Types into a field the way a user does: select all, erase, type, press Return.
    static void type_and_return(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    std::unique_ptr<testing::RecordingInstruments> made_instruments =
        std::make_unique<testing::RecordingInstruments>();
    testing::RecordingInstruments& instruments = *made_instruments;
    testing::RecordingSynthChannel& synth = made_instruments->recorded;
    DocumentWindow window{std::make_unique<Document>(), std::move(made_instruments)};
};

// Each row types into one field of the same window, in order. Under the tests' German locale
// (a decimal comma) the fields still read a decimal point.
TEST_F(DocumentWindowTest, TypedNumbersReachTheDocumentOrAreRefusedWithABeep) {
    using Field = QLineEdit* WindowWidgets::*;
    using Value = double (*)(const Document&);
    const Value base = [](const Document& d) { return d.curve().base_frequency(); };
    const Value x_min = [](const Document& d) { return double{d.curve().x_min()}; };
    const Value x_max = [](const Document& d) { return double{d.curve().x_max()}; };
    const Value y_max = [](const Document& d) { return double{d.curve().y_max()}; };
    const Value step = [](const Document& d) { return d.curve().step_size(); };
    const Value overtones = [](const Document& d) {
        return double(d.curve().number_of_overtones());
    };
    struct Row {
        Field field;
        const char* typed;
        const char* shown;  // the field's text afterwards
        Value value;
        double expected;  // the document's value afterwards
        bool refused;     // a beep, and the document unchanged
    };
    const Row rows[] = {
        {&WindowWidgets::base_frequency_field, "261.63", "261.63", base, double{261.63f}, false},
        {&WindowWidgets::base_frequency_field, "2x2o0", "220", base, 220.0,
         false},  // letters ignored
        {&WindowWidgets::base_frequency_field, "0", "220", base, 220.0, true},
        {&WindowWidgets::x_max_field, "2.5", "2.5", x_max, 2.5, false},
        {&WindowWidgets::x_max_field, "1e30", "2.5", x_max, 2.5, true},
        {&WindowWidgets::x_min_field, "1.2.3", "1", x_min, 1.0, true},
        {&WindowWidgets::y_max_field, "7.25", "7.25", y_max, 7.25, false},
        {&WindowWidgets::step_field, "0.01", "0.01", step, double{0.01f}, false},
        {&WindowWidgets::step_field, "1e", "0.01", step, double{0.01f}, true},
        {&WindowWidgets::step_field, "-0.5", "0.01", step, double{0.01f}, true},
        {&WindowWidgets::overtones_field, "6", "6", overtones, 6.0, false},
        {&WindowWidgets::overtones_field, "", "6", overtones, 6.0, true},
        {&WindowWidgets::overtones_field, "0", "6", overtones, 6.0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.typed) + " into " +
                     (w().*row.field)->objectName().toStdString());
        doc().update_change_count(ChangeKind::Cleared);
        const int beeps = window.beep_count();
        type_and_return(w().*row.field, QString::fromLatin1(row.typed));
        EXPECT_EQ((w().*row.field)->text(), row.shown);
        EXPECT_EQ(row.value(doc()), row.expected);
        EXPECT_EQ(window.beep_count(), beeps + (row.refused ? 1 : 0));
        EXPECT_EQ(doc().is_edited(), !row.refused);
    }
    EXPECT_GT(doc().curve().number_of_points(), 140) << "the wider x range is resampled";
}

TEST_F(DocumentWindowTest, LeavingAFieldCommitsOnlyWhatWasTyped) {
    emit w().base_frequency_field->editingFinished();  // tabbed through
    EXPECT_FALSE(doc().is_edited());
    w().base_frequency_field->selectAll();
    QTest::keyClicks(w().base_frequency_field, "330");
    emit w().base_frequency_field->editingFinished();
    EXPECT_EQ(doc().curve().base_frequency(), 330.0);
    EXPECT_TRUE(doc().is_edited());
    doc().update_change_count(ChangeKind::Cleared);
    type_and_return(w().x_max_field, "2.0");  // the stored bound again
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(DocumentWindowTest, TheGraphFollowsTheTimbreTheTogglesAndTheFit) {
    GraphWidget* view = window.graph();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->number_of_points(), 201);
    w().timbre_selector->setCurrentIndex(0);  // as the document selects: no action
    EXPECT_FALSE(doc().is_edited());
    w().timbre_selector->setCurrentIndex(w().timbre_selector->findData(OddHarmonics));
    QTest::keyClick(w().timbre_selector, Qt::Key_Down);  // as the user chooses
    const int chosen = w().timbre_selector->currentData().toInt();
    EXPECT_NE(chosen, OddHarmonics);
    EXPECT_EQ(doc().curve().overtone_type(), chosen);
    EXPECT_EQ(w().y_max_field->text(), QLocale::c().toString(double{doc().curve().y_max()}, 'g', 7))
        << "the refitted y range is shown";

    QTest::mouseClick(w().plot_toggles[2], Qt::LeftButton);
    QTest::mouseClick(w().plot_toggles[0], Qt::LeftButton);
    EXPECT_TRUE(doc().curve().plot_dy() && doc().curve().plot_justs() && view->shows_slope());
    EXPECT_FALSE(doc().curve().plot_selected_ratio());

    // Fit refits the dissonance range and shows it, without counting as a change.
    doc().update_change_count(ChangeKind::Cleared);
    w().y_max_field->setText(QStringLiteral("40"));
    QTest::mouseClick(w().fit_y_button, Qt::LeftButton);
    EXPECT_LT(doc().curve().y_max(), 40.0f);
    EXPECT_EQ(w().y_max_field->text(),
              QLocale::c().toString(double{doc().curve().y_max()}, 'g', 7));
    EXPECT_EQ(view->y_max(), doc().curve().y_max());
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(DocumentWindowTest, TheSoundControlsGoToTheInstruments) {
    EXPECT_THAT(synth.calls, ElementsAre("set_midi_parameter 7 64"))
        << "a new window sends the volume it shows";
    w().volume_slider->setValue(100);
    EXPECT_EQ(doc().volume(), 100);
    EXPECT_EQ(synth.calls.back(), "set_midi_parameter 7 100");
    EXPECT_TRUE(window.isWindowModified());

    QTest::keyClick(w().midi_source_list, Qt::Key_Down);
    EXPECT_THAT(instruments.connected_sources, ElementsAre(1));
    QTest::keyClick(w().instrument_list, Qt::Key_Down);
    EXPECT_THAT(instruments.selected_programs, ElementsAre(1));

    window.set_sound_bank_chooser([](QWidget*) { return std::optional<QString>(); });
    QTest::mouseClick(w().load_bank_button, Qt::LeftButton);
    EXPECT_TRUE(instruments.loaded_banks.empty()) << "cancelled: nothing changes";
    window.set_sound_bank_chooser([](QWidget*) { return std::optional<QString>("/b.sf2"); });
    QTest::mouseClick(w().load_bank_button, Qt::LeftButton);
    ASSERT_EQ(w().instrument_list->count(), 1);
    EXPECT_EQ(w().instrument_list->itemText(0), "0 : Loaded");
    instruments.refuse_banks = true;
    instruments.programs = {"0 : Sine", "1 : Organ"};  // the bank that plays after a refusal
    QTest::mouseClick(w().load_bank_button, Qt::LeftButton);
    EXPECT_EQ(w().instrument_list->count(), 2) << "the programs that play are listed again";
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "The sound bank could not be loaded. It is not a bank.");
    QTest::mouseClick(w().default_bank_button, Qt::LeftButton);
    EXPECT_EQ(instruments.resets, 1);
    EXPECT_EQ(synth.calls.size(), 2u) << "a bank change does not send the volume again";
}

TEST_F(DocumentWindowTest, TheLastPlayedFieldIsWrittenOnTheInterfaceThreadOnly) {
    EXPECT_EQ(w().last_key_field->text(), "-");
    std::thread receive_thread([this] { instruments.play_note(60); });
    receive_thread.join();
    EXPECT_EQ(w().last_key_field->text(), "-") << "the MIDI thread never writes the field";
    QCoreApplication::processEvents();
    EXPECT_EQ(w().last_key_field->text(), "60");
}

TEST_F(DocumentWindowTest, TheGraphTakesTheExtraSpaceAndTabFollowsReadingOrder) {
    window.resize(1000, 650);
    QTest::qWait(10);
    const QSize graph_before = w().graph->size();
    const QSize field_before = w().base_frequency_field->size();
    window.resize(1400, 950);
    QTest::qWait(10);
    EXPECT_GT(w().graph->width(), graph_before.width() + 300);
    EXPECT_GT(w().graph->height(), graph_before.height() + 250);
    EXPECT_EQ(w().base_frequency_field->size(), field_before);

    std::vector<QWidget*> order;
    QWidget* at = w().timbre_selector;
    for (int i = 0; i < 9; ++i, at = at->nextInFocusChain()) {
        while (at->focusPolicy() == Qt::NoFocus) at = at->nextInFocusChain();
        order.push_back(at);
    }
    EXPECT_THAT(order,
                ElementsAre(w().timbre_selector, w().overtones_field, w().base_frequency_field,
                            w().x_min_field, w().x_max_field, w().y_min_field, w().y_max_field,
                            w().fit_y_button, w().step_field));
}

}  // namespace
}  // namespace kelvara
