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
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <thread>

#include "app/document_window.h"
#include "app/number_fields.h"
#include "support/app_fakes.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

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

TEST_F(DocumentWindowTest, ShowsTheNewDocumentInEveryControl) {
    EXPECT_EQ(window.objectName(), "document_window");
    EXPECT_EQ(w().base_frequency_field->text(), "440");
    EXPECT_EQ(w().x_min_field->text(), "1");
    EXPECT_EQ(w().x_max_field->text(), "2");
    EXPECT_EQ(w().step_field->text(), "0.005");
    EXPECT_EQ(w().overtones_field->text(), "25");
    EXPECT_EQ(w().timbre_selector->currentData().toInt(), doc().curve().overtone_type());
    for (QToolButton* toggle : w().plot_toggles) EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(w().volume_slider->value(), 64);
    EXPECT_EQ(w().last_key_field->text(), "-");
    EXPECT_FALSE(window.isWindowModified());
    EXPECT_EQ(window.windowTitle(), "Untitled[*] — Kelvara");
}

TEST_F(DocumentWindowTest, TypedNumbersReachTheDocumentWhateverTheLocale) {
    // The tests run under a German locale, whose decimal separator is a comma.
    type_and_return(w().base_frequency_field, "261.63");
    EXPECT_EQ(doc().curve().base_frequency(), 261.6300048828125);
    type_and_return(w().x_max_field, "2.5");
    EXPECT_EQ(doc().curve().x_max(), 2.5f);
    EXPECT_GT(doc().curve().number_of_points(), 290) << "the wider x range is resampled";
    type_and_return(w().y_max_field, "7.25");
    EXPECT_EQ(doc().curve().y_max(), 7.25f);
    type_and_return(w().step_field, "0.01");
    EXPECT_EQ(doc().curve().step_size(), static_cast<double>(0.01f));
    type_and_return(w().overtones_field, "6");
    EXPECT_EQ(doc().curve().number_of_overtones(), 6);
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_EQ(window.beep_count(), 0);
}

TEST_F(DocumentWindowTest, TheGraphDrawsTheDocumentsCurveAndFollowsItsEdits) {
    auto* view = window.graph();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view, w().graph);
    EXPECT_EQ(view->number_of_points(), 201);
    EXPECT_TRUE(view->curve_path().has_value());
    type_and_return(w().x_max_field, "3");
    EXPECT_EQ(view->x_max(), 3.0f);
    EXPECT_EQ(view->number_of_points(), doc().curve().number_of_points());
    type_and_return(w().step_field, "0.01");
    EXPECT_EQ(view->number_of_points(), doc().curve().number_of_points());
    QTest::mouseClick(w().plot_toggles[2], Qt::LeftButton);
    EXPECT_TRUE(view->shows_slope());
}

TEST_F(DocumentWindowTest, FieldsTakeOnlyNumberCharacters) {
    type_and_return(w().base_frequency_field, "2x2o0");
    EXPECT_EQ(w().base_frequency_field->text(), "220");
    EXPECT_EQ(doc().curve().base_frequency(), 220.0);
}

TEST_F(DocumentWindowTest, TextThatIsNotANumberIsRefusedAndTheStoredValueShownAgain) {
    type_and_return(w().step_field, "1e");
    EXPECT_EQ(window.beep_count(), 1);
    EXPECT_EQ(w().step_field->text(), "0.005");
    type_and_return(w().overtones_field, "");
    EXPECT_EQ(window.beep_count(), 2);
    EXPECT_EQ(w().overtones_field->text(), "25");
    type_and_return(w().x_min_field, "1.2.3");
    EXPECT_EQ(w().x_min_field->text(), "1");
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(DocumentWindowTest, NumbersTheDocumentRefusesAreShownBackAsTheyWere) {
    type_and_return(w().overtones_field, "0");
    EXPECT_EQ(w().overtones_field->text(), "25");
    type_and_return(w().step_field, "-0.5");
    EXPECT_EQ(w().step_field->text(), "0.005");
    type_and_return(w().base_frequency_field, "0");
    EXPECT_EQ(w().base_frequency_field->text(), "440");
    type_and_return(w().x_max_field, "1e30");
    EXPECT_EQ(w().x_max_field->text(), "2");
    EXPECT_EQ(window.beep_count(), 4);
    EXPECT_EQ(doc().curve().number_of_overtones(), 25);
    EXPECT_FALSE(doc().is_edited());
    EXPECT_FALSE(window.isWindowModified());
}

TEST_F(DocumentWindowTest, LeavingAFieldCommitsOnlyWhatWasTyped) {
    // Tabbing through the base frequency must not mark the document changed.
    emit w().base_frequency_field->editingFinished();
    EXPECT_FALSE(doc().is_edited());
    // An edit followed by leaving the field commits once.
    w().base_frequency_field->selectAll();
    QTest::keyClicks(w().base_frequency_field, "330");
    emit w().base_frequency_field->editingFinished();
    EXPECT_EQ(doc().curve().base_frequency(), 330.0);
    EXPECT_TRUE(doc().is_edited());
    // Typing the stored bound again changes nothing.
    doc().update_change_count(ChangeKind::Cleared);
    type_and_return(w().x_max_field, "2.0");
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(DocumentWindowTest, TimbrePopUpRunsOnlyForTheUsersChoice) {
    w().timbre_selector->setCurrentIndex(0);  // as the document selects: no action
    EXPECT_EQ(doc().curve().overtone_type(), GeometricHarmonics);
    EXPECT_FALSE(doc().is_edited());

    w().timbre_selector->setCurrentIndex(w().timbre_selector->findData(OddHarmonics));
    QTest::keyClick(w().timbre_selector, Qt::Key_Down);
    const int chosen = w().timbre_selector->currentData().toInt();
    EXPECT_NE(chosen, OddHarmonics);
    EXPECT_EQ(doc().curve().overtone_type(), chosen);
    EXPECT_EQ(w().y_max_field->text().toStdString(),
              float_text(doc().curve().y_max()).toStdString())
        << "the refitted y range is shown";
    EXPECT_TRUE(window.isWindowModified());
}

TEST_F(DocumentWindowTest, PlotTogglesAreIndependent) {
    QTest::mouseClick(w().plot_toggles[2], Qt::LeftButton);
    EXPECT_TRUE(doc().curve().plot_dy());
    QTest::mouseClick(w().plot_toggles[0], Qt::LeftButton);
    EXPECT_TRUE(doc().curve().plot_justs());
    EXPECT_TRUE(doc().curve().plot_dy());
    EXPECT_FALSE(doc().curve().plot_selected_ratio());
    QTest::mouseClick(w().plot_toggles[2], Qt::LeftButton);
    EXPECT_FALSE(doc().curve().plot_dy());
    EXPECT_TRUE(w().plot_toggles[0]->isChecked());
    EXPECT_TRUE(window.isWindowModified());
}

TEST_F(DocumentWindowTest, FitRefitsTheDissonanceRangeWithoutCountingAsAChange) {
    w().y_max_field->setText(QStringLiteral("40"));
    QTest::mouseClick(w().fit_y_button, Qt::LeftButton);
    EXPECT_LT(doc().curve().y_max(), 40.0f);
    EXPECT_EQ(w().y_max_field->text(), float_text(doc().curve().y_max()));
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(DocumentWindowTest, TheVolumeSliderSendsControllerSevenAndMarksTheDocumentChanged) {
    EXPECT_THAT(synth.calls, ::testing::ElementsAre("set_midi_parameter 7 64"))
        << "a new window sends the volume it shows";
    w().volume_slider->setValue(100);
    EXPECT_EQ(doc().volume(), 100);
    EXPECT_EQ(synth.calls.back(), "set_midi_parameter 7 100");
    EXPECT_TRUE(window.isWindowModified());
    QTest::keyClick(w().volume_slider, Qt::Key_Left);
    EXPECT_EQ(synth.calls.back(), "set_midi_parameter 7 99");
    EXPECT_EQ(w().volume_slider->maximum(), 127);
}

TEST_F(DocumentWindowTest, TheLastPlayedFieldReadsADashUntilANoteOnArrives) {
    EXPECT_EQ(w().last_key_field->text(), "-");
    std::thread receive_thread([this] { instruments.play_note(60); });
    receive_thread.join();
    EXPECT_EQ(w().last_key_field->text(), "-") << "the MIDI thread never writes the field";
    QCoreApplication::processEvents();
    EXPECT_EQ(w().last_key_field->text(), "60");
}

TEST_F(DocumentWindowTest, TheSourcePopUpListsTheSourcesAndEachPickConnectsOne) {
    ASSERT_EQ(w().midi_source_list->count(), 2);
    EXPECT_EQ(w().midi_source_list->itemText(1), "Keys Synth B");
    EXPECT_TRUE(w().midi_source_list->toolTip().contains("JACK"));
    QTest::keyClick(w().midi_source_list, Qt::Key_Down);
    EXPECT_THAT(instruments.connected_sources, ::testing::ElementsAre(1));
}

TEST_F(DocumentWindowTest, ProgramsAndBanksGoToTheInstruments) {
    ASSERT_EQ(w().instrument_list->count(), 2);
    EXPECT_EQ(w().instrument_list->itemText(0), "0 : Sine");
    QTest::keyClick(w().instrument_list, Qt::Key_Down);
    EXPECT_THAT(instruments.selected_programs, ::testing::ElementsAre(1));

    window.set_sound_bank_chooser([](QWidget*) { return std::optional<QString>(); });
    QTest::mouseClick(w().load_bank_button, Qt::LeftButton);
    EXPECT_THAT(instruments.loaded_banks, ::testing::IsEmpty()) << "cancelled: nothing changes";

    window.set_sound_bank_chooser([](QWidget*) { return std::optional<QString>("/b.sf2"); });
    QTest::mouseClick(w().load_bank_button, Qt::LeftButton);
    EXPECT_THAT(instruments.loaded_banks, ::testing::ElementsAre("/b.sf2"));
    ASSERT_EQ(w().instrument_list->count(), 1);
    EXPECT_EQ(w().instrument_list->itemText(0), "0 : Loaded");

    instruments.refuse_banks = true;
    instruments.programs = {"0 : Sine", "1 : Organ"};  // the default bank, back
    QTest::mouseClick(w().load_bank_button, Qt::LeftButton);
    EXPECT_EQ(w().instrument_list->count(), 2)
        << "a refused bank: the programs that play are listed again";
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "The sound bank could not be loaded. It is not a bank.");

    QTest::mouseClick(w().default_bank_button, Qt::LeftButton);
    EXPECT_EQ(instruments.resets, 1);
    EXPECT_EQ(synth.calls.size(), 1u) << "a bank change does not send the volume again";
}

TEST_F(DocumentWindowTest, TheGraphTakesTheExtraSpace) {
    window.resize(1000, 650);
    QTest::qWait(10);
    const QSize graph_before = w().graph->size();
    const QSize field_before = w().base_frequency_field->size();
    window.resize(1400, 950);
    QTest::qWait(10);
    EXPECT_GT(w().graph->width(), graph_before.width() + 300);
    EXPECT_GT(w().graph->height(), graph_before.height() + 250);
    EXPECT_EQ(w().base_frequency_field->size(), field_before);
}

TEST_F(DocumentWindowTest, TabGoesThroughTheControlsInReadingOrder) {
    std::vector<QWidget*> order;
    QWidget* at = w().timbre_selector;
    for (int i = 0; i < 9; ++i, at = at->nextInFocusChain()) {
        while (at->focusPolicy() == Qt::NoFocus) at = at->nextInFocusChain();
        order.push_back(at);
    }
    EXPECT_THAT(order, ::testing::ElementsAre(w().timbre_selector, w().overtones_field,
                                              w().base_frequency_field, w().x_min_field,
                                              w().x_max_field, w().y_min_field, w().y_max_field,
                                              w().fit_y_button, w().step_field));
}

TEST_F(DocumentWindowTest, EveryControlExplainsItself) {
    const QWidget* controls[] = {
        w().timbre_selector, w().base_frequency_field, w().overtones_field, w().step_field,
        w().x_min_field,     w().x_max_field,          w().y_min_field,     w().y_max_field,
        w().plot_toggles[0], w().plot_toggles[1],      w().plot_toggles[2], w().fit_y_button,
        w().scale_table,     w().fixed_tone_table,     w().chord_table,     w().midi_source_list,
        w().instrument_list, w().volume_slider,        w().last_key_field};
    for (const QWidget* control : controls)
        EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
}

}  // namespace
}  // namespace kelvara
