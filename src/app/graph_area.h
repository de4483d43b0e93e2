#pragma once
// The graph of a document window: the widget placed in the layout, and the interface
// through which the document draws into it (null when the widget draws nothing).
#include <QWidget>

#include "document/curve_view.h"

namespace kelvara {

struct GraphArea {
    QWidget* widget = nullptr;
    CurveView* view = nullptr;
};

GraphArea make_graph_area(QWidget* parent);

}  // namespace kelvara
