#pragma once
// CurveActions: the actions of the timbre, range and plot controls on one document. Each
// refused value (base/value_limits.h, engine_limits.h) answers with the beep and the reason
// (DocumentView::show_refusal), shows the stored value again and leaves every field, array,
// the edited mark and the undo history as they were. A value equal to the stored one shows
// the stored value again and records nothing either. The x range stays within the ratio
// bounds and both ranges go from a lower to a higher value.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "document/actions.h"
#include "document/curve_view.h"
#include "engine/dissonance_kernel.h"
#include "persistence/graph_choices.h"

namespace kelvara {

class Document;

class CurveActions {
public:
    explicit CurveActions(Document& document) : document_(document) {}

    void set_step_size(float step);
    // Refused for a custom timbre, whose overtone count is the number of its partials.
    void set_number_of_overtones(int32_t count);
    // Types 0 to 5, or CustomPartials: a parametric timbre becomes a custom one holding its
    // own partials (timbre_partials), the starting point for editing them; a custom timbre
    // leaves its partials for the type chosen, with as many overtones as it had partials.
    void set_overtone_type(int32_t type);
    void set_base_frequency(float frequency_hz);
    void set_bound(BoundField field, float value);
    // Both ranges at once (a zoom or pan of the graph), under the rules of set_bound: all
    // four ends are taken or none, and the curve is resampled when the x range moved. Inside
    // a continuous edit, a whole gesture is one undo step.
    void set_graph_ranges(float x_min, float x_max, float y_min, float y_max);
    void set_plot_flags(PlotFlags flags);
    // The axis, the scale steps, the minima's prominence threshold and just naming, saved
    // with the document. A threshold or naming out of bounds is refused with the reason.
    void set_graph_choices(const GraphChoices& choices);
    // Fits the y range to the curve and redraws (not a change of the document).
    void fit_y_range();
    // Replaces the sampling kernel (benchmarks and tests compare kernels through this).
    void set_kernel(std::unique_ptr<DissonanceKernel> kernel);

private:
    // Why a new bound is refused (value_limits.h, an empty or unsampleable range); nothing
    // when it is accepted.
    std::optional<std::string> bound_refusal(BoundField field, float value) const;
    // Why a pair of ranges is refused, by the same rules; nothing when both are accepted.
    std::optional<std::string> ranges_refusal(float x_min, float x_max, float y_min,
                                              float y_max) const;

    Document& document_;
};

}  // namespace kelvara
