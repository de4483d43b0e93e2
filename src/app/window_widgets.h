#pragma once
// Every control of a document window, as the layout builds them. The window wires them to
// its document; tests find them here instead of searching the widget tree.
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTableView;
class QToolButton;
class QWidget;

namespace kelvara {

// A row of push buttons that act like one segmented control: each button is one segment.
template <int N>
using Segments = std::array<QToolButton*, N>;

struct WindowWidgets {
    // Timbre and plot.
    QComboBox* waveform_selector = nullptr;
    QLineEdit* base_frequency_tf = nullptr;
    QLineEdit* number_of_overtones_tf = nullptr;
    QLineEdit* step_size_tf = nullptr;
    QLineEdit* x_min_tf = nullptr;
    QLineEdit* x_max_tf = nullptr;
    QLineEdit* y_min_tf = nullptr;
    QLineEdit* y_max_tf = nullptr;
    // The plot control: three independent toggles (just ratios, cursor line, derivative).
    Segments<3> plot_justs_ratio_btn{};
    QPushButton* normalize_y_axis_btn = nullptr;
    QWidget* graph = nullptr;

    // Tables.
    QTableView* scale_ratios_tv = nullptr;
    QTableView* dissonance_ratios_tv = nullptr;
    QTableView* mapped_chords_tv = nullptr;
    // Scale segments by index: add, presets (carries the preset menu), delete, clear.
    Segments<4> add_delete_scale_ratio{};
    QMenu* add_delete_scale_menu = nullptr;
    QLineEdit* scale_tet = nullptr;
    QLineEdit* scale_base = nullptr;
    // Fixed-tone segments: add, copy from the scale, delete.
    Segments<3> add_delete_dissonance_ratio{};
    // Chord segments: add, copy the fixed tones, delete.
    Segments<3> add_delete_copy_chord{};

    // Sound and MIDI.
    QComboBox* midi_sources_btn = nullptr;
    QLineEdit* last_played_tf = nullptr;
    QComboBox* program_btn = nullptr;
    QPushButton* load_sound_font_btn = nullptr;
    QPushButton* load_default_sounds_btn = nullptr;
    QSlider* volume_ctl = nullptr;
};

// Builds the controls into `window`'s central area around `graph`, with tab order,
// tooltips and the resizing rule (the graph takes the extra space).
WindowWidgets build_window_layout(QWidget& central, QWidget* graph);

}  // namespace kelvara
