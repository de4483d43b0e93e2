#pragma once
// GraphControls: the graph of a document window and the document kept in step. Its zoom,
// pan and fit gestures become the document's range actions (a whole gesture one undo step);
// Fit and a double click go back to the ratio range from before the first zoom or pan and
// fit the dissonance to the curve there; the cents axis and the scale steps are the graph's
// own; and the scale table's selected row stays the graph's cursor line whatever changes
// the scale.
#include <QObject>
#include <optional>
#include <utility>
#include <vector>

namespace kelvara {

class CurveControls;
class Document;
class GraphWidget;
class TableControls;

class GraphControls final : public QObject {
    Q_OBJECT

public:
    GraphControls(Document& document, GraphWidget& graph, CurveControls& curve,
                  TableControls& tables);

private:
    void connect_gestures();
    void connect_scale_selection();
    void fit();
    void keep_scale_selection();

    Document& document_;
    GraphWidget& graph_;
    TableControls& tables_;
    // The ratio range from before the first zoom or pan since the last fit: where Fit and a
    // double click go back to.
    std::optional<std::pair<float, float>> home_x_range_;
    // The scale as the table last showed it and its selected row (scale_selection.h).
    std::vector<float> shown_scale_ratios_;
    std::optional<size_t> shown_scale_row_;
    bool keeping_scale_selection_ = false;
};

}  // namespace kelvara
