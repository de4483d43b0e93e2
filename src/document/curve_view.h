#pragma once
// What the document asks of the graph that draws its curve. The document lends the two
// curve arrays by pointer (it keeps ownership) and hands them back as null before it
// frees them. Every call runs on the user-interface thread.
#include <cstdint>

namespace kelvara {

// A device-RGB colour with alpha, each component 0 to 1.
struct Rgba {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 1.0f;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

class GraphView {
public:
    virtual ~GraphView() = default;

    // Borrow the curve arrays (either may be null); nothing is redrawn.
    virtual void set_value_arrays_x_y(const float* x_values, const float* y_values) = 0;
    // Take the count of valid points and rebuild every path.
    virtual void update_graph(int32_t number_of_points) = 0;

    virtual void set_x_axis_min_max(double min, double max) = 0;
    virtual void set_y_axis_min_max(double min, double max) = 0;
    virtual void set_dy_axis_min_max(double min, double max) = 0;

    virtual void set_should_draw_justs(bool draw) = 0;
    virtual void set_should_plot_line(bool draw) = 0;
    virtual void set_should_draw_derivative(bool draw) = 0;

    // Move the cursor line to an interval ratio.
    virtual void plot_line_at_x(float ratio) = 0;

    virtual void set_curve_color_fill(const Rgba* line, const Rgba* fill) = 0;
    virtual void set_dy_curve_color_fill(const Rgba* line, const Rgba* fill) = 0;
    virtual void set_bg_color(const Rgba* color) = 0;
    virtual void set_text_color(const Rgba* color) = 0;
};

}  // namespace kelvara
