// The just-ratio markers and the ratio cursor line: vertical segments over the full height
// of the graph frame.
#include <array>
#include <cmath>

#include "view/graph_widget.h"

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
void GraphWidget::build_just_markers() {
    reset(justs_path_);
    if (!just_color_) just_color_ = kDefaultJustColor;
    if (!shows_just_ratios_) return;
    const float bottom = location_for_y(y_min_), top = location_for_y(y_max_);
    const auto add_marker = [&](float ratio) {
        const float x = location_for_x(ratio);
        justs_path_->path.moveTo(x, bottom);
        justs_path_->path.lineTo(x, top);
    };
    for (const float ratio : kJustRatios) add_marker(ratio);
    if (x_max_ > kSecondOctaveThreshold)
        for (const float ratio : kJustRatios) add_marker(ratio * 2.0f);
}

void GraphWidget::move_cursor_line(float ratio) {
    cursor_ratio_ = ratio;
    reset(ratio_line_path_);
    if (!line_color_) line_color_ = kDefaultLineColor;
    // A ratio that is not a number has no place on the axis: the line is left out.
    if (shows_cursor_line_ && std::isfinite(ratio)) {
        const float x = location_for_x(ratio);
        ratio_line_path_->path.moveTo(x, location_for_y(y_min_));
        ratio_line_path_->path.lineTo(x, location_for_y(y_max_));
    }
    request_redisplay();
}

}  // namespace kelvara
