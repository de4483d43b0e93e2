// The just-ratio markers and the ratio cursor line: vertical segments over the full height
// of the graph frame.
#include <array>
#include <cmath>

#include "view/pv_kelvara_view.h"

namespace kelvara {
namespace {

constexpr Rgba kDefaultJustColor{1.0f, 0.0f, 0.0f, 0.25f};
constexpr Rgba kDefaultLineColor{0.0f, 0.0f, 1.0f, 0.25f};

// The just intervals of one octave; the markers of the octave above are these doubled.
constexpr std::array<float, 14> kJustRatios{
    1.0f / 1.0f, 16.0f / 15.0f, 9.0f / 8.0f, 6.0f / 5.0f, 5.0f / 4.0f, 4.0f / 3.0f,  7.0f / 5.0f,
    3.0f / 2.0f, 8.0f / 5.0f,   5.0f / 3.0f, 9.0f / 5.0f, 7.0f / 4.0f, 16.0f / 9.0f, 15.0f / 8.0f};
// Above this x maximum the octave above is marked too; nothing higher ever is.
constexpr float kSecondOctaveThreshold = 2.0f;

void reset(std::optional<StrokedPath>& path) {
    if (!path) path.emplace();
    path->path.clear();
}

}  // namespace

// Markers outside the x range are built all the same: the clip hides them.
void PVKelvaraView::plot_just_lines() {
    reset(_justs_path);
    if (!_just_color) _just_color = kDefaultJustColor;
    if (!_should_draw_justs) return;
    const float bottom = location_for_y(_y_min), top = location_for_y(_y_max);
    const auto add_marker = [&](float ratio) {
        const float x = location_for_x(ratio);
        _justs_path->path.moveTo(x, bottom);
        _justs_path->path.lineTo(x, top);
    };
    for (const float ratio : kJustRatios) add_marker(ratio);
    if (_x_max > kSecondOctaveThreshold)
        for (const float ratio : kJustRatios) add_marker(ratio * 2.0f);
}

void PVKelvaraView::move_cursor_line(float ratio) {
    _current_x_line = ratio;
    reset(_ratio_line_path);
    if (!_line_color) _line_color = kDefaultLineColor;
    // A ratio that is not a number has no place on the axis: the line is left out.
    if (_should_plot_line && std::isfinite(ratio)) {
        const float x = location_for_x(ratio);
        _ratio_line_path->path.moveTo(x, location_for_y(_y_min));
        _ratio_line_path->path.lineTo(x, location_for_y(_y_max));
    }
    request_redisplay();
}

}  // namespace kelvara
