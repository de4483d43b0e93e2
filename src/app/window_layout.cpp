// The layout of a document window (window_layout.h).
#include "app/window_layout.h"

#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

#include "app/curve_controls.h"
#include "app/sound_controls.h"
#include "app/table_controls.h"

namespace kelvara {
namespace {

// The graph with its range and plot rows.
QWidget* curve_tab(QWidget& graph, const CurveControls& curve) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    graph.setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    graph.setMinimumSize(360, 240);
    layout->addWidget(&graph, 1);
    layout->addWidget(curve.range_row());
    layout->addWidget(curve.plot_row());
    return pane;
}

// The timbre row over the curve's and the triad surface's tabs: both show that timbre.
QWidget* curve_pane(QWidget& graph, QWidget& surface, const CurveControls& curve) {
    auto* views = new QTabWidget;
    views->setObjectName(QStringLiteral("view_tabs"));
    views->setDocumentMode(true);
    views->addTab(curve_tab(graph, curve), QObject::tr("C&urve"));
    views->addTab(&surface, QObject::tr("&Triad Surface"));
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(curve.timbre_row());
    layout->addWidget(views, 1);
    return pane;
}

}  // namespace

void lay_out_window(QWidget& central, QWidget& graph, QWidget& surface, const CurveControls& curve,
                    const TableControls& tables, const SoundControls& sound) {
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(curve_pane(graph, surface, curve));
    splitter->addWidget(tables.pane());
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    auto* layout = new QVBoxLayout(&central);
    layout->addWidget(splitter, 1);
    layout->addWidget(sound.strip());

    std::vector<QWidget*> order = curve.tab_chain();
    for (const std::vector<QWidget*>& more : {tables.tab_chain(), sound.tab_chain()})
        order.insert(order.end(), more.begin(), more.end());
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace kelvara
