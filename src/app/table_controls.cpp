// The scale, fixed-tone and chord tables of a document window (table_controls.h).
#include "app/table_controls.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "app/control_widgets.h"
#include "app/document_table_model.h"
#include "app/partial_controls.h"
#include "app/scale_generator_dialog.h"
#include "document/actions.h"
#include "document/document.h"
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
    {ScalePreset::JustRatios, QT_TRANSLATE_NOOP("TableControls", "Just Ratios"),
     QT_TRANSLATE_NOOP("TableControls", "The just intervals over two octaves")},
    {ScalePreset::FromFields, QT_TRANSLATE_NOOP("TableControls", "Equal Division (as set below)"),
     QT_TRANSLATE_NOOP("TableControls", "Divide the interval below into the steps below")},
    {ScalePreset::TwelveTone, QT_TRANSLATE_NOOP("TableControls", "12 Equal Steps per Octave"),
     QT_TRANSLATE_NOOP("TableControls", "Ordinary equal temperament, two octaves")},
    {ScalePreset::NineteenTone, QT_TRANSLATE_NOOP("TableControls", "19 Equal Steps per Octave"),
     QT_TRANSLATE_NOOP("TableControls", "19-tone equal temperament, two octaves")},
    // The harmonic lists start at the Divide interval, not at 1: their titles are rewritten
    // with the range they give each time the menu opens (harmonic_title).
    {ScalePreset::SixteenStepHarmonics, QT_TRANSLATE_NOOP("TableControls", "Harmonics 16 to 32"),
     QT_TRANSLATE_NOOP("TableControls",
                       "Divide × 16/16 … 32/16, then × 17/8 … 32/8: set Divide to 1 for 1 to 4")},
    {ScalePreset::EightStepHarmonics, QT_TRANSLATE_NOOP("TableControls", "Harmonics 8 to 16"),
     QT_TRANSLATE_NOOP("TableControls",
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

// A box of a table above its segments.
QGroupBox* table_box(const QString& title, QTableView* table, QWidget* segments) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(table, 1);
    layout->addWidget(segments);
    return box;
}

// A group box as a tab of `tabs`, its title the tab's; the tab's frame is its border, so
// its margins can be narrow, which leaves the height to the table.
void add_box_as_tab(QTabWidget& tabs, QWidget& group_box) {
    constexpr int kTabMargin = 4;
    auto& box = static_cast<QGroupBox&>(group_box);
    const QString title = box.title();
    box.setTitle({});
    box.setFlat(true);
    box.layout()->setContentsMargins(kTabMargin, kTabMargin, kTabMargin, kTabMargin);
    box.layout()->setSpacing(kTabMargin);
    tabs.addTab(&box, title);
}

}  // namespace

TableControls::TableControls(Document& document, DocumentView& view, PartialControls& partials,
                             QObject* parent)
    : QObject(parent), document_(document), view_(view), partials_(partials) {
    // The scale and the partials of a custom timbre share one place, as two tabs: the
    // window keeps its size whichever timbre is chosen.
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("scale_and_partial_tabs"));
    scale_tab_ = scale_box();
    for (QWidget* box : {scale_tab_, static_cast<QWidget*>(partials_.box())})
        add_box_as_tab(*tabs_, *box);
    tabs_->setTabToolTip(
        1, tr("The partials of a custom timbre (choose Custom partials as the timbre)"));
    // The fixed tones and the chord map share the place below, as two more tabs: three
    // tables stacked would each show a row or two at the window's default size.
    lower_tabs_ = new QTabWidget;
    lower_tabs_->setObjectName(QStringLiteral("tone_and_chord_tabs"));
    for (QWidget* box : {fixed_tone_box(), chord_box()}) add_box_as_tab(*lower_tabs_, *box);
    pane_ = new QWidget;
    auto* layout = new QVBoxLayout(pane_);
    layout->setContentsMargins(0, 0, 0, 0);
    // The scale's tab holds the Divide row as well.
    layout->addWidget(tabs_, 3);
    layout->addWidget(lower_tabs_, 2);
    connect_tables();
    fill_preset_menu();
}

QWidget* TableControls::scale_box() {
    scale_table_ = table_view(QStringLiteral("scale_table"),
                              tr("Your scale: its ratios and their sizes in cents. "
                                 "The selected row is the cursor line on the graph."));
    scale_segments_ = {
        segment(QStringLiteral("scale_add"), tr("+"), tr("Add the ratio 1")),
        segment(QStringLiteral("scale_presets"), tr("Presets"),
                tr("Fill in a scale: just ratios, equal divisions, harmonic series")),
        segment(QStringLiteral("scale_delete"), tr("−"), tr("Delete the selected ratio")),
        segment(QStringLiteral("scale_clear"), tr("Clear"), tr("Delete every ratio of the scale"))};
    QToolButton* presets = scale_segments_[1];
    presets->setPopupMode(QToolButton::InstantPopup);
    preset_menu_ = new QMenu(presets);
    preset_menu_->setObjectName(QStringLiteral("preset_menu"));
    presets->setMenu(preset_menu_);
    scale_play_ = segment(QStringLiteral("scale_play_button"), tr("\u25B6"),
                          tr("Hold to hear the base and the selected step with the document's "
                             "timbre (or hold Space)"));

    division_count_field_ = number_field(QStringLiteral("division_count_field"),
                                         tr("Steps of the equal division (1 or more)"), true);
    division_count_field_->setText(QStringLiteral("12"));
    division_base_field_ = number_field(QStringLiteral("division_base_field"),
                                        tr("Interval divided into equal steps (2 is the "
                                           "octave); also the base of the harmonic lists"),
                                        false);
    division_base_field_->setText(QStringLiteral("2"));
    QWidget* generator = nullptr;
    QHBoxLayout* generator_layout = bare_row(generator);
    generator_layout->addWidget(buddy_label(tr("Di&vide:"), division_base_field_));
    generator_layout->addWidget(division_base_field_);
    generator_layout->addWidget(buddy_label(tr("&into"), division_count_field_));
    generator_layout->addWidget(division_count_field_);
    generator_layout->addWidget(new QLabel(tr("steps")));
    generator_layout->addStretch(1);

    QGroupBox* box = table_box(tr("Scale"), scale_table_,
                               segment_row({scale_segments_[0], scale_segments_[1],
                                            scale_segments_[2], scale_segments_[3], scale_play_}));
    box->layout()->addWidget(generator);
    return box;
}

QWidget* TableControls::fixed_tone_box() {
    fixed_tone_table_ =
        table_view(QStringLiteral("fixed_tone_table"),
                   tr("Fixed tones sounding against the sweep, as ratios of the base "
                      "frequency (at most ten)"));
    fixed_tone_segments_ = {
        segment(QStringLiteral("fixed_tone_add"), tr("+"), tr("Add a fixed tone at ratio 1")),
        segment(QStringLiteral("fixed_tone_from_scale"), tr("From Scale"),
                tr("Add the ratio selected in the scale table as a fixed tone")),
        segment(QStringLiteral("fixed_tone_delete"), tr("−"),
                tr("Delete the selected fixed tone"))};
    return table_box(
        tr("Fixed Tones"), fixed_tone_table_,
        segment_row({fixed_tone_segments_[0], fixed_tone_segments_[1], fixed_tone_segments_[2]}));
}

QWidget* TableControls::chord_box() {
    chord_table_ =
        table_view(QStringLiteral("chord_table"),
                   tr("Which chord each MIDI key plays: frequencies in hertz separated by "
                      "commas"));
    chord_segments_ = {
        segment(QStringLiteral("chord_add"), tr("+"), tr("Map the next free key to 110 Hz")),
        segment(QStringLiteral("chord_from_fixed_tones"), tr("From Fixed Tones"),
                tr("Map the next free key to the fixed tones as a chord")),
        segment(QStringLiteral("chord_delete"), tr("−"), tr("Unmap the selected key"))};
    chord_map_button_ = segment(QStringLiteral("chord_map_menu_button"), tr("Keys"),
                                tr("Fill the chord map from the scale"));
    chord_map_button_->setPopupMode(QToolButton::InstantPopup);
    chord_map_menu_ = new QMenu(chord_map_button_);
    chord_map_menu_->setObjectName(QStringLiteral("chord_map_menu"));
    chord_map_button_->setMenu(chord_map_menu_);
    chord_play_ = segment(QStringLiteral("chord_play_button"), tr("\u25B6"),
                          tr("Hold to hear the selected chord with the document's timbre (or "
                             "hold Space)"));
    return table_box(tr("Chord Map"), chord_table_,
                     segment_row({chord_segments_[0], chord_segments_[1], chord_segments_[2],
                                  chord_map_button_, chord_play_}));
}

std::vector<QWidget*> TableControls::tab_chain() const {
    std::vector<QWidget*> chain{scale_table_};
    chain.insert(chain.end(), scale_segments_.begin(), scale_segments_.end());
    chain.insert(chain.end(), {division_base_field_, division_count_field_});
    const std::vector<QWidget*> partials = partials_.tab_chain();
    chain.insert(chain.end(), partials.begin(), partials.end());
    chain.push_back(fixed_tone_table_);
    chain.insert(chain.end(), fixed_tone_segments_.begin(), fixed_tone_segments_.end());
    chain.push_back(chord_table_);
    chain.insert(chain.end(), chord_segments_.begin(), chord_segments_.end());
    chain.push_back(chord_map_button_);
    return chain;
}

void TableControls::connect_tables() {
    using Column = DocumentTableModel::Column;
    scale_model_ = new DocumentTableModel(
        document_, DocumentTable::ScaleRatios,
        {Column{TableColumn::Ratios, tr("Ratios")}, Column{TableColumn::Cents, tr("Cents")}}, this);
    fixed_tone_model_ = new DocumentTableModel(document_, DocumentTable::FixedTones,
                                               {Column{TableColumn::Ratios, tr("Ratios")}}, this);
    chord_model_ = new DocumentTableModel(document_, DocumentTable::MappedChords,
                                          {Column{TableColumn::MidiNote, tr("MIDI Note")},
                                           Column{TableColumn::ChordString, tr("Chord String")}},
                                          this);
    const std::pair<QTableView*, DocumentTableModel*> tables[] = {
        {scale_table_, scale_model_},
        {fixed_tone_table_, fixed_tone_model_},
        {chord_table_, chord_model_}};
    for (const auto& [view, model] : tables) {
        view->setModel(model);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { document_.table_actions().selection_changed(); });
        connect(model, &DocumentTableModel::edit_refused, this, [this](const QString& message) {
            view_.beep();
            view_.show_refusal(message.toStdString());
        });
        view->installEventFilter(this);
    }
    chord_table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    // The presets segment only opens its menu.
    const std::pair<QToolButton*, ScaleAction> scale_actions[] = {
        {scale_segments_[0], ScaleAction::AppendUnison},
        {scale_segments_[2], ScaleAction::DeleteSelected},
        {scale_segments_[3], ScaleAction::RemoveAll}};
    for (const auto& [segment, action] : scale_actions)
        connect(segment, &QToolButton::clicked, this,
                [this, action = action] { document_.table_actions().scale_action(action); });
    constexpr FixedToneAction kFixedToneSegments[] = {FixedToneAction::AppendUnison,
                                                      FixedToneAction::CopySelectedScaleRatio,
                                                      FixedToneAction::DeleteSelected};
    constexpr ChordAction kChordSegments[] = {
        ChordAction::AddAtFreeKey, ChordAction::CopyFixedTones, ChordAction::DeleteSelected};
    for (std::size_t i = 0; i < 3; ++i) {
        connect(fixed_tone_segments_[i], &QToolButton::clicked, this,
                [this, action = kFixedToneSegments[i]] {
                    document_.table_actions().fixed_tone_action(action);
                });
        connect(
            chord_segments_[i], &QToolButton::clicked, this,
            [this, action = kChordSegments[i]] { document_.table_actions().chord_action(action); });
    }
    for (const auto& [button, table] : {std::pair{scale_play_, DocumentTable::ScaleRatios},
                                        std::pair{chord_play_, DocumentTable::MappedChords}}) {
        connect(button, &QToolButton::pressed, this,
                [this, table = table] { emit play_pressed(table); });
        connect(button, &QToolButton::released, this, &TableControls::play_released);
    }
}

float TableControls::division_base() const {
    return static_cast<float>(leading_double_value(division_base_field_->text().toStdString()));
}

void TableControls::fill_preset_menu() {
    std::vector<std::pair<QAction*, const char*>> harmonic_items;
    for (const Preset& preset : kPresets) {
        QAction* item =
            preset_menu_->addAction(tr(preset.title), this, [this, preset = preset.preset] {
                const ScaleGeneratorFields fields{
                    leading_integer_value(division_count_field_->text().toStdString()),
                    division_base()};
                document_.table_actions().add_scale_preset(preset, fields,
                                                           preset_add_item_->isChecked()
                                                               ? ScaleImportMode::Add
                                                               : ScaleImportMode::Replace);
            });
        item->setToolTip(tr(preset.tooltip));
        if (preset.preset == ScalePreset::SixteenStepHarmonics ||
            preset.preset == ScalePreset::EightStepHarmonics)
            harmonic_items.emplace_back(item, preset.title);
    }
    preset_menu_->addSeparator();
    preset_add_item_ = preset_menu_->addAction(tr("Add to the Table"));
    preset_add_item_->setObjectName(QStringLiteral("preset_add_item"));
    preset_add_item_->setCheckable(true);  // unchecked: a preset replaces the scale
    preset_add_item_->setToolTip(
        tr("Checked: a preset or the equal division adds the ratios not yet in the scale. "
           "Unchecked: it replaces the scale."));
    preset_menu_->addSeparator();
    add_scale_tool_items(*preset_menu_, document_, *preset_add_item_, pane_);
    preset_menu_->setToolTipsVisible(true);
    const auto retitle = [this, harmonic_items] {
        for (const auto& [item, title] : harmonic_items)
            item->setText(harmonic_title(title, division_base()));
    };
    retitle();
    connect(preset_menu_, &QMenu::aboutToShow, this, retitle);
}

void TableControls::show_partials() {
    tabs_->setCurrentWidget(partials_.box());
}

bool TableControls::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (!key) return QObject::eventFilter(watched, event);
    const auto& key_event = static_cast<const QKeyEvent&>(*event);
    if (key_event.key() == Qt::Key_Space && (watched == scale_table_ || watched == chord_table_)) {
        if (!key_event.isAutoRepeat()) {
            if (event->type() == QEvent::KeyRelease)
                emit play_released();
            else
                emit play_pressed(watched == scale_table_ ? DocumentTable::ScaleRatios
                                                          : DocumentTable::MappedChords);
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress && key_event.matches(QKeySequence::Delete)) {
        const std::pair<QObject*, QToolButton*> deletes[] = {
            {scale_table_, scale_segments_[2]},
            {fixed_tone_table_, fixed_tone_segments_[2]},
            {chord_table_, chord_segments_[2]}};
        for (const auto& [view, minus] : deletes) {
            if (view != watched) continue;
            minus->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

DocumentTableModel* TableControls::model_for(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return scale_model_;
        case DocumentTable::FixedTones: return fixed_tone_model_;
        case DocumentTable::MappedChords: return chord_model_;
        case DocumentTable::Partials: return &partials_.model();
    }
    return nullptr;
}

QTableView* TableControls::view_for(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return scale_table_;
        case DocumentTable::FixedTones: return fixed_tone_table_;
        case DocumentTable::MappedChords: return chord_table_;
        case DocumentTable::Partials: return partials_.table();
    }
    return nullptr;
}

void TableControls::reload_table(DocumentTable table) {
    if (DocumentTableModel* model = model_for(table)) model->reload();
}

std::optional<int32_t> TableControls::selected_row(DocumentTable table) const {
    const QTableView* view = view_for(table);
    if (view == nullptr || view->selectionModel() == nullptr) return std::nullopt;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return rows.constFirst().row();
}

}  // namespace kelvara
