#pragma once
// TableControls: the scale, fixed-tone and chord tables of a document window with their
// segmented controls, the preset menu and the equal division's fields, the chord map's menu
// and the play segments. The scale and a custom timbre's partials share one place as two
// tabs. The document is the tables' data source and decides every action; the controls pass
// on which segment or preset was chosen and which rows are selected.
//
// The Delete key in a table deletes its selected row, as its minus segment does; Space held
// in the scale or chord table plays its selected row, as its play segment does.
#include <QObject>
#include <optional>
#include <vector>

#include "document/document_view.h"

class QAction;
class QEvent;
class QLineEdit;
class QMenu;
class QTabWidget;
class QTableView;
class QToolButton;
class QWidget;

namespace kelvara {

class Document;
class DocumentTableModel;
class PartialControls;

class TableControls final : public QObject {
    Q_OBJECT

public:
    // Builds the tables; the partials' box becomes the second tab.
    TableControls(Document& document, DocumentView& view, PartialControls& partials,
                  QObject* parent);

    // The tables' pane, for the window's layout.
    QWidget* pane() const { return pane_; }
    std::vector<QWidget*> tab_chain() const;
    // The chord map's menu (Map Scale to Keys…), filled by the window's tuning commands.
    QMenu* chord_map_menu() const { return chord_map_menu_; }
    QTableView* scale_table() const { return scale_table_; }
    DocumentTableModel& scale_model() const { return *scale_model_; }
    // The partials' tab in front.
    void show_partials();

    // What the document shows and asks (DocumentView).
    void reload_table(DocumentTable table);
    std::optional<int32_t> selected_row(DocumentTable table) const;

signals:
    // A play segment or Space went down over a table, and came up.
    void play_pressed(DocumentTable table);
    void play_released();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* scale_box();
    QWidget* fixed_tone_box();
    QWidget* chord_box();
    void connect_tables();
    void fill_preset_menu();
    float division_base() const;
    DocumentTableModel* model_for(DocumentTable table) const;
    QTableView* view_for(DocumentTable table) const;

    Document& document_;
    DocumentView& view_;
    PartialControls& partials_;
    QWidget* pane_ = nullptr;
    QTabWidget* tabs_ = nullptr;        // the scale and the partials
    QTabWidget* lower_tabs_ = nullptr;  // the fixed tones and the chord map
    QWidget* scale_tab_ = nullptr;
    QTableView* scale_table_ = nullptr;
    QTableView* fixed_tone_table_ = nullptr;
    QTableView* chord_table_ = nullptr;
    DocumentTableModel* scale_model_ = nullptr;
    DocumentTableModel* fixed_tone_model_ = nullptr;
    DocumentTableModel* chord_model_ = nullptr;
    // Scale segments: add, presets (carries the preset menu), delete, clear; then play.
    std::vector<QToolButton*> scale_segments_;
    QToolButton* scale_play_ = nullptr;
    QMenu* preset_menu_ = nullptr;
    // The preset menu's last item, checked: presets and the equal division add their values
    // to the scale instead of replacing it.
    QAction* preset_add_item_ = nullptr;
    QLineEdit* division_count_field_ = nullptr;
    QLineEdit* division_base_field_ = nullptr;
    // Fixed-tone segments: add, copy from the scale, delete.
    std::vector<QToolButton*> fixed_tone_segments_;
    // Chord segments: add, copy the fixed tones, delete; then the chord map's menu and play.
    std::vector<QToolButton*> chord_segments_;
    QToolButton* chord_map_button_ = nullptr;
    QMenu* chord_map_menu_ = nullptr;
    QToolButton* chord_play_ = nullptr;
};

}  // namespace kelvara
