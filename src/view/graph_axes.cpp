// The graph's faces and the sizes of texts in them.
#include "view/graph_axes.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QObject>
#include <memory>

namespace kelvara {
namespace {

constexpr int kLabelPixelSize = 11;
constexpr int kTitlePixelSize = 12;
constexpr int kReadoutPixelSize = 13;

QFont face(int pixel_size) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixel_size);
    return font;
}

}  // namespace

QFont graph_label_font() {
    return face(kLabelPixelSize);
}
QFont graph_title_font() {
    return face(kTitlePixelSize);
}
QFont graph_readout_font() {
    return face(kReadoutPixelSize);
}

GraphTextMetrics graph_text_metrics() {
    auto labels = std::make_shared<const QFontMetricsF>(graph_label_font());
    GraphTextMetrics metrics;
    metrics.label_height = static_cast<float>(labels->height());
    metrics.title_height = static_cast<float>(QFontMetricsF(graph_title_font()).height());
    metrics.readout_height = static_cast<float>(QFontMetricsF(graph_readout_font()).height());
    metrics.label_width = [labels](const std::string& text) {
        return static_cast<float>(labels->horizontalAdvance(QString::fromStdString(text)));
    };
    return metrics;
}

QString x_axis_title(RatioAxis axis) {
    return axis == RatioAxis::Cents ? QObject::tr("Interval (cents)")
                                    : QObject::tr("Interval ratio");
}

QString y_axis_title() {
    return QObject::tr("Sensory dissonance");
}

}  // namespace kelvara
