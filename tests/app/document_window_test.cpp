// A document window's controls and tables, through real widgets: each one runs its document
// action, and refused input is answered with the beep and the stored value shown again. (Its
// layout at the minimum size: graph_window_test.cpp.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <thread>

#include "app/document_window.h"
#include "app/number_fields.h"
#include "app/rescanning_combo_box.h"
#include "document/instrument_rig.h"
#include "engine/engine_limits.h"
#include "engine/timbre_starting_points.h"
#include "midi/in_process_midi_system.h"
#include "midi/no_midi_client.h"
#include "scales/ratio_form.h"
#include "scales/ratio_list.h"
#include "support/app_fakes.h"
#include "support/recording_midi_output.h"
#include "support/shown_window.h"
#include "support/window_controls.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

using testing::control;

using ::testing::ElementsAre;
using ::testing::FloatNear;
using ::testing::HasSubstr;

class DocumentWindowTest : public testing::ShownWindowTest {
protected:
    // Types into a field the way a user does: select all, erase, type, press Return.
    static void type_and_return(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    static QString cell(QTableView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }
    // Edits a cell as a user does: open the editor, type, press Return. The delegate commits
    // through a queued call, so events are processed afterwards.
    static void edit_cell(QTableView* view, int row, int column, const QString& text) {
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        view->edit(index);
        auto* editor = view->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        // The closed editor is deleted later; let it go before the next edit looks for one.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Chooses a preset through the menu of the presets segment, as a click and a pick.
    void choose_preset(int position) {
        QMenu* menu = find<QMenu>("preset_menu");
        QTimer::singleShot(0, menu, [menu, position] {
            for (int i = 0; i <= position; ++i) QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(segment("scale_presets"), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
};

// Each row types into one field of the same window, in order, and says how the document's
// state changes; a refused text changes nothing, beeps and shows the stored value again.
// Under the tests' German locale (a decimal comma) the fields still read a decimal point.
TEST_F(DocumentWindowTest, TypedNumbersReachTheDocumentOrAreRefusedWithABeep) {
    using State = DocumentFileState;
    struct Row {
        const char* field;
        const char* typed;
        const char* shown;                // the field's text afterwards
        void (*change)(State& expected);  // null: refused
        bool refits_y = false;            // a new curve shape: the y range is fitted again
    };
    const Row rows[] = {
        {"base_frequency_field", "261.63", "261.63", [](State& s) { s.base_frequency = 261.63f; },
         true},
        {"x_max_field", "2.5", "2.5", [](State& s) { s.x_max = 2.5f; }},
        {"x_min_field", "1.2.3", "1", nullptr},
        {"step_field", "0.01", "0.01", [](State& s) { s.step_size = 0.01f; }},
        {"overtones_field", "6", "6", [](State& s) { s.number_of_overtones = 6; }, true},
        {"overtones_field", "2.5", "6", nullptr},  // refused, not read as 25
    };
    for (const Row& row : rows) {
        QLineEdit* typed_into = field(row.field);
        SCOPED_TRACE(std::string(row.typed) + " into " + typed_into->objectName().toStdString());
        doc().history().update_change_count(ChangeKind::Cleared);
        const int beeps = window.beep_count();
        State expected = doc().state();
        if (row.change) row.change(expected);
        type_and_return(typed_into, QString::fromLatin1(row.typed));
        EXPECT_EQ(typed_into->text(), row.shown);
        const State actual = doc().state();
        if (row.refits_y) expected.y_min = actual.y_min, expected.y_max = actual.y_max;
        EXPECT_TRUE(actual == expected);
        EXPECT_EQ(window.beep_count(), beeps + (row.change ? 0 : 1));
        EXPECT_EQ(doc().is_edited(), row.change != nullptr);
    }
}

TEST_F(DocumentWindowTest, LeavingAFieldCommitsOnlyWhatWasTyped) {
    emit field("base_frequency_field")->editingFinished();  // tabbed through
    EXPECT_FALSE(doc().is_edited());
    field("base_frequency_field")->selectAll();
    QTest::keyClicks(field("base_frequency_field"), "330");
    emit field("base_frequency_field")->editingFinished();
    EXPECT_EQ(doc().curve().base_frequency(), 330.0);
    EXPECT_TRUE(doc().is_edited());
}

TEST_F(DocumentWindowTest, TheGraphFollowsTheTimbreTheTogglesAndTheFit) {
    const auto shown_y_max = [this] { return float_text(doc().curve().y_max()); };
    find<QComboBox>("timbre_selector")->setCurrentIndex(0);  // as the document selects: no action
    EXPECT_FALSE(doc().is_edited());
    find<QComboBox>("timbre_selector")
        ->setCurrentIndex(find<QComboBox>("timbre_selector")->findData(OddHarmonics));
    QTest::keyClick(find<QComboBox>("timbre_selector"), Qt::Key_Down);  // as the user chooses
    const int chosen = find<QComboBox>("timbre_selector")->currentData().toInt();
    EXPECT_NE(chosen, OddHarmonics);
    EXPECT_EQ(doc().curve().overtone_type(), chosen);
    EXPECT_EQ(field("y_max_field")->text(), shown_y_max()) << "the refitted y range is shown";

    QTest::mouseClick(segment("plot_slope"), Qt::LeftButton);
    EXPECT_TRUE(doc().curve().plot_slope());
    EXPECT_TRUE(window.graph()->layers().flags.slope);

    // Fit refits the dissonance range and shows it, without counting as a change.
    doc().history().update_change_count(ChangeKind::Cleared);
    field("y_max_field")->setText(QStringLiteral("40"));
    QTest::mouseClick(find<QPushButton>("fit_y_button"), Qt::LeftButton);
    EXPECT_LT(doc().curve().y_max(), 40.0f);
    EXPECT_EQ(field("y_max_field")->text(), shown_y_max());
    EXPECT_EQ(window.graph()->geometry().ranges().y.max, doc().curve().y_max());
    EXPECT_FALSE(doc().is_edited());
}

// The number of overtones does not enter a sine's curve: its field is off for a sine chosen in
// the pop-up, and on again when undo leaves the sine (a file's timbre arrives the same way).
TEST_F(DocumentWindowTest, TheOvertonesFieldIsOffForASineOnly) {
    QComboBox* timbres = find<QComboBox>("timbre_selector");
    const auto choose = [timbres](int type) {
        const int target = timbres->findData(type);
        while (timbres->currentIndex() != target)
            QTest::keyClick(timbres, timbres->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    };
    choose(PureTone);
    EXPECT_FALSE(field("overtones_field")->isEnabled());
    doc().history().undo();
    EXPECT_TRUE(field("overtones_field")->isEnabled());
}

// A custom timbre through the window: chosen in the pop-up (its table comes on, the Overtones
// field goes off), its cells, a pasted column, the starting points' menu and the roughness
// model pop-up, or a refusal in the status bar. (The undo of each choice:
// tests/document/custom_timbre_actions_test.cpp.)
TEST_F(DocumentWindowTest, TheCustomTimbreIsEditedInItsTableAndStartsFromItsMenu) {
    const auto status = [this] { return window.statusBar()->currentMessage().toStdString(); };
    const auto action_named = [this](const QString& text) {
        for (QAction* action : find<QMenu>("starting_point_menu")->actions())
            if (action->text() == text) return action;
        return static_cast<QAction*>(nullptr);
    };
    EXPECT_FALSE(find<QGroupBox>("partial_box")->isEnabled());
    QTest::keyClick(find<QComboBox>("timbre_selector"),
                    Qt::Key_Down);  // from geometric harmonics to Custom
    ASSERT_EQ(doc().curve().overtone_type(), CustomPartials);
    EXPECT_TRUE(find<QGroupBox>("partial_box")->isEnabled());
    EXPECT_FALSE(field("overtones_field")->isEnabled());

    edit_cell(table("partial_table"), 1, 1, QStringLiteral("0.5"));
    EXPECT_EQ(doc().curve().custom_partials()[1].amplitude, 0.5);
    EXPECT_EQ(cell(table("partial_table"), 1, 2), "-6.0");

    QApplication::clipboard()->setText(QStringLiteral("1\n2.756\n5.404\n"));
    table("partial_table")->setCurrentIndex(table("partial_table")->model()->index(0, 0));
    QTest::keySequence(table("partial_table"), QKeySequence::Paste);
    EXPECT_EQ(doc().curve().custom_partials()[2].ratio, 5.404);
    QApplication::clipboard()->setText(QStringLiteral("1 2000"));
    QTest::mouseClick(segment("partial_paste"), Qt::LeftButton);  // the segment pastes too
    EXPECT_EQ(status(), "Row 2: A partial's ratio must be 0.001\u20131000.");

    field("inharmonicity_field")->setText(QStringLiteral("0.01"));
    action_named(QStringLiteral("Stiff String (B as set)"))->trigger();
    EXPECT_EQ(doc().curve().custom_partials(), *stiff_string_partials(25, 0.01));

    QTest::keyClick(find<QComboBox>("roughness_model_selector"), Qt::Key_Down);
    EXPECT_EQ(doc().curve().roughness_model(), RoughnessModel::Minimum);
}

// (The volume slider: undo_recovery_test.cpp.)
TEST_F(DocumentWindowTest, TheSoundControlsGoToTheInstruments) {
    QTest::keyClick(find<QComboBox>("instrument_list"), Qt::Key_Down);
    // The window started with the first program (the document's timbre, with real instruments).
    EXPECT_THAT(instruments.selected_programs, ElementsAre(0, 1));

    testing::ScriptedDialogs dialogs;
    window.set_dialogs(dialogs);
    dialogs.sound_bank_answers = {"/b.sf2", "/banks/not a bank.sf2"};
    QTest::mouseClick(find<QPushButton>("load_bank_button"), Qt::LeftButton);
    EXPECT_THAT(instruments.loaded_banks, ElementsAre("/b.sf2"));
    ASSERT_EQ(find<QComboBox>("instrument_list")->count(), 1);
    EXPECT_EQ(find<QComboBox>("instrument_list")->itemText(0), "0 : Loaded");
    // Default Bank lists the default bank's programs again.
    instruments.programs = {"0 : Sine", "1 : Organ"};
    QTest::mouseClick(find<QPushButton>("default_bank_button"), Qt::LeftButton);
    EXPECT_EQ(instruments.resets, 1);
    EXPECT_EQ(find<QComboBox>("instrument_list")->count(), 2);
    QTest::keyClick(find<QComboBox>("instrument_list"), Qt::Key_Down);
    // A refused bank: the bank before plays on, and its program stays shown.
    instruments.refuse_banks = true;
    QTest::mouseClick(find<QPushButton>("load_bank_button"), Qt::LeftButton);
    EXPECT_EQ(find<QComboBox>("instrument_list")->currentText(), "1 : Organ");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].first,
              "The sound bank \u201cnot a bank.sf2\u201d could not be loaded.");
    EXPECT_EQ(dialogs.errors[0].second,
              "The file is not a sound bank.\n0 bytes\n\nThe bank you had plays on.");
}

// A window over the real instruments, silent, listening on `client`; `rig` (if given) is
// where they can still be reached.
std::unique_ptr<DocumentWindow> window_on(std::unique_ptr<midi::MidiClient> client,
                                          InstrumentRig** rig = nullptr) {
    auto document = std::make_unique<Document>();
    InstrumentRig::Setup setup;
    setup.sound.backend = "null";
    setup.sound.default_bank = "/nonexistent/bank.sf2";  // the generated bank: quick
    setup.midi_client = std::move(client);
    auto instruments =
        std::make_unique<InstrumentRig>(document->chords().published(), std::move(setup));
    if (rig) *rig = instruments.get();
    return std::make_unique<DocumentWindow>(std::move(document), std::move(instruments));
}

// The window's real instruments over the in-process MIDI system: the list checks exactly the
// sources connected, from the start, after each pick, and as sources go and come back.
TEST(DocumentWindowMidi, TheListChecksTheSourcesThatAreConnected) {
    midi::InProcessMidiSystem system;
    system.add_source({"keys:1", "Keys", 1, true, "Keys"});
    system.add_source({"pads:1", "Pads", 2, true, "Pads"});
    const auto window = window_on(system.create_client(midi::kMidiClientName, "ALSA sequencer"));
    auto* sources = control<QToolButton>(*window, "midi_source_list");
    QMenu* menu = sources->menu();
    const auto pick = [&](int item) { menu->actions()[item]->trigger(); };
    const auto shown_and_connected = [&](const QString& shown,
                                         const std::vector<std::string>& addresses) {
        QCoreApplication::processEvents();  // the system's announcements are queued
        EXPECT_EQ(sources->text(), shown);
        std::vector<std::string> checked;
        for (const QAction* item : menu->actions())
            if (item->isChecked()) checked.push_back(item->text() == "Keys" ? "keys:1" : "pads:1");
        EXPECT_EQ(checked, addresses);
        EXPECT_THAT(system.connected_addresses(), ::testing::UnorderedElementsAreArray(addresses));
    };
    shown_and_connected("Keys", {"keys:1"});
    pick(1);  // the pads join the keys
    shown_and_connected("Keys, Pads", {"keys:1", "pads:1"});
    system.remove_source("pads:1");  // unplugged
    shown_and_connected("Keys", {"keys:1"});
    pick(0);  // the keys leave
    shown_and_connected("None", {});

    const auto silent = window_on(std::make_unique<midi::NoMidiClient>());
    EXPECT_TRUE(control<QToolButton>(*silent, "midi_source_list")
                    ->toolTip()
                    .startsWith("No MIDI system is available"));
}

// The computer keyboard plays through the same note path as a MIDI keyboard: Z plays what
// MIDI key 60 plays, the keyboard's repeat adds nothing, the keys held are let go when the
// window loses the focus, and Scale Steps plays the scale's steps from its 1/1 on Z.
// Adaptive then tunes its C major triad of six equal harmonics (from 261.63 Hz) to 4:5:6,
// its lowest note staying, and the dock shows each note moved.
TEST(DocumentWindowMidi, TheComputerKeyboardPlaysAsTheMidiKeysDoAndAdaptsItsTriad) {
    struct RecordingPlayer final : midi::NotePlayer {
        std::vector<midi::Chord> played;
        int released = 0;
        midi::NoteInstances notes_on(const midi::Chord& chord, float) override {
            played.push_back(chord);
            return {int32_t(played.size())};
        }
        void notes_off(const midi::NoteInstances&) override { ++released; }
        void set_midi_parameter(uint32_t, uint32_t) override {}
    };
    midi::InProcessMidiSystem system;
    system.add_source({"keys:1", "Keys", 1, true, "Keys"});
    InstrumentRig* rig = nullptr;
    const auto window = window_on(system.create_client(midi::kMidiClientName), &rig);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Document& document = window->document();
    document.table_actions().chord_action(ChordAction::AddAtFreeKey);  // key 60
    auto player = std::make_shared<RecordingPlayer>();
    rig->mirror_midi_notes(player);
    system.send("keys:1", std::vector<uint8_t>{0x90, 60, 100});
    system.send("keys:1", std::vector<uint8_t>{0x80, 60, 0});
    ASSERT_EQ(player->played.size(), 1u);

    QWidget* focus = control<QLineEdit>(*window, "overtones_field");
    QTest::keyClick(focus, Qt::Key_Z);
    EXPECT_EQ(player->played.size(), 1u) << "off by default: the key types";
    control<QCheckBox>(*window, "computer_keyboard_box")->setChecked(true);
    const QString typed = focus->property("text").toString();
    QTest::keyPress(focus, Qt::Key_Z);
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {  // held down
        QKeyEvent repeated(type, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"), true);
        QCoreApplication::sendEvent(focus, &repeated);
    }
    ASSERT_EQ(player->played.size(), 2u);
    EXPECT_EQ(player->played[1], player->played[0]) << "Z plays MIDI key 60's chord";
    QEvent deactivated(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(window.get(), &deactivated);
    EXPECT_EQ(player->released, 2) << "the held Z let go (after the MIDI key's own release)";
    EXPECT_FALSE(rig->window_keys()->any_held());

    document.table_actions().add_scale_preset(ScalePreset::TwelveTone);
    auto* target = control<QComboBox>(*window, "computer_keyboard_target");
    target->setCurrentIndex(1);
    emit target->activated(1);
    QTest::keyClick(focus, Qt::Key_X);  // key 62: the scale's third step
    ASSERT_EQ(player->played.size(), 3u);
    EXPECT_THAT(player->played[2], ElementsAre(FloatNear(440.0f * std::exp2(2.0f / 12), 1e-3f)));
    EXPECT_EQ(focus->property("text").toString(), typed) << "nothing typed while the keys play";
    rig->mirror_midi_notes(nullptr);

    document.curve_actions().set_overtone_type(FlatHarmonics);
    document.curve_actions().set_number_of_overtones(6);
    document.curve_actions().set_base_frequency(261.63f);
    control<QCheckBox>(*window, "adaptive_box")->setChecked(true);
    auto* dock = control<QWidget>(*window, "adaptive_panel");
    EXPECT_TRUE(dock->isVisible()) << "checking Adaptive shows its dock";
    for (const Qt::Key key : {Qt::Key_Z, Qt::Key_C, Qt::Key_B}) QTest::keyPress(focus, key);
    auto* table = control<QTableWidget>(*window, "adaptive_table");
    const auto moved = [&](int row) { return table->item(row, 4)->text().toDouble(); };
    // The third's move (the whole chord's: adaptive_note_player_test.cpp).
    QTRY_VERIFY_WITH_TIMEOUT(table->rowCount() == 3 && std::fabs(moved(1) + 13.69) < 0.05, 5000);
    control<QCheckBox>(*window, "adaptive_box")->setChecked(false);
    EXPECT_FALSE(rig->adaptive().tuning_on());
}

TEST_F(DocumentWindowTest, TheLastPlayedFieldIsWrittenOnTheInterfaceThreadOnly) {
    EXPECT_EQ(field("last_key_field")->text(), "-");
    std::thread receive_thread([this] { instruments.play_note(60); });
    receive_thread.join();
    EXPECT_EQ(field("last_key_field")->text(), "-") << "the MIDI thread never writes the field";
    QCoreApplication::processEvents();
    EXPECT_EQ(field("last_key_field")->text(), "60");
}

TEST_F(DocumentWindowTest, ThePresetMenuFillsTheScaleTableWithModelsThatKeepTheContract) {
    for (QTableView* view : {table("scale_table"), table("fixed_tone_table"), table("chord_table")})
        QAbstractItemModelTester tester(view->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    choose_preset(2);  // 12 equal steps per octave
    ASSERT_EQ(table("scale_table")->model()->rowCount(), 25);
    EXPECT_EQ(cell(table("scale_table"), 12, 1), "1200");
    // The equal division reads its two fields (13 steps up to 3); with Add to the Table
    // checked it adds its 18 ratios but their 1 (how each mode merges: ratio_actions_test).
    field("division_base_field")->setText(QStringLiteral("3"));
    field("division_count_field")->setText(QStringLiteral("13"));
    find<QAction>("preset_add_item")->setChecked(true);
    find<QMenu>("preset_menu")->actions()[1]->trigger();
    EXPECT_EQ(table("scale_table")->model()->rowCount(), 25 + 17);
}

// The segments add and delete rows; an eleventh fixed tone and a key that plays another
// chord already are refused with the beep and a word on why, and change nothing.
TEST_F(DocumentWindowTest, SegmentsAddAndDeleteRowsOrSayWhyNothingHappened) {
    QTest::mouseClick(segment("scale_add"), Qt::LeftButton);
    QTest::mouseClick(segment("scale_add"), Qt::LeftButton);
    EXPECT_EQ(table("scale_table")->model()->rowCount(), 2);
    QTest::mouseClick(segment("scale_delete"), Qt::LeftButton);
    EXPECT_EQ(window.beep_count(), 1) << "nothing selected to delete";
    table("scale_table")->selectRow(1);
    QTest::keyClick(table("scale_table"), Qt::Key_Delete);  // as its minus segment does
    EXPECT_EQ(table("scale_table")->model()->rowCount(), 1);

    QTest::mouseClick(segment("fixed_tone_add"), Qt::LeftButton);
    EXPECT_EQ(table("fixed_tone_table")->model()->rowCount(), 2);
    QTest::mouseClick(segment("chord_add"), Qt::LeftButton);
    QTest::mouseClick(segment("chord_from_fixed_tones"), Qt::LeftButton);
    EXPECT_EQ(cell(table("chord_table"), 1, 1), "440,440") << "the fixed tones copied as a chord";
    EXPECT_EQ(cell(table("chord_table"), 0, 0), "60  C4") << "the note name beside the key";
    edit_cell(table("chord_table"), 1, 0, QStringLiteral("60"));
    EXPECT_EQ(cell(table("chord_table"), 1, 0), "61  C\u266F4");
    EXPECT_EQ(window.beep_count(), 2);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "Key 60 plays another chord already: give that chord another key first.");

    while (table("fixed_tone_table")->model()->rowCount() < kMaxDissonanceRatios)
        QTest::mouseClick(segment("fixed_tone_add"), Qt::LeftButton);
    QTest::mouseClick(segment("fixed_tone_add"), Qt::LeftButton);
    EXPECT_EQ(table("fixed_tone_table")->model()->rowCount(), kMaxDissonanceRatios);
    EXPECT_EQ(window.beep_count(), 3);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "A curve takes at most 10 fixed tones: delete one before adding another.");
}

TEST_F(DocumentWindowTest, CellsTakeValuesAndTheScaleSelectionMovesTheCursorLine) {
    find<QMenu>("preset_menu")->actions()[2]->trigger();  // 12 equal steps per octave, twice
    edit_cell(table("scale_table"), 24, 1,
              QStringLiteral("700"));  // 4 becomes 700 cents
    EXPECT_EQ(cell(table("scale_table"), 7, 0), "700c") << "sorted in, shown as typed";
    EXPECT_EQ(doc().tables().scale_ratios()[7], 1.4983071f);
    const QModelIndexList selected = table("scale_table")->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(doc().tables().scale_ratios()[selected[0].row()], 1.4983071f)
        << "the edited row's selection followed it to its sorted place";
    edit_cell(table("fixed_tone_table"), 0, 0, QStringLiteral("1.5"));
    EXPECT_THAT(doc().tables().fixed_tones(), ElementsAre(1.5f));
    // Ratio cells take p/q and cents too; what a cell shows reads back as no edit.
    doc().history().update_change_count(ChangeKind::Cleared);
    edit_cell(table("scale_table"), 4, 1, cell(table("scale_table"), 4, 1));
    EXPECT_FALSE(window.isWindowModified());
    edit_cell(table("fixed_tone_table"), 0, 0, "4/3");
    EXPECT_EQ(doc().tables().fixed_tones()[0], 4.0f / 3.0f);
    edit_cell(table("fixed_tone_table"), 0, 0, "386.31c");
    EXPECT_EQ(doc().tables().fixed_tones()[0], *ratio_of_form("386.31c"));
    table("scale_table")->selectRow(7);
    EXPECT_EQ(window.graph()->layers().cursor_ratio, 1.4983071f);
    // A selection in another table moves the line to the selected scale ratio again.
    QTest::mouseClick(segment("plot_cursor_line"), Qt::LeftButton);
    table("fixed_tone_table")->selectRow(0);
    EXPECT_EQ(window.graph()->layers().cursor_ratio, 1.4983071f);
    EXPECT_TRUE(window.graph()->layers().flags.selected_ratio);
}

// A shown window whose MIDI output records what it sends to the destinations listed.
struct WindowWithRecordedOutput {
    explicit WindowWithRecordedOutput(std::unique_ptr<Instruments> instruments = nullptr)
        : window(std::make_unique<Document>(), std::move(instruments), [this] {
              return std::make_unique<midi::MidiOutput>(
                  std::make_unique<testing::RecordingMidiOutputClient>(record));
          }) {
        record->listed = {{"20:0", "Synth input port", "FLUID Synth"},
                          {"24:0", "Port-0", "Midi Through"}};
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    std::vector<std::vector<uint8_t>> take_sent() { return std::exchange(record->sent, {}); }

    std::shared_ptr<testing::RecordedMidiOutput> record =
        std::make_shared<testing::RecordedMidiOutput>();
    DocumentWindow window;
    RescanningComboBox* box = control<RescanningComboBox>(window, "midi_destination_list");
};

// The MIDI output pop-up: "None" first and chosen; a destination picked gets the whole tuning
// as soon as the scale table is one, then what each edit changes; a destination that went
// away, or "None", gets nothing more.
TEST(DocumentWindowMidiOutput, ThePickedDestinationFollowsTheScaleTable) {
    WindowWithRecordedOutput output;
    auto& [record, window, box] = output;
    const auto open_list = [box] {
        box->showPopup();
        box->hidePopup();
    };
    open_list();  // (how the destinations are titled: tests/midi/midi_output_test.cpp)
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "None");

    // The new document's empty table is no tuning yet: refused, the destination chosen.
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_THAT(record->connections, ElementsAre("connect 20:0"));
    EXPECT_TRUE(output.take_sent().empty());  // (why: midi_tuning_sender_test.cpp)
    control<QMenu>(window, "preset_menu")->actions()[2]->trigger();  // 12 equal steps per octave
    auto sent = output.take_sent();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), kMtsBulkDumpBytes);
    EXPECT_EQ(std::string(sent[0].begin() + 6, sent[0].begin() + 22), "Untitled        ");

    // An edit of the tuning is followed (which keys, how many messages: the sender's tests).
    window.document().curve_actions().set_base_frequency(300.0f);
    EXPECT_EQ(output.take_sent().size(), 2u);

    // When the list opens again without the destination, nothing holds the tuning any more.
    record->listed.erase(record->listed.begin());
    open_list();
    EXPECT_EQ(box->currentText(), "None");
    EXPECT_EQ(box->count(), 2);
    EXPECT_THAT(record->connections, ElementsAre("connect 20:0", "disconnect 20:0"));
    window.document().curve_actions().set_base_frequency(310.0f);
    EXPECT_TRUE(output.take_sent().empty());

    // A destination that refuses: said so, and "None" again.
    record->refuse_connections = true;
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "The MIDI destination Midi Through:Port-0 could not be connected.");
    EXPECT_EQ(box->currentText(), "None");
}

// Pitch-bend mode: picking a destination sends the chosen bend range to channels 2-16 and
// mirrors the window's keys there, each note's bend before its note-on; another destination
// first releases every note the outside synthesizer holds.
TEST(DocumentWindowMidiOutput, InPitchBendModeTheKeysPlayThereBentAndAreReleasedOnEveryChange) {
    auto owned = std::make_unique<testing::RecordingInstruments>();
    testing::RecordingInstruments& instruments = *owned;
    WindowWithRecordedOutput output(std::move(owned));
    auto& [record, window, box] = output;
    record->listed.push_back({"128:0", "Kelvara Input", "Kelvara"});
    auto* mode = control<QComboBox>(window, "midi_output_mode_list");
    auto* range = control<QSpinBox>(window, "bend_range_box");
    EXPECT_FALSE(range->isEnabled());
    QTest::keyClick(mode, Qt::Key_Down);
    ASSERT_EQ(mode->currentText(), "Pitch bend");
    EXPECT_TRUE(range->isEnabled());
    range->setValue(12);
    box->showPopup();
    box->hidePopup();
    QTest::keyClick(box, Qt::Key_Down);
    std::vector<std::vector<uint8_t>> sent = output.take_sent();
    // The range chosen in the box, on each channel (the messages: pitch_bend_channels_test).
    ASSERT_EQ(sent.size(), 15u * 7u);
    EXPECT_EQ(sent[2], (std::vector<uint8_t>{0xB1, 6, 12}));
    ASSERT_TRUE(instruments.mirror);

    instruments.keys->notes_on({440.0f, 550.0f}, 100.0f);
    sent = output.take_sent();
    ASSERT_EQ(sent.size(), 4u);
    // (Each bend's bytes, and a chord larger than the free channels refused:
    // tests/document/pitch_bend_channels_test.cpp.)
    EXPECT_EQ(sent[2][0], 0xE2) << "the bend first, on a channel of its own";

    QTest::keyClick(box, Qt::Key_Down);  // the other destination
    sent = output.take_sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x81, 69, 0}));
    EXPECT_EQ(sent[1], (std::vector<uint8_t>{0x82, 73, 0}));
    EXPECT_THAT(record->connections,
                ElementsAre("connect 20:0", "disconnect 20:0", "connect 24:0"));

    QTest::keyClick(box, Qt::Key_Down);  // Kelvara's own input: refused, not played back
    EXPECT_THAT(window.statusBar()->currentMessage().toStdString(),
                HasSubstr("the notes would play back into Kelvara through Kelvara:Kelvara Input"));
    EXPECT_EQ(box->currentText(), "None");
    EXPECT_FALSE(instruments.mirror);
}

// Sound without a keyboard: a plain left press in the graph plays the base and base × the
// ratio under the pointer until the release, a drag glides the upper tone; the scale table's
// play segment plays the selected row while held.
TEST_F(DocumentWindowTest, APressInTheGraphOrAPlaySegmentAuditionsWhileHeld) {
    GraphWidget* graph = window.graph();
    const QPoint middle = graph->rect().center();
    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, middle);
    ASSERT_TRUE(graph->layers().readout_ratio);
    const float ratio = *graph->layers().readout_ratio;
    ASSERT_EQ(instruments.started_tones.size(), 1u);
    EXPECT_THAT(instruments.started_tones[0], ElementsAre(440.0f, 440.0f * ratio));
    QMouseEvent drag(QEvent::MouseMove, QPointF(middle + QPoint(40, 0)),
                     graph->mapToGlobal(QPointF(middle + QPoint(40, 0))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(graph, &drag);
    ASSERT_EQ(instruments.glides.size(), 1u);
    EXPECT_GT(instruments.glides[0], 440.0f * ratio) << "to the right: a wider interval";
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, middle + QPoint(40, 0));
    EXPECT_THAT(instruments.stopped_tones, ElementsAre(ElementsAre(1, 2)));

    choose_preset(2);  // 12 equal steps: row 7 is the fifth
    table("scale_table")->selectRow(7);
    QTest::mousePress(segment("scale_play_button"), Qt::LeftButton);
    ASSERT_EQ(instruments.started_tones.size(), 2u);
    EXPECT_THAT(instruments.started_tones[1], ElementsAre(440.0f, 440.0f * 1.4983071f));
    QTest::mouseRelease(segment("scale_play_button"), Qt::LeftButton);
    EXPECT_EQ(instruments.stopped_tones.size(), 2u);
}

}  // namespace
}  // namespace kelvara
