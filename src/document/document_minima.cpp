// The minima of the document's curve: the search a document's values define.
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

MinimaQuery minima_query(const Document& document) {
    return minima_query(document, document.graph_choices().just_naming());
}

Result<std::vector<CurveMinimum>> find_minima(const MinimaQuery& query) {
    return find_curve_minima(query.curve, query.search);
}

}  // namespace kelvara
