#include "app/recording_plot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace kelvara {
namespace {

constexpr double kLeftMargin = 46.0;
constexpr double kRightMargin = 12.0;
constexpr double kTopMargin = 10.0;
constexpr double kBottomMargin = 24.0;
// The level range drawn below the strongest peak, and above it.
constexpr double kRangeBelowDb = 100.0;
constexpr double kHeadroomDb = 6.0;
// A click chooses the peak within this many pixels.
constexpr double kClickReach = 12.0;

const QColor kSpectrumColour(40, 70, 120);
const QColor kPartialColour(200, 80, 20);
const QColor kFundamentalColour(20, 140, 60);
const QColor kGridColour(0, 0, 0, 30);

QString frequency_label(double hz) {
    return hz >= 1000.0 ? QStringLiteral("%1k").arg(hz / 1000.0) : QString::number(hz);
}

}  // namespace

SpectrumPlot::SpectrumPlot(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setCursor(Qt::CrossCursor);
    setToolTip(tr("Click a peak to call it 1"));
}

void SpectrumPlot::show_analysis(const SpectrumAnalysis* analysis) {
    analysis_.reset();
    if (analysis) analysis_ = *analysis;
    low_hz_ = 20.0;
    high_hz_ = 20000.0;
    top_db_ = 0.0;
    if (analysis_ && analysis_->spectrum.sample_rate_hz > 0) {
        const double nyquist = analysis_->spectrum.sample_rate_hz / 2.0;
        double strongest = -kRangeBelowDb;
        double highest_partial = 0.0;
        for (const SpectralPeak& p : analysis_->peaks) strongest = std::max(strongest, p.level_db);
        for (const MeasuredPartial& p : analysis_->picked.partials)
            highest_partial = std::max(highest_partial, p.frequency_hz);
        // An octave above the highest partial, a little below the lowest.
        high_hz_ = std::clamp(2.0 * highest_partial, 200.0, nyquist);
        if (!analysis_->picked.partials.empty())
            low_hz_ = std::clamp(analysis_->picked.partials.front().frequency_hz / 2.0, 10.0,
                                 high_hz_ / 10.0);
        top_db_ = 10.0 * std::ceil((strongest + kHeadroomDb) / 10.0);
    }
    bottom_db_ = top_db_ - kRangeBelowDb;
    update();
}

QRectF SpectrumPlot::plot_area() const {
    return QRectF(kLeftMargin, kTopMargin, std::max(1.0, width() - kLeftMargin - kRightMargin),
                  std::max(1.0, height() - kTopMargin - kBottomMargin));
}

double SpectrumPlot::x_of(double frequency_hz) const {
    const QRectF area = plot_area();
    const double t = std::log(frequency_hz / low_hz_) / std::log(high_hz_ / low_hz_);
    return area.left() + t * area.width();
}

double SpectrumPlot::frequency_at(double x) const {
    const QRectF area = plot_area();
    const double t = (x - area.left()) / area.width();
    return low_hz_ * std::pow(high_hz_ / low_hz_, t);
}

double SpectrumPlot::y_of(double level_db) const {
    const QRectF area = plot_area();
    const double t = (top_db_ - level_db) / (top_db_ - bottom_db_);
    return area.top() + std::clamp(t, 0.0, 1.0) * area.height();
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = plot_area();
    draw_axes(painter, area);
    if (!analysis_) return;
    painter.save();
    painter.setClipRect(area.adjusted(0, -kTopMargin, 0, 0));
    draw_spectrum(painter, area);
    draw_partials(painter, area);
    painter.restore();
}

void SpectrumPlot::draw_axes(QPainter& painter, const QRectF& area) const {
    painter.setPen(kGridColour);
    const QFontMetricsF metrics(font());
    for (double db = top_db_; db >= bottom_db_ - 1e-9; db -= 20.0) {
        const double y = y_of(db);
        painter.setPen(kGridColour);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(palette().color(QPalette::WindowText));
        const QString label = QString::number(db);
        painter.drawText(QPointF(area.left() - 6 - metrics.horizontalAdvance(label),
                                 y + metrics.ascent() / 2 - 1),
                         label);
    }
    // Labels stop short of the unit at the right end.
    const double labels_end = area.right() - metrics.horizontalAdvance(QStringLiteral("Hz")) - 4;
    for (double decade = 1.0; decade <= 100000.0; decade *= 10.0) {
        for (double step : {1.0, 2.0, 5.0}) {
            const double hz = decade * step;
            if (hz < low_hz_ || hz > high_hz_) continue;
            const double x = x_of(hz);
            painter.setPen(kGridColour);
            painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
            const QString label = frequency_label(hz);
            const double half = metrics.horizontalAdvance(label) / 2;
            if (x + half > labels_end) continue;
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QPointF(x - half, area.bottom() + metrics.ascent() + 4), label);
        }
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(area.right() - metrics.horizontalAdvance(QStringLiteral("Hz")),
                             area.bottom() + metrics.ascent() + 4),
                     QStringLiteral("Hz"));
    painter.drawText(QPointF(area.left() + 4, area.top() + metrics.ascent() + 2),
                     QStringLiteral("dB"));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area);
}

void SpectrumPlot::draw_spectrum(QPainter& painter, const QRectF& area) const {
    // The loudest bin of each pixel column, so that no peak falls between columns.
    const AveragedSpectrum& spectrum = analysis_->spectrum;
    const double bin_hz = spectrum.bin_hz();
    if (bin_hz <= 0.0) return;
    const int columns = static_cast<int>(area.width());
    QPainterPath path;
    bool started = false;
    for (int c = 0; c < columns; ++c) {
        const double from_hz = frequency_at(area.left() + c);
        const double to_hz = frequency_at(area.left() + c + 1);
        auto first = static_cast<size_t>(std::max(1.0, std::floor(from_hz / bin_hz)));
        auto last = static_cast<size_t>(std::ceil(to_hz / bin_hz));
        last = std::min(last, spectrum.power.size() - 1);
        if (first > last) continue;
        double power = 0.0;
        for (size_t k = first; k <= last; ++k) power = std::max(power, spectrum.power[k]);
        const double db = power > 0.0 ? 10.0 * std::log10(power) : bottom_db_;
        const QPointF point(area.left() + c + 0.5, y_of(db));
        if (started) {
            path.lineTo(point);
        } else {
            path.moveTo(point);
            started = true;
        }
    }
    painter.setPen(QPen(kSpectrumColour, 1.2));
    painter.drawPath(path);
}

void SpectrumPlot::draw_partials(QPainter& painter, const QRectF& area) const {
    const PickedPartials& picked = analysis_->picked;
    const QFontMetricsF metrics(font());
    // The peak level of each partial in the spectrum: the strongest peak's level plus the
    // partial's level relative to it.
    double strongest = -kRangeBelowDb;
    for (const SpectralPeak& p : analysis_->peaks) strongest = std::max(strongest, p.level_db);
    // A label that would run into the one to its left goes a line higher.
    double left_label_end = -1e9;
    double left_label_y = 0.0;
    for (size_t i = 0; i < picked.partials.size(); ++i) {
        const MeasuredPartial& p = picked.partials[i];
        const bool fundamental = static_cast<int32_t>(i) == picked.fundamental_index;
        const QColor colour = fundamental ? kFundamentalColour : kPartialColour;
        const double x = x_of(p.frequency_hz);
        const double y = y_of(strongest + p.amplitude_db);
        QColor stem = colour;
        stem.setAlpha(70);
        painter.setPen(QPen(stem, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(x, y), QPointF(x, area.bottom()));
        painter.setPen(QPen(colour, 2.0));
        painter.setBrush(fundamental ? QBrush(colour) : QBrush(Qt::white));
        painter.drawEllipse(QPointF(x, y), 4.0, 4.0);
        const QString label = QString::number(p.ratio, 'f', p.ratio < 10.0 ? 3 : 2);
        const double label_width = metrics.horizontalAdvance(label);
        double label_y = y - 7;
        if (x - label_width / 2 < left_label_end + 2 &&
            std::fabs(label_y - left_label_y) < metrics.height())
            label_y = left_label_y - metrics.height();
        painter.setPen(colour);
        painter.drawText(QPointF(x - label_width / 2, std::max(label_y, metrics.ascent())), label);
        left_label_end = x + label_width / 2;
        left_label_y = label_y;
    }
    painter.setBrush(Qt::NoBrush);
}

void SpectrumPlot::mousePressEvent(QMouseEvent* event) {
    if (!analysis_ || event->button() != Qt::LeftButton) return;
    const double x = event->position().x();
    const MeasuredPartial* nearest = nullptr;
    double distance = kClickReach;
    for (const MeasuredPartial& p : analysis_->picked.partials) {
        const double d = std::fabs(x_of(p.frequency_hz) - x);
        if (d < distance) {
            nearest = &p;
            distance = d;
        }
    }
    if (nearest) emit peak_chosen(nearest->frequency_hz);
}

}  // namespace kelvara
