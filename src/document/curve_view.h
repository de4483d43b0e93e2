#pragma once
// CurveView: what a document draws, as the graph widget receives it. The document lends the
// two curve arrays by pointer (it keeps ownership) and lends null before it frees them; it
// sets the plotted ranges, which layers show, the cursor line and the colours. A document
// without a window draws into NullCurveView.
//
// Threads: every call runs on the user-interface thread.
#include <cstdint>

#include "engine/ratio_axis.h"

namespace kelvara {

// A device-RGB colour with alpha, each component 0 to 1.
struct Rgba {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 1.0f;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Which layers the graph shows over the curve.
struct PlotFlags {
    bool just_ratios = false;     // markers at the just ratios
    bool selected_ratio = false;  // the cursor line at the scale's selected ratio
    bool slope = false;           // the curve's slope, with its zero line
    friend bool operator==(const PlotFlags&, const PlotFlags&) = default;
};

// How finely a view shows the ratio axis: the device pixels across its plotted range and the
// axis they are spread on (on a cents axis the pixels at the low end are the narrowest in
// ratio). No pixels: the view shows nothing, and the document lends its own samples.
struct CurveResolution {
    int32_t device_pixels = 0;
    RatioAxis axis = RatioAxis::Linear;
    friend bool operator==(const CurveResolution&, const CurveResolution&) = default;
};

class CurveView {
public:
    virtual ~CurveView() = default;

    // Borrow the curve arrays (either may be null); nothing is redrawn.
    virtual void lend_arrays(const float* x_values, const float* y_values) = 0;
    // Take the count of valid points and rebuild every path.
    virtual void redraw(int32_t number_of_points) = 0;
    // The document draws the curve it lends at this resolution.
    virtual CurveResolution resolution() const { return {}; }

    virtual void set_x_range(double min, double max) = 0;
    virtual void set_y_range(double min, double max) = 0;
    virtual void set_slope_range(double min, double max) = 0;

    // Which layers show; the slope appears at the next redraw.
    virtual void set_plot_flags(PlotFlags flags) = 0;

    // Move the cursor line to an interval ratio.
    virtual void move_cursor_line(float ratio) = 0;

    // A null colour keeps the one set before.
    virtual void set_curve_colors(const Rgba* line, const Rgba* fill) = 0;
    virtual void set_slope_colors(const Rgba* line, const Rgba* fill) = 0;
    virtual void set_background_color(const Rgba* color) = 0;
    virtual void set_text_color(const Rgba* color) = 0;
};

// Draws nothing.
class NullCurveView final : public CurveView {
public:
    void lend_arrays(const float*, const float*) override {}
    void redraw(int32_t) override {}
    void set_x_range(double, double) override {}
    void set_y_range(double, double) override {}
    void set_slope_range(double, double) override {}
    void set_plot_flags(PlotFlags) override {}
    void move_cursor_line(float) override {}
    void set_curve_colors(const Rgba*, const Rgba*) override {}
    void set_slope_colors(const Rgba*, const Rgba*) override {}
    void set_background_color(const Rgba*) override {}
    void set_text_color(const Rgba*) override {}
};

}  // namespace kelvara
