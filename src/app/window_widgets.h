#pragma once
// Every control of a document window, as the layout builds them. The window wires them to
// its document; tests find them here instead of searching the widget tree.
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTabWidget;
class QTableView;
class QToolButton;
class QWidget;

namespace kelvara {

class RescanningComboBox;

// A row of push buttons that act like one segmented control: each button is one segment.
template <int N>
using Segments = std::array<QToolButton*, N>;

struct WindowWidgets {
    // Timbre and plot.
    QComboBox* timbre_selector = nullptr;
    // The roughness model: its items carry a RoughnessModel as their data.
    QComboBox* roughness_model_selector = nullptr;
    QLineEdit* base_frequency_field = nullptr;
    QLineEdit* overtones_field = nullptr;
    QLineEdit* step_field = nullptr;
    QLineEdit* x_min_field = nullptr;
    QLineEdit* x_max_field = nullptr;
    QLineEdit* y_min_field = nullptr;
    QLineEdit* y_max_field = nullptr;
    // The plot control: three independent toggles (just ratios, cursor line, derivative).
    Segments<3> plot_toggles{};
    // How the graph shows the x axis and the scale; the window's own, not the document's:
    // an x axis in cents, and every scale ratio as a line.
    QToolButton* cents_axis_toggle = nullptr;
    QToolButton* scale_lines_toggle = nullptr;
    QPushButton* fit_y_button = nullptr;
    QWidget* graph = nullptr;

    // Tables. The scale and a custom timbre's partials are two tabs of one place.
    QTabWidget* scale_and_partial_tabs = nullptr;
    QTableView* scale_table = nullptr;
    QTableView* fixed_tone_table = nullptr;
    QTableView* chord_table = nullptr;
    // Scale segments by index: add, presets (carries the preset menu), delete, clear.
    Segments<4> scale_buttons{};
    // Held down, plays the base and the selected scale step (as Space in the table does).
    QToolButton* scale_play_button = nullptr;
    QMenu* preset_menu = nullptr;
    // The preset menu's last item, checked: presets and the equal division add their values
    // to the scale instead of replacing it.
    QAction* preset_add_item = nullptr;
    QLineEdit* division_count_field = nullptr;
    QLineEdit* division_base_field = nullptr;
    // Fixed-tone segments: add, copy from the scale, delete.
    Segments<3> fixed_tone_buttons{};
    // Chord segments: add, copy the fixed tones, delete.
    Segments<3> chord_buttons{};
    // Held down, plays the selected row's chord (as Space in the table does).
    QToolButton* chord_play_button = nullptr;
    // The chord map's menu (Map Scale to Keys…) and the segment that opens it.
    QToolButton* chord_map_menu_button = nullptr;
    QMenu* chord_map_menu = nullptr;
    // A custom timbre's partials, the second tab (on for the Custom timbre only): ratio,
    // amplitude, dB.
    QGroupBox* partial_box = nullptr;
    QTableView* partial_table = nullptr;
    // Partial segments: add, delete, paste a column, and the starting points' menu.
    Segments<4> partial_buttons{};
    QMenu* starting_point_menu = nullptr;
    // The inharmonicity coefficient B of the stiff-string starting point.
    QLineEdit* inharmonicity_field = nullptr;

    // Sound and MIDI.
    QComboBox* midi_source_list = nullptr;
    QLineEdit* last_key_field = nullptr;
    // Where the scale goes as a MIDI tuning: "None", then the destinations (refreshed each
    // time the list opens).
    RescanningComboBox* midi_destination_list = nullptr;
    QComboBox* instrument_list = nullptr;
    QPushButton* load_bank_button = nullptr;
    QPushButton* default_bank_button = nullptr;
    // Checked: the bank's own tuning; unchecked (the default): pitch-true playback.
    QCheckBox* bank_tuning_box = nullptr;
    QSlider* volume_slider = nullptr;
};

// Builds the controls into `window`'s central area around `graph`, with tab order,
// tooltips and the resizing rule (the graph takes the extra space).
WindowWidgets build_window_layout(QWidget& central, QWidget* graph);

}  // namespace kelvara
