// The minima of the document's curve, and Minima → Scale with its follow-up.
#include "document/document_minima.h"

#include <algorithm>
#include <string>

#include "document/document.h"
#include "scales/scale_generator.h"

namespace kelvara {

MinimaQuery minima_query(const Document& document, const JustNaming& just) {
    const Curve& curve = document.curve();
    const double x_min = curve.x_min(), x_max = curve.x_max();
    // A range with no part inside the curve's is left as it is, for the search to refuse.
    const double low = std::max(x_min, kMinCurveX), high = std::min(x_max, kMaxCurveX);
    const bool overlaps = low < high;
    return {document_curve_definition(curve.timbre(), document.tables().fixed_tones(),
                                      curve.roughness_model()),
            {.x_min = overlaps ? low : x_min, .x_max = overlaps ? high : x_max, .just = just}};
}

Result<std::vector<CurveMinimum>> find_minima(const MinimaQuery& query) {
    return find_curve_minima(query.curve, query.search);
}

bool Document::minima_to_scale(MinimaToScale mode, double min_prominence) {
    const EditScope edit(*this, EditName::MinimaToScale);
    const Result<std::vector<CurveMinimum>> minima = find_minima(minima_query(*this));
    if (!minima) {
        refuse(minima.error().description + " " + minima.error().reason);
        return false;
    }
    std::vector<float> scale;
    if (mode == MinimaToScale::Add) scale = tables_.scale_ratios();
    for (const CurveMinimum& m : *minima) {
        const auto ratio = static_cast<float>(m.ratio);
        if (m.prominence >= min_prominence &&
            std::find(scale.begin(), scale.end(), ratio) == scale.end())
            scale.push_back(ratio);
    }
    if (scale.size() > static_cast<size_t>(kMaxGeneratedRatios)) {
        refuse("The scale table would hold more than " + std::to_string(kMaxGeneratedRatios) +
               " ratios.");
        return false;
    }
    if (scale == tables_.scale_ratios()) return true;  // nothing new: no undo step
    tables_.replace(std::move(scale), tables_.fixed_tones());
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::ScaleRatios);
    resample_and_redraw(false);
    return true;
}

}  // namespace kelvara
