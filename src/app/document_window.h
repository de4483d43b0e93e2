#pragma once
// DocumentWindow: the one window of one document. It owns the document and the window's
// control groups, each of which owns its widgets and turns the user's actions into the
// document's (curve_controls.h, table_controls.h, partial_controls.h, graph_controls.h,
// sound_controls.h, audition_controls.h, midi_output_controls.h); it lays them out
// (window_layout.h) and shows what the document asks it to show, as its DocumentView, by
// handing each request to the group that shows it. The document controller decides what its
// File menu does and whether it may close.
#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/midi_output_controls.h"
#include "document/document.h"
#include "document/document_view.h"
#include "document/instruments.h"
#include "view/graph_widget.h"

class QMenu;

namespace kelvara {

class AuditionControls;
class CurveControls;
class DocumentDialogs;
class GraphControls;
class MinimaPanel;
class PartialControls;
class SoundControls;
class SurfacePanel;
class TableControls;

class DocumentWindow final : public QMainWindow, private DocumentView {
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
    GraphWidget* graph() const { return graph_; }
    MinimaPanel* minima_panel() const { return minima_panel_; }
    SurfacePanel* surface_panel() const { return surface_panel_; }

    // The file the document was read from or last saved to; empty for a new document.
    const QString& file_path() const { return file_path_; }
    void set_file_path(const QString& path);
    // The name shown in the title and in questions about this document.
    QString display_name() const;
    void set_untitled_name(const QString& name);

    // Where the window asks for a sound bank file (the Load Bank button) and says why one
    // was refused; without them the button does nothing. They must outlive the window.
    void set_dialogs(DocumentDialogs& dialogs);

    // Asked before the window closes (its close button, Close, Quit): false keeps it open.
    void set_close_guard(std::function<bool(DocumentWindow&)> guard);

    // How often the window sounded the beep (a refused value or request).
    int beep_count() const { return beep_count_; }

    // The chord map's menu (Map Scale to Keys…), for the tuning commands to fill.
    QMenu* chord_map_menu() const;
    // The custom timbre's partials in front, to be edited next.
    void show_partials();

signals:
    // What Undo and Redo would do may have changed (the Edit menu shows it).
    void undo_steps_changed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The first time the window shows, its instruments may start measuring their bank.
    void showEvent(QShowEvent* event) override;

private:
    // --- DocumentView: each request goes to the control group that shows it ----------
    void show_float(FloatField field, float value) override;
    void show_number_of_overtones(int32_t count) override;
    void select_timbre(int32_t overtone_type) override;
    void show_roughness_model(RoughnessModel model) override;
    void show_plot_flags(PlotFlags flags) override;
    void show_graph_choices(const GraphChoices& choices) override;
    void show_volume(int32_t volume) override;
    void show_pitch_true(bool pitch_true) override;
    void reload_table(DocumentTable table) override;
    std::optional<int32_t> selected_row(DocumentTable table) const override;
    void beep() override;
    void show_refusal(const std::string& message) override;
    void clear_refusal() override;
    void show_edited(bool edited) override;
    void show_undo_steps() override;

    void update_title();
    void fit_to_screen();

    std::unique_ptr<Document> document_;
    std::unique_ptr<Instruments> instruments_;
    GraphWidget* graph_ = nullptr;
    MinimaPanel* minima_panel_ = nullptr;
    SurfacePanel* surface_panel_ = nullptr;
    // The control groups use the document and the instruments: declared after them,
    // destroyed before them (the audition and the MIDI output stop first).
    std::unique_ptr<PartialControls> partials_;
    std::unique_ptr<CurveControls> curve_;
    std::unique_ptr<TableControls> tables_;
    std::unique_ptr<SoundControls> sound_;
    std::unique_ptr<GraphControls> graph_controls_;
    std::unique_ptr<AuditionControls> audition_;
    std::unique_ptr<MidiOutputControls> midi_output_;
    QString file_path_;
    QString untitled_name_;
    std::function<bool(DocumentWindow&)> close_guard_;
    int beep_count_ = 0;
    bool shown_once_ = false;
};

}  // namespace kelvara
