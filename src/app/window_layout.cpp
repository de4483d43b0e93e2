// The layout of a document window: the curve with its timbre, range and plot controls on
// the left, the scale, fixed-tone and chord tables on the right, the sound and MIDI strip
// along the bottom. Only the graph grows when the window does.
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
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/number_text.h"
#include "app/window_widgets.h"
#include "engine/overtone_type.h"

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
    return view;
}

// The timbre pop-up's items carry the timbre types as their data; the document selects and
// reads them by that tag, never by position.
QComboBox* waveform_selector() {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("waveform_selector"));
    combo->setToolTip(QObject::tr("The timbre: which overtones each tone has and how loud"));
    combo->addItem(QObject::tr("Sine (no overtones)"), int{PureTone});
    combo->addItem(QObject::tr("All harmonics, equal"), int{FlatHarmonics});
    combo->addItem(QObject::tr("Odd harmonics"), int{OddHarmonics});
    combo->addItem(QObject::tr("Shaped harmonics"), int{ShapedHarmonics});
    combo->addItem(QObject::tr("Harmonics falling as 1/n"), int{InverseHarmonics});
    combo->addItem(QObject::tr("Harmonics falling geometrically"), int{GeometricHarmonics});
    return combo;
}

QWidget* timbre_row(WindowWidgets& w) {
    w.waveform_selector = waveform_selector();
    w.number_of_overtones_tf =
        number_field(QStringLiteral("number_of_overtones_tf"),
                     QObject::tr("Partials per tone, the fundamental included (1 to 128)"), true);
    w.base_frequency_tf = number_field(
        QStringLiteral("base_frequency_tf"),
        QObject::tr("Frequency of the lower tone in hertz; the fixed tones are ratios of it"),
        false);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buddy_label(QObject::tr("&Timbre:"), w.waveform_selector));
    layout->addWidget(w.waveform_selector);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Overtones:"), w.number_of_overtones_tf));
    layout->addWidget(w.number_of_overtones_tf);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Base:"), w.base_frequency_tf));
    layout->addWidget(w.base_frequency_tf);
    layout->addWidget(new QLabel(QObject::tr("Hz")));
    layout->addStretch(1);
    return row;
}

QWidget* range_row(WindowWidgets& w) {
    w.x_min_tf =
        number_field(QStringLiteral("x_min_tf"),
                     QObject::tr("Smallest interval ratio swept (1 is the unison)"), false);
    w.x_max_tf = number_field(QStringLiteral("x_max_tf"),
                              QObject::tr("Largest interval ratio swept (2 is the octave)"), false);
    w.y_min_tf = number_field(QStringLiteral("y_min_tf"),
                              QObject::tr("Dissonance at the bottom of the graph"), false);
    w.y_max_tf = number_field(QStringLiteral("y_max_tf"),
                              QObject::tr("Dissonance at the top of the graph"), false);
    w.step_size_tf = number_field(
        QStringLiteral("step_size_tf"),
        QObject::tr("Ratio step between two samples of the curve; smaller is finer and slower"),
        false);
    w.normalize_y_axis_btn = new QPushButton(QObject::tr("&Fit"));
    w.normalize_y_axis_btn->setObjectName(QStringLiteral("normalize_y_axis_btn"));
    w.normalize_y_axis_btn->setToolTip(
        QObject::tr("Fit the dissonance range to the curve (does not count as a change)"));

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buddy_label(QObject::tr("&Ratio:"), w.x_min_tf));
    layout->addWidget(w.x_min_tf);
    layout->addWidget(new QLabel(QObject::tr("to")));
    layout->addWidget(w.x_max_tf);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Dissonance:"), w.y_min_tf));
    layout->addWidget(w.y_min_tf);
    layout->addWidget(new QLabel(QObject::tr("to")));
    layout->addWidget(w.y_max_tf);
    layout->addWidget(w.normalize_y_axis_btn);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("St&ep:"), w.step_size_tf));
    layout->addWidget(w.step_size_tf);
    layout->addStretch(1);
    return row;
}

QWidget* plot_row(WindowWidgets& w) {
    w.plot_justs_ratio_btn = {
        segment(QObject::tr("Just Ratios"),
                QObject::tr("Mark the just intervals (6/5, 5/4, 3/2, …) on the graph"), true),
        segment(QObject::tr("Cursor"),
                QObject::tr("Draw a line at the ratio selected in the scale table"), true),
        segment(QObject::tr("Slope"),
                QObject::tr("Draw the slope of the curve (its derivative) in blue"), true)};
    w.plot_justs_ratio_btn[0]->setObjectName(QStringLiteral("plot_justs"));
    w.plot_justs_ratio_btn[1]->setObjectName(QStringLiteral("plot_selected_ratio"));
    w.plot_justs_ratio_btn[2]->setObjectName(QStringLiteral("plot_dy"));
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QObject::tr("Show:")));
    layout->addWidget(segment_row<3>(w.plot_justs_ratio_btn));
    layout->addStretch(1);
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
    w.scale_ratios_tv = table(QStringLiteral("scale_ratios_tv"),
                              QObject::tr("Your scale: its ratios and their sizes in cents. "
                                          "The selected row is the cursor line on the graph."));
    w.add_delete_scale_ratio = {
        segment(QObject::tr("+"), QObject::tr("Add the ratio 1")),
        segment(QObject::tr("Presets"),
                QObject::tr("Fill in a scale: just ratios, equal divisions, harmonic series")),
        segment(QObject::tr("−"), QObject::tr("Delete the selected ratio")),
        segment(QObject::tr("Clear"), QObject::tr("Delete every ratio of the scale"))};
    auto* presets = w.add_delete_scale_ratio[1];
    presets->setPopupMode(QToolButton::InstantPopup);
    w.add_delete_scale_menu = new QMenu(presets);
    presets->setMenu(w.add_delete_scale_menu);

    w.scale_tet = number_field(QStringLiteral("scale_tet"),
                               QObject::tr("Steps of the equal division (0, −1 and −2 give the "
                                           "just and harmonic lists)"),
                               true);
    w.scale_tet->setText(QStringLiteral("12"));
    w.scale_base = number_field(QStringLiteral("scale_base"),
                                QObject::tr("Interval divided into equal steps (2 is the "
                                            "octave); also the base of the harmonic lists"),
                                false);
    w.scale_base->setText(QStringLiteral("2"));

    auto* generator = new QWidget;
    auto* generator_layout = new QHBoxLayout(generator);
    generator_layout->setContentsMargins(0, 0, 0, 0);
    generator_layout->addWidget(buddy_label(QObject::tr("Di&vide:"), w.scale_base));
    generator_layout->addWidget(w.scale_base);
    generator_layout->addWidget(buddy_label(QObject::tr("&into"), w.scale_tet));
    generator_layout->addWidget(w.scale_tet);
    generator_layout->addWidget(new QLabel(QObject::tr("steps")));
    generator_layout->addStretch(1);

    auto* box = new QGroupBox(QObject::tr("Scale"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(w.scale_ratios_tv, 1);
    layout->addWidget(segment_row<4>(w.add_delete_scale_ratio));
    layout->addWidget(generator);
    return box;
}

QGroupBox* fixed_tone_box(WindowWidgets& w) {
    w.dissonance_ratios_tv =
        table(QStringLiteral("dissonance_ratios_tv"),
              QObject::tr("Fixed tones sounding against the sweep, as ratios of the base "
                          "frequency (at most ten)"));
    w.add_delete_dissonance_ratio = {
        segment(QObject::tr("+"), QObject::tr("Add a fixed tone at ratio 1")),
        segment(QObject::tr("From Scale"),
                QObject::tr("Add the ratio selected in the scale table as a fixed tone")),
        segment(QObject::tr("−"), QObject::tr("Delete the selected fixed tone"))};
    auto* box = new QGroupBox(QObject::tr("Fixed Tones"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(w.dissonance_ratios_tv, 1);
    layout->addWidget(segment_row<3>(w.add_delete_dissonance_ratio));
    return box;
}

QGroupBox* chord_box(WindowWidgets& w) {
    w.mapped_chords_tv = table(QStringLiteral("mapped_chords_tv"),
                               QObject::tr("Which chord each MIDI key plays: frequencies in "
                                           "hertz separated by commas"));
    w.add_delete_copy_chord = {
        segment(QObject::tr("+"), QObject::tr("Map the next free key to 110 Hz")),
        segment(QObject::tr("From Fixed Tones"),
                QObject::tr("Map the next free key to the fixed tones as a chord")),
        segment(QObject::tr("−"), QObject::tr("Unmap the selected key"))};
    auto* box = new QGroupBox(QObject::tr("Chord Map"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(w.mapped_chords_tv, 1);
    layout->addWidget(segment_row<3>(w.add_delete_copy_chord));
    return box;
}

QWidget* tables_pane(WindowWidgets& w) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scale_box(w), 3);
    layout->addWidget(fixed_tone_box(w), 2);
    layout->addWidget(chord_box(w), 2);
    return pane;
}

QWidget* sound_strip(WindowWidgets& w) {
    w.midi_sources_btn = new QComboBox;
    w.midi_sources_btn->setObjectName(QStringLiteral("midi_sources_btn"));
    w.midi_sources_btn->setToolTip(
        QObject::tr("Connect a MIDI keyboard; every source you pick stays connected"));
    w.midi_sources_btn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    w.last_played_tf = new QLineEdit;
    w.last_played_tf->setObjectName(QStringLiteral("last_played_tf"));
    w.last_played_tf->setReadOnly(true);
    w.last_played_tf->setFocusPolicy(Qt::NoFocus);
    w.last_played_tf->setMaximumWidth(48);
    w.last_played_tf->setAlignment(Qt::AlignCenter);
    w.last_played_tf->setToolTip(QObject::tr("The last MIDI key struck"));
    w.program_btn = new QComboBox;
    w.program_btn->setObjectName(QStringLiteral("program_btn"));
    w.program_btn->setToolTip(QObject::tr("The instrument of the sound bank that plays chords"));
    w.program_btn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    w.load_sound_font_btn = new QPushButton(QObject::tr("Load &Bank…"));
    w.load_sound_font_btn->setObjectName(QStringLiteral("load_sound_font_btn"));
    w.load_sound_font_btn->setToolTip(QObject::tr("Play through a SoundFont or DLS file"));
    w.load_default_sounds_btn = new QPushButton(QObject::tr("Default Ba&nk"));
    w.load_default_sounds_btn->setObjectName(QStringLiteral("load_default_sounds_btn"));
    w.load_default_sounds_btn->setToolTip(QObject::tr("Go back to the built-in sounds"));
    w.volume_ctl = new QSlider(Qt::Horizontal);
    w.volume_ctl->setObjectName(QStringLiteral("volume_ctl"));
    w.volume_ctl->setRange(0, kVolumeMax);
    w.volume_ctl->setMinimumWidth(120);
    w.volume_ctl->setToolTip(QObject::tr("Volume (MIDI controller 7), saved with the document"));

    auto* strip = new QWidget;
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buddy_label(QObject::tr("&MIDI input:"), w.midi_sources_btn));
    layout->addWidget(w.midi_sources_btn);
    layout->addWidget(new QLabel(QObject::tr("Last key:")));
    layout->addWidget(w.last_played_tf);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(QObject::tr("&Instrument:"), w.program_btn));
    layout->addWidget(w.program_btn);
    layout->addWidget(w.load_sound_font_btn);
    layout->addWidget(w.load_default_sounds_btn);
    layout->addStretch(1);
    layout->addWidget(buddy_label(QObject::tr("&Volume:"), w.volume_ctl));
    layout->addWidget(w.volume_ctl);
    return strip;
}

// Tab order follows reading order: timbre, ranges, plot toggles, then the tables from top
// to bottom, then the sound strip.
void set_tab_order(const WindowWidgets& w) {
    const QWidget* order[] = {w.waveform_selector,
                              w.number_of_overtones_tf,
                              w.base_frequency_tf,
                              w.x_min_tf,
                              w.x_max_tf,
                              w.y_min_tf,
                              w.y_max_tf,
                              w.normalize_y_axis_btn,
                              w.step_size_tf,
                              w.plot_justs_ratio_btn[0],
                              w.plot_justs_ratio_btn[1],
                              w.plot_justs_ratio_btn[2],
                              w.scale_ratios_tv,
                              w.add_delete_scale_ratio[0],
                              w.add_delete_scale_ratio[1],
                              w.add_delete_scale_ratio[2],
                              w.add_delete_scale_ratio[3],
                              w.scale_base,
                              w.scale_tet,
                              w.dissonance_ratios_tv,
                              w.add_delete_dissonance_ratio[0],
                              w.add_delete_dissonance_ratio[1],
                              w.add_delete_dissonance_ratio[2],
                              w.mapped_chords_tv,
                              w.add_delete_copy_chord[0],
                              w.add_delete_copy_chord[1],
                              w.add_delete_copy_chord[2],
                              w.midi_sources_btn,
                              w.program_btn,
                              w.load_sound_font_btn,
                              w.load_default_sounds_btn,
                              w.volume_ctl};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
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
