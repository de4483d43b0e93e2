#pragma once
// The spectrum of a stretch of a recording as the Timbre from Recording dialog shows it: the
// level of every bin in dB relative to a full-scale sine over a logarithmic frequency axis,
// the picked partials marked with their ratios (the one called 1 in its own colour), and a
// click near a marked partial to call it 1.
//
// User-interface thread only.
#include <QWidget>
#include <optional>
#include <vector>

#include "engine/recording_analysis.h"

namespace kelvara {

class SpectrumPlot final : public QWidget {
    Q_OBJECT

public:
    explicit SpectrumPlot(QWidget* parent = nullptr);

    // What to draw; nothing (an empty plot with its axes) when there is no analysis.
    void show_analysis(const SpectrumAnalysis* analysis);

    // The frequency at a point of the widget, and the point's x at a frequency.
    double frequency_at(double x) const;
    double x_of(double frequency_hz) const;

    QSize sizeHint() const override { return {720, 300}; }
    QSize minimumSizeHint() const override { return {360, 180}; }

signals:
    // The user clicked near the marked partial at this frequency.
    void peak_chosen(double frequency_hz);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRectF plot_area() const;
    double y_of(double level_db) const;
    void draw_axes(QPainter& painter, const QRectF& area) const;
    void draw_spectrum(QPainter& painter, const QRectF& area) const;
    void draw_partials(QPainter& painter, const QRectF& area) const;

    // A copy of what is drawn: the dialog may analyse again while a paint is pending.
    std::optional<SpectrumAnalysis> analysis_;
    double low_hz_ = 20.0;
    double high_hz_ = 20000.0;
    double top_db_ = 0.0;
    double bottom_db_ = -100.0;
};

}  // namespace kelvara
