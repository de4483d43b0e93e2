// The layout of a document window: the curve with its timbre, range and plot controls on
// the left, the scale, fixed-tone and chord tables on the right, the sound and MIDI strip
// along the bottom. Only the graph grows when the window does.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/number_fields.h"
#include "app/rescanning_combo_box.h"
#include "app/window_widgets.h"
#include "engine/overtone_type.h"
#include "engine/roughness_model.h"

namespace kelvara {
namespace {

constexpr int kNumberFieldWidth = 80;
constexpr int kVolumeMax = 127;

QLineEdit* number_field(const QString& object_name, const QString& tooltip, bool integer) {
    auto* field = new QLineEdit;
    field->setObjectName(object_name);
    field->setToolTip(tooltip);
    field->setAlignment(Qt::AlignRight);
    field->setMaximumWidth(kNumberFieldWidth);
    if (integer)
        accept_int_characters_only(*field);
    else
        accept_float_characters_only(*field);
    return field;
}

QLabel* buddy_label(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QToolButton* segment(const QString& text, const QString& tooltip, bool checkable = false) {
    auto* button = new QToolButton;
    button->setText(text);
    button->setToolTip(tooltip);
    button->setCheckable(checkable);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

template <int N>
QWidget* segment_row(const Segments<N>& segments) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : segments) layout->addWidget(button);
    layout->addStretch(1);
    return row;
}

QTableView* table(const QString& object_name, const QString& tooltip) {
    auto* view = new QTableView;
    view->setObjectName(object_name);
    view->setToolTip(tooltip);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setVisible(false);
    view->setAlternatingRowColors(true);
    // Two rows under the heading at least, so that a row can be seen and edited however
    // small the window is.
    view->setMinimumHeight(view->horizontalHeader()->sizeHint().height() +
                           2 * view->verticalHeader()->defaultSectionSize() +
                           2 * view->frameWidth());
    return view;
}

// The timbre pop-up's items carry the timbre types as their data; the document selects and
// reads them by that tag, never by position.
QComboBox* timbre_selector() {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("timbre_selector"));
    combo->setToolTip(QObject::tr("The timbre: which overtones each tone has and how loud"));
    combo->addItem(QObject::tr("Sine (no overtones)"), int{PureTone});
    combo->addItem(QObject::tr("All harmonics, equal"), int{FlatHarmonics});
    combo->addItem(QObject::tr("Odd harmonics"), int{OddHarmonics});
    combo->addItem(QObject::tr("Shaped harmonics"), int{ShapedHarmonics});
    combo->addItem(QObject::tr("Harmonics falling as 1/n"), int{InverseHarmonics});
    combo->addItem(QObject::tr("Harmonics falling geometrically"), int{GeometricHarmonics});
    combo->addItem(QObject::tr("Custom partials"), int{CustomPartials});
    combo->setItemData(combo->count() - 1,
                       QObject::tr("Your own partials, starting from the timbre in force"),
                       Qt::ToolTipRole);
    return combo;
}

QComboBox* roughness_model_selector() {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("roughness_model_selector"));
    combo->setToolTip(
        QObject::tr("How loud partials weigh in the roughness of a pair: by the product of "
                    "their amplitudes, or by the softer of the two"));
    combo->addItem(QObject::tr("Product"), static_cast<int>(RoughnessModel::Product));
    combo->addItem(QObject::tr("Minimum"), static_cast<int>(RoughnessModel::Minimum));
    return combo;
}

QWidget* timbre_row(WindowWidgets& w) {
    w.timbre_selector = timbre_selector();
    w.overtones_field =
        number_field(QStringLiteral("overtones_field"),
                     QObject::tr("Partials per tone, the fundamental included (1 to 128)"), true);
    w.base_frequency_field = number_field(
        QStringLiteral("base_frequency_field"),
        QObject::tr("Frequency of the lower tone in hertz; the fixed tones are ratios of it"),
        false);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buddy_label(QObject::tr("&Timbre:"), w.timbre_selector));
    layout->addWidget(w.timbre_selector);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Overtones:"), w.overtones_field));
    layout->addWidget(w.overtones_field);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Base:"), w.base_frequency_field));
    layout->addWidget(w.base_frequency_field);
    layout->addWidget(new QLabel(QObject::tr("Hz")));
    layout->addStretch(1);
    return row;
}

QWidget* range_row(WindowWidgets& w) {
    w.x_min_field =
        number_field(QStringLiteral("x_min_field"),
                     QObject::tr("Smallest interval ratio swept (1 is the unison)"), false);
    w.x_max_field =
        number_field(QStringLiteral("x_max_field"),
                     QObject::tr("Largest interval ratio swept (2 is the octave)"), false);
    w.y_min_field = number_field(QStringLiteral("y_min_field"),
                                 QObject::tr("Dissonance at the bottom of the graph"), false);
    w.y_max_field = number_field(QStringLiteral("y_max_field"),
                                 QObject::tr("Dissonance at the top of the graph"), false);
    w.step_field = number_field(
        QStringLiteral("step_field"),
        QObject::tr("Ratio step between two samples of the curve; smaller is finer and slower"),
        false);
    w.fit_y_button = new QPushButton(QObject::tr("&Fit"));
    w.fit_y_button->setObjectName(QStringLiteral("fit_y_button"));
    w.fit_y_button->setToolTip(
        QObject::tr("Fit the graph to the curve: the ratio range from before zooming, the "
                    "dissonance range to the curve (a double click in the graph does the same)"));

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buddy_label(QObject::tr("&Ratio:"), w.x_min_field));
    layout->addWidget(w.x_min_field);
    layout->addWidget(new QLabel(QObject::tr("to")));
    layout->addWidget(w.x_max_field);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Dissonance:"), w.y_min_field));
    layout->addWidget(w.y_min_field);
    layout->addWidget(new QLabel(QObject::tr("to")));
    layout->addWidget(w.y_max_field);
    layout->addWidget(w.fit_y_button);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("Ste&p:"), w.step_field));
    layout->addWidget(w.step_field);
    layout->addStretch(1);
    return row;
}

QWidget* plot_row(WindowWidgets& w) {
    w.plot_toggles = {
        segment(QObject::tr("Just Ratios"),
                QObject::tr("Mark the just intervals (6/5, 5/4, 3/2, …) on the graph"), true),
        segment(QObject::tr("Cursor"),
                QObject::tr("Draw a line at the ratio selected in the scale table"), true),
        segment(QObject::tr("Slope"),
                QObject::tr("Draw the slope of the curve (its derivative) in blue"), true)};
    w.plot_toggles[0]->setObjectName(QStringLiteral("plot_just_ratios"));
    w.plot_toggles[1]->setObjectName(QStringLiteral("plot_cursor_line"));
    w.plot_toggles[2]->setObjectName(QStringLiteral("plot_slope"));
    Segments<2> view_toggles = {
        segment(QObject::tr("Scale Steps"),
                QObject::tr("Draw every ratio of the scale table as a labelled line"), true),
        segment(QObject::tr("Cents Axis"),
                QObject::tr("Ratios in cents along the graph: equal steps look equal"), true)};
    w.scale_lines_toggle = view_toggles[0];
    w.cents_axis_toggle = view_toggles[1];
    w.scale_lines_toggle->setObjectName(QStringLiteral("scale_lines_toggle"));
    w.cents_axis_toggle->setObjectName(QStringLiteral("cents_axis_toggle"));
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    w.roughness_model_selector = roughness_model_selector();
    layout->addWidget(new QLabel(QObject::tr("Show:")));
    layout->addWidget(segment_row<3>(w.plot_toggles));
    layout->addSpacing(12);
    layout->addWidget(segment_row<2>(view_toggles));
    layout->addStretch(1);
    layout->addWidget(buddy_label(QObject::tr("Ro&ughness:"), w.roughness_model_selector));
    layout->addWidget(w.roughness_model_selector);
    return row;
}

QWidget* curve_pane(WindowWidgets& w, QWidget* graph) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(timbre_row(w));
    graph->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    graph->setMinimumSize(360, 240);
    w.graph = graph;
    layout->addWidget(graph, 1);
    layout->addWidget(range_row(w));
    layout->addWidget(plot_row(w));
    return pane;
}

QGroupBox* scale_box(WindowWidgets& w) {
    w.scale_table = table(QStringLiteral("scale_table"),
                          QObject::tr("Your scale: its ratios and their sizes in cents. "
                                      "The selected row is the cursor line on the graph."));
    w.scale_buttons = {
        segment(QObject::tr("+"), QObject::tr("Add the ratio 1")),
        segment(QObject::tr("Presets"),
                QObject::tr("Fill in a scale: just ratios, equal divisions, harmonic series")),
        segment(QObject::tr("−"), QObject::tr("Delete the selected ratio")),
        segment(QObject::tr("Clear"), QObject::tr("Delete every ratio of the scale"))};
    auto* presets = w.scale_buttons[1];
    presets->setPopupMode(QToolButton::InstantPopup);
    w.preset_menu = new QMenu(presets);
    presets->setMenu(w.preset_menu);

    w.division_count_field =
        number_field(QStringLiteral("division_count_field"),
                     QObject::tr("Steps of the equal division (1 or more)"), true);
    w.division_count_field->setText(QStringLiteral("12"));
    w.division_base_field =
        number_field(QStringLiteral("division_base_field"),
                     QObject::tr("Interval divided into equal steps (2 is the "
                                 "octave); also the base of the harmonic lists"),
                     false);
    w.division_base_field->setText(QStringLiteral("2"));

    auto* generator = new QWidget;
    auto* generator_layout = new QHBoxLayout(generator);
    generator_layout->setContentsMargins(0, 0, 0, 0);
    generator_layout->addWidget(buddy_label(QObject::tr("Di&vide:"), w.division_base_field));
    generator_layout->addWidget(w.division_base_field);
    generator_layout->addWidget(buddy_label(QObject::tr("&into"), w.division_count_field));
    generator_layout->addWidget(w.division_count_field);
    generator_layout->addWidget(new QLabel(QObject::tr("steps")));
    generator_layout->addStretch(1);

    auto* box = new QGroupBox(QObject::tr("Scale"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(w.scale_table, 1);
    w.scale_play_button =
        segment(QObject::tr("\u25B6"), QObject::tr("Hold to hear the base and the selected step "
                                                   "with the document's timbre (or hold Space)"));
    QWidget* scale_segments = segment_row<4>(w.scale_buttons);
    static_cast<QHBoxLayout*>(scale_segments->layout())->insertWidget(4, w.scale_play_button);
    layout->addWidget(scale_segments);
    layout->addWidget(generator);
    return box;
}

QGroupBox* fixed_tone_box(WindowWidgets& w) {
    w.fixed_tone_table =
        table(QStringLiteral("fixed_tone_table"),
              QObject::tr("Fixed tones sounding against the sweep, as ratios of the base "
                          "frequency (at most ten)"));
    w.fixed_tone_buttons = {
        segment(QObject::tr("+"), QObject::tr("Add a fixed tone at ratio 1")),
        segment(QObject::tr("From Scale"),
                QObject::tr("Add the ratio selected in the scale table as a fixed tone")),
        segment(QObject::tr("−"), QObject::tr("Delete the selected fixed tone"))};
    auto* box = new QGroupBox(QObject::tr("Fixed Tones"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(w.fixed_tone_table, 1);
    layout->addWidget(segment_row<3>(w.fixed_tone_buttons));
    return box;
}

QGroupBox* chord_box(WindowWidgets& w) {
    w.chord_table = table(QStringLiteral("chord_table"),
                          QObject::tr("Which chord each MIDI key plays: frequencies in "
                                      "hertz separated by commas"));
    w.chord_buttons = {segment(QObject::tr("+"), QObject::tr("Map the next free key to 110 Hz")),
                       segment(QObject::tr("From Fixed Tones"),
                               QObject::tr("Map the next free key to the fixed tones as a chord")),
                       segment(QObject::tr("−"), QObject::tr("Unmap the selected key"))};
    w.chord_map_menu_button =
        segment(QObject::tr("Keys"), QObject::tr("Fill the chord map from the scale"));
    w.chord_map_menu_button->setPopupMode(QToolButton::InstantPopup);
    w.chord_map_menu = new QMenu(w.chord_map_menu_button);
    w.chord_map_menu_button->setMenu(w.chord_map_menu);
    auto* box = new QGroupBox(QObject::tr("Chord Map"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(w.chord_table, 1);
    QWidget* segments = segment_row<3>(w.chord_buttons);
    static_cast<QHBoxLayout*>(segments->layout())->insertWidget(3, w.chord_map_menu_button);
    w.chord_play_button =
        segment(QObject::tr("\u25B6"), QObject::tr("Hold to hear the selected chord with the "
                                                   "document's timbre (or hold Space)"));
    static_cast<QHBoxLayout*>(segments->layout())->insertWidget(4, w.chord_play_button);
    layout->addWidget(segments);
    return box;
}

QGroupBox* partial_box(WindowWidgets& w) {
    w.partial_table =
        table(QStringLiteral("partial_table"),
              QObject::tr("Your timbre's partials: each a ratio to the fundamental and a linear "
                          "amplitude (its level in decibels beside it). Paste a column of "
                          "numbers with Ctrl+V."));
    w.partial_buttons = {
        segment(QObject::tr("+"), QObject::tr("Add a partial above the highest one")),
        segment(QObject::tr("−"), QObject::tr("Delete the selected partial")),
        segment(QObject::tr("Paste"),
                QObject::tr("Paste a column of numbers from the clipboard into the selected "
                            "column, from the selected row down")),
        segment(QObject::tr("Start From"),
                QObject::tr("Replace the partials with a starting point: harmonics of a "
                            "timbre type, an ideal free bar, a stiff string, published spectra"))};
    w.partial_buttons[3]->setPopupMode(QToolButton::InstantPopup);
    w.starting_point_menu = new QMenu(w.partial_buttons[3]);
    w.partial_buttons[3]->setMenu(w.starting_point_menu);
    w.inharmonicity_field =
        number_field(QStringLiteral("inharmonicity_field"),
                     QObject::tr("Inharmonicity coefficient B of the stiff string (0 to 1; "
                                 "piano strings 0.00005 to 0.02)"),
                     false);
    w.inharmonicity_field->setText(QStringLiteral("0.0004"));
    // Three narrow numbers share the tab's width: no sideways scrolling.
    w.partial_table->horizontalHeader()->setMinimumSectionSize(36);
    w.partial_table->horizontalHeader()->setStretchLastSection(false);
    w.partial_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    w.partial_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w.partial_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* stiffness = new QWidget;
    auto* stiffness_layout = new QHBoxLayout(stiffness);
    stiffness_layout->setContentsMargins(0, 0, 0, 0);
    stiffness_layout->addWidget(
        buddy_label(QObject::tr("Stiff string &B:"), w.inharmonicity_field));
    stiffness_layout->addWidget(w.inharmonicity_field);
    stiffness_layout->addStretch(1);

    w.partial_box = new QGroupBox(QObject::tr("Partials"));
    w.partial_box->setObjectName(QStringLiteral("partial_box"));
    auto* layout = new QVBoxLayout(w.partial_box);
    layout->addWidget(w.partial_table, 1);
    layout->addWidget(segment_row<4>(w.partial_buttons));
    layout->addWidget(stiffness);
    return w.partial_box;
}

// The scale and the partials of a custom timbre share one place, as two tabs: the window
// keeps its size whichever timbre is chosen.
QTabWidget* scale_and_partial_tabs(WindowWidgets& w) {
    w.scale_and_partial_tabs = new QTabWidget;
    w.scale_and_partial_tabs->setObjectName(QStringLiteral("scale_and_partial_tabs"));
    for (QGroupBox* box : {scale_box(w), partial_box(w)}) {
        const QString title = box->title();
        box->setTitle({});
        box->setFlat(true);
        w.scale_and_partial_tabs->addTab(box, title);
    }
    w.scale_and_partial_tabs->setTabToolTip(
        1, QObject::tr("The partials of a custom timbre (choose Custom partials as the timbre)"));
    return w.scale_and_partial_tabs;
}

QWidget* tables_pane(WindowWidgets& w) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scale_and_partial_tabs(w), 3);
    layout->addWidget(fixed_tone_box(w), 2);
    layout->addWidget(chord_box(w), 2);
    return pane;
}

QWidget* sound_strip(WindowWidgets& w) {
    w.midi_source_list = new QComboBox;
    w.midi_source_list->setObjectName(QStringLiteral("midi_source_list"));
    w.midi_source_list->setToolTip(QObject::tr("The MIDI keyboard that plays this document"));
    w.midi_source_list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    w.last_key_field = new QLineEdit;
    w.last_key_field->setObjectName(QStringLiteral("last_key_field"));
    w.last_key_field->setReadOnly(true);
    w.last_key_field->setFocusPolicy(Qt::NoFocus);
    w.last_key_field->setMaximumWidth(48);
    w.last_key_field->setAlignment(Qt::AlignCenter);
    w.last_key_field->setToolTip(QObject::tr("The last MIDI key struck"));
    w.midi_destination_list = new RescanningComboBox;
    w.midi_destination_list->setObjectName(QStringLiteral("midi_destination_list"));
    w.midi_destination_list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    w.instrument_list = new QComboBox;
    w.instrument_list->setObjectName(QStringLiteral("instrument_list"));
    w.instrument_list->setToolTip(
        QObject::tr("The instrument of the sound bank that plays chords"));
    w.instrument_list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    w.load_bank_button = new QPushButton(QObject::tr("Load &Bank…"));
    w.load_bank_button->setObjectName(QStringLiteral("load_bank_button"));
    w.load_bank_button->setToolTip(QObject::tr("Play through a SoundFont or DLS file"));
    w.default_bank_button = new QPushButton(QObject::tr("Default Ba&nk"));
    w.default_bank_button->setObjectName(QStringLiteral("default_bank_button"));
    w.default_bank_button->setToolTip(QObject::tr("Go back to the built-in sounds"));
    w.bank_tuning_box = new QCheckBox(QObject::tr("Play the bank's o&wn tuning"));
    w.bank_tuning_box->setObjectName(QStringLiteral("bank_tuning_box"));
    w.bank_tuning_box->setToolTip(
        QObject::tr("Unchecked, Kelvara measures the pitch of every sample of the bank and "
                    "plays each tone at exactly the pitch asked for. Checked, the bank plays "
                    "as it declares itself, often a few cents off. Saved with the document"));
    w.volume_slider = new QSlider(Qt::Horizontal);
    w.volume_slider->setObjectName(QStringLiteral("volume_slider"));
    w.volume_slider->setRange(0, kVolumeMax);
    w.volume_slider->setMinimumWidth(120);
    w.volume_slider->setToolTip(QObject::tr("Volume (MIDI controller 7), saved with the document"));

    // Two rows: MIDI in and out with the volume, then the instrument and its bank, so that
    // each row stays whole at the window's minimum width whatever the lists hold.
    auto* strip = new QWidget;
    auto* rows = new QVBoxLayout(strip);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* midi_row = new QHBoxLayout;
    midi_row->addWidget(buddy_label(QObject::tr("&MIDI input:"), w.midi_source_list));
    midi_row->addWidget(w.midi_source_list);
    midi_row->addWidget(new QLabel(QObject::tr("Last key:")));
    midi_row->addWidget(w.last_key_field);
    midi_row->addSpacing(12);
    midi_row->addWidget(buddy_label(QObject::tr("MIDI o&utput:"), w.midi_destination_list));
    midi_row->addWidget(w.midi_destination_list);
    midi_row->addStretch(1);
    midi_row->addWidget(buddy_label(QObject::tr("&Volume:"), w.volume_slider));
    midi_row->addWidget(w.volume_slider);
    auto* bank_row = new QHBoxLayout;
    bank_row->addWidget(buddy_label(QObject::tr("&Instrument:"), w.instrument_list));
    bank_row->addWidget(w.instrument_list);
    bank_row->addWidget(w.load_bank_button);
    bank_row->addWidget(w.default_bank_button);
    bank_row->addWidget(w.bank_tuning_box);
    bank_row->addStretch(1);
    rows->addLayout(midi_row);
    rows->addLayout(bank_row);
    return strip;
}

// Tab order follows reading order: timbre, ranges, plot toggles, then the tables from top
// to bottom, then the sound strip.
void set_tab_order(const WindowWidgets& w) {
    const QWidget* order[] = {
        w.timbre_selector,       w.overtones_field,       w.base_frequency_field,
        w.x_min_field,           w.x_max_field,           w.y_min_field,
        w.y_max_field,           w.fit_y_button,          w.step_field,
        w.plot_toggles[0],       w.plot_toggles[1],       w.plot_toggles[2],
        w.scale_lines_toggle,    w.cents_axis_toggle,     w.roughness_model_selector,
        w.scale_table,           w.scale_buttons[0],      w.scale_buttons[1],
        w.scale_buttons[2],      w.scale_buttons[3],      w.division_base_field,
        w.division_count_field,  w.partial_table,         w.partial_buttons[0],
        w.partial_buttons[1],    w.partial_buttons[2],    w.partial_buttons[3],
        w.inharmonicity_field,   w.fixed_tone_table,      w.fixed_tone_buttons[0],
        w.fixed_tone_buttons[1], w.fixed_tone_buttons[2], w.chord_table,
        w.chord_buttons[0],      w.chord_buttons[1],      w.chord_buttons[2],
        w.midi_source_list,      w.midi_destination_list, w.instrument_list,
        w.load_bank_button,      w.default_bank_button,   w.bank_tuning_box,
        w.volume_slider};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    // The chord map's menu follows its segments.
    QWidget::setTabOrder(w.chord_buttons[2], w.chord_map_menu_button);
}

}  // namespace

WindowWidgets build_window_layout(QWidget& central, QWidget* graph) {
    WindowWidgets w;
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(curve_pane(w, graph));
    splitter->addWidget(tables_pane(w));
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);

    auto* layout = new QVBoxLayout(&central);
    layout->addWidget(splitter, 1);
    layout->addWidget(sound_strip(w));
    set_tab_order(w);
    return w;
}

}  // namespace kelvara
