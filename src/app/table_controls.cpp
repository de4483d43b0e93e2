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

#include "app/document_table_model.h"
#include "app/document_window.h"
#include "document/actions.h"
#include "scales/number_text.h"

namespace kelvara {
namespace {

constexpr int kRefusalMessageMs = 6000;

// The six presets, by menu tag.
struct Preset {
    int32_t tag;
    const char* title;
    const char* tooltip;
};
constexpr Preset kPresets[] = {
    {kPresetJustRatios, QT_TRANSLATE_NOOP("DocumentWindow", "Just Ratios"),
     QT_TRANSLATE_NOOP("DocumentWindow", "The just intervals over two octaves")},
    {kPresetFromFields, QT_TRANSLATE_NOOP("DocumentWindow", "Equal Division (as set below)"),
     QT_TRANSLATE_NOOP("DocumentWindow", "Divide the interval below into the steps below")},
    {kPresetTwelveTone, QT_TRANSLATE_NOOP("DocumentWindow", "12 Equal Steps per Octave"),
     QT_TRANSLATE_NOOP("DocumentWindow", "Ordinary equal temperament, two octaves")},
    {kPresetNineteenTone, QT_TRANSLATE_NOOP("DocumentWindow", "19 Equal Steps per Octave"),
     QT_TRANSLATE_NOOP("DocumentWindow", "19-tone equal temperament, two octaves")},
    {kPresetSixteenStepHarmonics,
     QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics 16 to 32 (from the interval below)"),
     QT_TRANSLATE_NOOP("DocumentWindow", "The harmonic series in sixteenths of the interval")},
    {kPresetEightStepHarmonics,
     QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics 8 to 16 (from the interval below)"),
     QT_TRANSLATE_NOOP("DocumentWindow", "The harmonic series in eighths of the interval")},
};

}  // namespace

void DocumentWindow::connect_table_controls() {
    using Column = DocumentTableModel::Column;
    _scale_model = new DocumentTableModel(
        *_document, DocumentTable::ScaleRatios,
        {Column{TableColumn::Ratios, tr("Ratios")}, Column{TableColumn::Cents, tr("Cents")}}, this);
    _dissonance_model = new DocumentTableModel(*_document, DocumentTable::DissonanceRatios,
                                               {Column{TableColumn::Ratios, tr("Ratios")}}, this);
    _chord_model = new DocumentTableModel(*_document, DocumentTable::MappedChords,
                                          {Column{TableColumn::MidiNote, tr("MIDI Note")},
                                           Column{TableColumn::ChordString, tr("Chord String")}},
                                          this);

    const std::pair<QTableView*, DocumentTableModel*> tables[] = {
        {_widgets.scale_ratios_tv, _scale_model},
        {_widgets.dissonance_ratios_tv, _dissonance_model},
        {_widgets.mapped_chords_tv, _chord_model}};
    for (const auto& [view, model] : tables) {
        view->setModel(model);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { _document->tableViewSelectionDidChange(); });
        connect(model, &DocumentTableModel::edit_refused, this, [this](const QString& message) {
            beep();
            statusBar()->showMessage(message, kRefusalMessageMs);
        });
    }
    _widgets.mapped_chords_tv->horizontalHeader()->setSectionResizeMode(
        0, QHeaderView::ResizeToContents);

    // Scale segments by index: add (tag 0), presets (its menu; the segment itself does
    // nothing), delete (tag 1), clear (tag 3).
    const auto scale_segment = [this](QToolButton* segment, int32_t tag) {
        connect(segment, &QToolButton::clicked, this,
                [this, tag] { _document->scaleRatiosAddDelete(ScaleActionSource::Segment, tag); });
    };
    scale_segment(_widgets.add_delete_scale_ratio[0], kScaleAppendUnison);
    scale_segment(_widgets.add_delete_scale_ratio[2], kScaleDeleteSelected);
    scale_segment(_widgets.add_delete_scale_ratio[3], kScaleRemoveAll);
    for (const Preset& preset : kPresets) {
        QAction* item = _widgets.add_delete_scale_menu->addAction(
            tr(preset.title), this, [this, tag = preset.tag] {
                const ScaleGeneratorFields fields{
                    leading_integer_value(_widgets.scale_tet->text().toStdString()),
                    static_cast<float>(
                        leading_double_value(_widgets.scale_base->text().toStdString()))};
                _document->scaleRatiosAddDelete(ScaleActionSource::PresetMenu, tag, fields);
            });
        item->setToolTip(tr(preset.tooltip));
        item->setData(preset.tag);
    }
    _widgets.add_delete_scale_menu->setToolTipsVisible(true);

    const int32_t fixed_tone_tags[] = {kFixedToneAppendUnison, kFixedToneCopyScaleRow,
                                       kFixedToneDeleteSelected};
    const int32_t chord_tags[] = {kChordAdd, kChordCopyFixedTones, kChordDeleteSelected};
    for (std::size_t i = 0; i < 3; ++i) {
        connect(_widgets.add_delete_dissonance_ratio[i], &QToolButton::clicked, this,
                [this, tag = fixed_tone_tags[i]] { _document->dissonanceRatiosAddDelete(tag); });
        connect(_widgets.add_delete_copy_chord[i], &QToolButton::clicked, this,
                [this, tag = chord_tags[i]] { _document->chordAddDelete(tag); });
    }

    // The Delete key in a table deletes its selected row, as its minus segment does.
    for (QTableView* view :
         {_widgets.scale_ratios_tv, _widgets.dissonance_ratios_tv, _widgets.mapped_chords_tv})
        view->installEventFilter(this);
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        const std::pair<QObject*, QToolButton*> deletes[] = {
            {_widgets.scale_ratios_tv, _widgets.add_delete_scale_ratio[2]},
            {_widgets.dissonance_ratios_tv, _widgets.add_delete_dissonance_ratio[2]},
            {_widgets.mapped_chords_tv, _widgets.add_delete_copy_chord[2]}};
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
        case DocumentTable::ScaleRatios: return _scale_model;
        case DocumentTable::DissonanceRatios: return _dissonance_model;
        case DocumentTable::MappedChords: return _chord_model;
    }
    return nullptr;
}

QTableView* DocumentWindow::view_for(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return _widgets.scale_ratios_tv;
        case DocumentTable::DissonanceRatios: return _widgets.dissonance_ratios_tv;
        case DocumentTable::MappedChords: return _widgets.mapped_chords_tv;
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
