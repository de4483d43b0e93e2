#include "app/graph_area.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace kelvara {

GraphArea make_graph_area(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(frame);
    auto* label = new QLabel(QObject::tr("The dissonance curve is not drawn in this build."));
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false);
    layout->addWidget(label);
    return {frame, nullptr};
}

}  // namespace kelvara
