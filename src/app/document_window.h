#pragma once
// DocumentWindow: the one window of one document. It owns the document, builds the controls
// (window_layout.cpp), turns each user action into the document's typed call
// (curve_controls.cpp, table_controls.cpp, sound_controls.cpp) and shows what the document
// asks it to show (DocumentView). It sends the document's scale as a MIDI tuning to the
// destination the user picks (midi_output_controls.cpp). The document controller decides
// what its File menu does and whether it may close.
#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/window_widgets.h"
#include "document/document.h"
#include "document/document_view.h"
#include "document/instruments.h"
#include "document/midi_tuning_sender.h"
#include "midi/midi_output.h"
#include "view/graph_widget.h"

class QLineEdit;
class QTableView;

namespace kelvara {

class Audition;
class DocumentDialogs;
class DocumentTableModel;
class MinimaPanel;

// Makes the MIDI output a window sends its tuning through, when the user first opens the
// output list; may return null (only "None" is offered).
using MidiOutputFactory = std::function<std::unique_ptr<midi::MidiOutput>()>;

class DocumentWindow final : public QMainWindow, public DocumentView {
    Q_OBJECT

public:
    // Takes a document that is constructed (and read, when it comes from a file), the
    // instruments it plays through (none: silent) and what makes the MIDI output its tuning
    // can be sent through (none: only "None" is offered), builds the window around them and
    // lets the document show everything in it (Document::show_all).
    explicit DocumentWindow(std::unique_ptr<Document> document,
                            std::unique_ptr<Instruments> instruments = nullptr,
                            MidiOutputFactory make_midi_output = {}, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    Document& document() { return *document_; }
    const Document& document() const { return *document_; }
    const WindowWidgets& widgets() const { return widgets_; }
    GraphWidget* graph() const { return graph_; }
    MinimaPanel* minima_panel() const { return minima_panel_; }

    // The file the document was read from or last saved to; empty for a new document.
    const QString& file_path() const { return file_path_; }
    void set_file_path(const QString& path);
    // The name shown in the title and in questions about this document.
    QString display_name() const;
    void set_untitled_name(const QString& name);

    // Where the window asks for a sound bank file (the Load Bank button) and says why one
    // was refused; without them the button does nothing. They must outlive the window.
    void set_dialogs(DocumentDialogs& dialogs) { dialogs_ = &dialogs; }

    // Asked before the window closes (its close button, Close, Quit): false keeps it open.
    void set_close_guard(std::function<bool(DocumentWindow&)> guard);

    // How often the window sounded the beep (a refused value or request).
    int beep_count() const { return beep_count_; }

    // --- DocumentView ---------------------------------------------------------------
    void show_float(FloatField field, float value) override;
    void show_number_of_overtones(int32_t count) override;
    void select_timbre(int32_t overtone_type) override;
    void show_roughness_model(RoughnessModel model) override;
    void show_plot_toggles(bool justs, bool selected_ratio, bool derivative) override;
    void show_volume(int32_t volume) override;
    void show_pitch_true(bool pitch_true) override;
    void reload_table(DocumentTable table) override;
    std::optional<int32_t> selected_row(DocumentTable table) const override;
    void beep() override;
    void show_refusal(const std::string& message) override;
    void clear_refusal() override;
    void show_edited(bool edited) override;
    void show_undo_steps() override;

signals:
    // What Undo and Redo would do may have changed (the Edit menu shows it).
    void undo_steps_changed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The first time the window shows, its instruments may start measuring their bank.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // engine_controls.cpp
    void connect_curve_controls();
    void connect_float_field(QLineEdit* field, FloatField shown_as,
                             std::function<void(float)> action);
    void connect_overtone_field();
    QLineEdit* field_for(FloatField field) const;
    float stored_value(FloatField field) const;
    // table_controls.cpp
    void connect_table_controls();
    DocumentTableModel* model_for(DocumentTable table) const;
    QTableView* view_for(DocumentTable table) const;
    // graph_controls.cpp
    void connect_graph_controls();
    void fit_graph();
    void keep_scale_selection();
    // partial_controls.cpp
    void connect_partial_controls();
    // The clipboard's numbers down the partial table's current column (paste_partial_column).
    void paste_partial_column();
    // sound_controls.cpp
    void connect_sound_controls();
    void show_sound_strip();
    void show_midi_sources();
    void show_instruments();
    void load_chosen_sound_bank();
    void show_last_played();
    // audition_controls.cpp
    void connect_audition_controls();
    // Plays the selected row of the scale or chord table while a key or button is held.
    void audition_selected_row(DocumentTable table);
    // Says in the status bar when partials found no voice since the last look; soon after a
    // tone starts (the synthesizer starts it a block later).
    void report_lacking_voices_soon();
    // midi_output_controls.cpp
    void connect_midi_output_controls();
    // Makes the MIDI output (a client of no system when the factory gives none).
    void open_midi_output();
    // Lists the destinations again and shows them after "None", the connected one selected;
    // only "None" before the output is made.
    void show_midi_destinations();
    // Pop-up item `item`: 0 is "None", the others the destinations listed.
    void choose_midi_destination(int item);
    // The whole tuning to a destination that holds none yet, else the keys that changed.
    void send_tuning();

    void update_title();
    // Says in the status bar why a request was refused, until a later edit succeeds.
    void show_refusal(const QString& message);

    std::unique_ptr<Document> document_;
    std::unique_ptr<Instruments> instruments_;
    // Plays through the instruments: declared after them, destroyed before them.
    std::unique_ptr<Audition> audition_;
    // Made when the output list first opens. The sender uses the output: declared after it,
    // destroyed before it.
    MidiOutputFactory make_midi_output_;
    std::unique_ptr<midi::MidiOutput> midi_output_;
    std::unique_ptr<MidiTuningSender> tuning_sender_;
    GraphWidget* graph_ = nullptr;
    MinimaPanel* minima_panel_ = nullptr;
    WindowWidgets widgets_;
    DocumentTableModel* scale_model_ = nullptr;
    DocumentTableModel* fixed_tone_model_ = nullptr;
    DocumentTableModel* chord_model_ = nullptr;
    DocumentTableModel* partial_model_ = nullptr;
    QString file_path_;
    QString untitled_name_;
    std::function<bool(DocumentWindow&)> close_guard_;
    DocumentDialogs* dialogs_ = nullptr;
    int beep_count_ = 0;
    uint64_t partials_without_voice_ = 0;  // as last reported
    bool shown_once_ = false;
    // The ratio range from before the first zoom or pan since the last fit: where Fit and a
    // double click go back to.
    std::optional<std::pair<float, float>> home_x_range_;
    // The scale as the table last showed it and its selected row (scale_selection.h).
    std::vector<float> shown_scale_ratios_;
    std::optional<size_t> shown_scale_row_;
    bool keeping_scale_selection_ = false;
};

}  // namespace kelvara
