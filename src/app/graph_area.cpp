#include "app/graph_area.h"

#include "view/pv_kelvara_view.h"

namespace kelvara {

GraphArea make_graph_area(QWidget* parent) {
    auto* view = new PVKelvaraView(parent);
    view->setObjectName(QStringLiteral("scale_view"));
    view->setToolTip(
        QObject::tr("The dissonance curve: low is smooth, high is rough. Click "
                    "to read the ratio and the dissonance at a point."));
    return {view, view};
}

}  // namespace kelvara
