#pragma once
// The minima of a document's curve: its timbre against its fixed tones, exactly, over the part
// of its x range the exact curve takes ([kMinCurveX, kMaxCurveX]), independent of the step it
// is drawn with (engine/curve_minima.h). A query is a value: the window keeps the last one it
// answered and searches again only when the curve's inputs change, on any thread.
#include <vector>

#include "base/error.h"
#include "engine/curve_minima.h"

namespace kelvara {

class Document;

struct MinimaQuery {
    CurveDefinition curve;
    MinimaSearch search;
    friend bool operator==(const MinimaQuery&, const MinimaQuery&) = default;
};

// User-interface thread (it reads the document). Named by the document's own choices
// (Document::graph_choices), or by `just`.
MinimaQuery minima_query(const Document& document);
MinimaQuery minima_query(const Document& document, const JustNaming& just);

// Any thread. Refused when the curve cannot be searched: a fixed tone beyond kMaxCurveRatio,
// or an x range with no part inside [kMinCurveX, kMaxCurveX].
Result<std::vector<CurveMinimum>> find_minima(const MinimaQuery& query);

}  // namespace kelvara
