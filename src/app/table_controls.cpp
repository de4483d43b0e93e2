// The scale, fixed-tone and chord tables of a document window, their segmented controls and
// the preset menu. The document is the tables' data source and decides every action; the
// window passes on which segment or preset was chosen and which rows are selected.
#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <utility>
#include <vector>

#include "app/document_table_model.h"
#include "app/document_window.h"
#include "document/actions.h"
#include "document/audition.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

// The six presets of the menu, in menu order.
struct Preset {
    ScalePreset preset;
    const char* title;
    const char* tooltip;
};
constexpr Preset kPresets[] = {
    {ScalePreset::JustRatios, QT_TRANSLATE_NOOP("DocumentWindow", "Just Ratios"),
     QT_TRANSLATE_NOOP("DocumentWindow", "The just intervals over two octaves")},
    {ScalePreset::FromFields, QT_TRANSLATE_NOOP("DocumentWindow", "Equal Division (as set below)"),
     QT_TRANSLATE_NOOP("DocumentWindow", "Divide the interval below into the steps below")},
    {ScalePreset::TwelveTone, QT_TRANSLATE_NOOP("DocumentWindow", "12 Equal Steps per Octave"),
     QT_TRANSLATE_NOOP("DocumentWindow", "Ordinary equal temperament, two octaves")},
    {ScalePreset::NineteenTone, QT_TRANSLATE_NOOP("DocumentWindow", "19 Equal Steps per Octave"),
     QT_TRANSLATE_NOOP("DocumentWindow", "19-tone equal temperament, two octaves")},
    // The harmonic lists start at the Divide interval, not at 1: their titles are rewritten
    // with the range they give each time the menu opens (harmonic_title).
    {ScalePreset::SixteenStepHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics 16 to 32"),
     QT_TRANSLATE_NOOP("DocumentWindow",
                       "Divide × 16/16 … 32/16, then × 17/8 … 32/8: set Divide to 1 for 1 to 4")},
    {ScalePreset::EightStepHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics 8 to 16"),
     QT_TRANSLATE_NOOP("DocumentWindow",
                       "Divide × 8/8 … 16/8, then × 9/4 … 16/4: set Divide to 1 for 1 to 4")},
};

// A harmonic preset's title with what it generates from the Divide interval `base`: two
// octaves of harmonics, base to 4 × base.
QString harmonic_title(const char* title, float base) {
    if (!(base > 0.0f)) return QObject::tr("%1 of the Divide interval").arg(QObject::tr(title));
    return QObject::tr("%1 from Divide = %2 (ratios %2 to %3)")
        .arg(QObject::tr(title), QString::fromStdString(number_text(base)),
             QString::fromStdString(number_text(4.0f * base)));
}

}  // namespace

void DocumentWindow::connect_table_controls() {
    using Column = DocumentTableModel::Column;
    scale_model_ = new DocumentTableModel(
        *document_, DocumentTable::ScaleRatios,
        {Column{TableColumn::Ratios, tr("Ratios")}, Column{TableColumn::Cents, tr("Cents")}}, this);
    fixed_tone_model_ = new DocumentTableModel(*document_, DocumentTable::FixedTones,
                                               {Column{TableColumn::Ratios, tr("Ratios")}}, this);
    chord_model_ = new DocumentTableModel(*document_, DocumentTable::MappedChords,
                                          {Column{TableColumn::MidiNote, tr("MIDI Note")},
                                           Column{TableColumn::ChordString, tr("Chord String")}},
                                          this);

    const std::pair<QTableView*, DocumentTableModel*> tables[] = {
        {widgets_.scale_table, scale_model_},
        {widgets_.fixed_tone_table, fixed_tone_model_},
        {widgets_.chord_table, chord_model_}};
    for (const auto& [view, model] : tables) {
        view->setModel(model);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { document_->table_actions().selection_changed(); });
        connect(model, &DocumentTableModel::edit_refused, this, [this](const QString& message) {
            beep();
            show_refusal(message);
        });
    }
    widgets_.chord_table->horizontalHeader()->setSectionResizeMode(0,
                                                                   QHeaderView::ResizeToContents);

    // Scale segments by index: add, presets (its menu; the segment itself does nothing),
    // delete, clear.
    const auto scale_segment = [this](QToolButton* segment, ScaleAction action) {
        connect(segment, &QToolButton::clicked, this,
                [this, action] { document_->table_actions().scale_action(action); });
    };
    scale_segment(widgets_.scale_buttons[0], ScaleAction::AppendUnison);
    scale_segment(widgets_.scale_buttons[2], ScaleAction::DeleteSelected);
    scale_segment(widgets_.scale_buttons[3], ScaleAction::RemoveAll);
    const auto division_base = [this] {
        return static_cast<float>(
            leading_double_value(widgets_.division_base_field->text().toStdString()));
    };
    std::vector<std::pair<QAction*, const char*>> harmonic_items;
    for (const Preset& preset : kPresets) {
        QAction* item = widgets_.preset_menu->addAction(
            tr(preset.title), this, [this, division_base, preset = preset.preset] {
                const ScaleGeneratorFields fields{
                    leading_integer_value(widgets_.division_count_field->text().toStdString()),
                    division_base()};
                document_->table_actions().add_scale_preset(preset, fields,
                                                            widgets_.preset_add_item->isChecked()
                                                                ? ScaleImportMode::Add
                                                                : ScaleImportMode::Replace);
            });
        item->setToolTip(tr(preset.tooltip));
        if (preset.preset == ScalePreset::SixteenStepHarmonics ||
            preset.preset == ScalePreset::EightStepHarmonics)
            harmonic_items.emplace_back(item, preset.title);
    }
    widgets_.preset_menu->addSeparator();
    widgets_.preset_add_item = widgets_.preset_menu->addAction(tr("Add to the Table"));
    widgets_.preset_add_item->setObjectName(QStringLiteral("preset_add_item"));
    widgets_.preset_add_item->setCheckable(true);  // unchecked: a preset replaces the scale
    widgets_.preset_add_item->setToolTip(
        tr("Checked: a preset or the equal division adds the ratios not yet in the scale. "
           "Unchecked: it replaces the scale."));
    widgets_.preset_menu->setToolTipsVisible(true);
    const auto retitle = [harmonic_items, division_base] {
        for (const auto& [item, title] : harmonic_items)
            item->setText(harmonic_title(title, division_base()));
    };
    retitle();
    connect(widgets_.preset_menu, &QMenu::aboutToShow, this, retitle);

    // Fixed-tone and chord segments by index.
    constexpr FixedToneAction kFixedToneSegments[] = {FixedToneAction::AppendUnison,
                                                      FixedToneAction::CopySelectedScaleRatio,
                                                      FixedToneAction::DeleteSelected};
    constexpr ChordAction kChordSegments[] = {
        ChordAction::AddAtFreeKey, ChordAction::CopyFixedTones, ChordAction::DeleteSelected};
    for (std::size_t i = 0; i < 3; ++i) {
        connect(widgets_.fixed_tone_buttons[i], &QToolButton::clicked, this,
                [this, action = kFixedToneSegments[i]] {
                    document_->table_actions().fixed_tone_action(action);
                });
        connect(widgets_.chord_buttons[i], &QToolButton::clicked, this,
                [this, action = kChordSegments[i]] {
                    document_->table_actions().chord_action(action);
                });
    }

    // The Delete key in a table deletes its selected row, as its minus segment does.
    for (QTableView* view : {widgets_.scale_table, widgets_.fixed_tone_table, widgets_.chord_table})
        view->installEventFilter(this);
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+V in the partial table pastes a column of numbers, as its Paste segment does.
    if (event->type() == QEvent::KeyPress && watched == widgets_.partial_table &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        widgets_.partial_buttons[2]->click();
        return true;
    }
    // Space held in the scale or chord table plays its selected row (audition_controls.cpp).
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        (watched == widgets_.scale_table || watched == widgets_.chord_table)) {
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            if (event->type() == QEvent::KeyRelease)
                audition_->release();
            else
                audition_selected_row(watched == widgets_.scale_table
                                          ? DocumentTable::ScaleRatios
                                          : DocumentTable::MappedChords);
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        const std::pair<QObject*, QToolButton*> deletes[] = {
            {widgets_.scale_table, widgets_.scale_buttons[2]},
            {widgets_.fixed_tone_table, widgets_.fixed_tone_buttons[2]},
            {widgets_.chord_table, widgets_.chord_buttons[2]},
            {widgets_.partial_table, widgets_.partial_buttons[1]}};
        for (const auto& [view, minus] : deletes) {
            if (view != watched) continue;
            minus->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

DocumentTableModel* DocumentWindow::model_for(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return scale_model_;
        case DocumentTable::FixedTones: return fixed_tone_model_;
        case DocumentTable::MappedChords: return chord_model_;
        case DocumentTable::Partials: return partial_model_;
    }
    return nullptr;
}

QTableView* DocumentWindow::view_for(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return widgets_.scale_table;
        case DocumentTable::FixedTones: return widgets_.fixed_tone_table;
        case DocumentTable::MappedChords: return widgets_.chord_table;
        case DocumentTable::Partials: return widgets_.partial_table;
    }
    return nullptr;
}

void DocumentWindow::reload_table(DocumentTable table) {
    if (DocumentTableModel* model = model_for(table)) model->reload();
}

std::optional<int32_t> DocumentWindow::selected_row(DocumentTable table) const {
    const QTableView* view = view_for(table);
    if (view == nullptr || view->selectionModel() == nullptr) return std::nullopt;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return rows.constFirst().row();
}

}  // namespace kelvara
