#include "app/adaptive_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/control_widgets.h"
#include "document/adaptive_setup.h"
#include "document/document.h"
#include "document/instruments.h"
#include "engine/equal_temperament.h"

namespace kelvara {
namespace {

// Often enough to follow a glide by eye, rarely enough to cost nothing.
constexpr auto kRefreshInterval = std::chrono::milliseconds(50);
constexpr int kMaxGlideMs = 2000;

enum Column { kNominalHz, kAdaptedHz, kNominalCents, kAdaptedCents, kMovedCents, kColumns };

bool same_tuning(const AdaptiveTuningSetup& a, const AdaptiveTuningSetup& b) {
    return a.partials == b.partials && a.model == b.model && a.glide == b.glide &&
           a.settings.anchor == b.settings.anchor;
}

QString hz_text(double hz) {
    return QString::number(hz, 'f', 3);
}
QString cents_text(double cents, bool sign = false) {
    const QString text = QString::number(cents, 'f', 2);
    return sign && cents >= 0.0 ? QStringLiteral("+") + text : text;
}

}  // namespace

AdaptivePanel::AdaptivePanel(const Document& document, Instruments& instruments, QWidget* parent)
    : QDockWidget(tr("Adaptive Tuning"), parent), document_(document), instruments_(instruments) {
    setObjectName(QStringLiteral("adaptive_panel"));
    toggle_ = new QCheckBox(tr("A&daptive"));
    toggle_->setObjectName(QStringLiteral("adaptive_box"));
    toggle_->setToolTip(
        tr("While checked, every chord the keys play (MIDI or the computer keyboard) glides to "
           "the nearest minimum of its total dissonance with the document's timbre whenever a "
           "key goes down or up, to a fraction of a cent; the Adaptive Tuning panel shows the "
           "pitches"));
    toggle_->setEnabled(instruments_.has_synthesizer());

    anchor_list_ = new QComboBox;
    anchor_list_->setObjectName(QStringLiteral("adaptive_anchor"));
    anchor_list_->addItems(
        {tr("Lowest note stays"), tr("Mean pitch stays"), tr("Spring to the keys")});
    anchor_list_->setToolTip(
        tr("What keeps the chord from wandering from one chord to the next: its lowest note "
           "keeps its pitch, the mean of its pitches stays, or every note is pulled towards "
           "its key's pitch"));
    glide_box_ = new QSpinBox;
    glide_box_->setObjectName(QStringLiteral("adaptive_glide"));
    glide_box_->setRange(0, kMaxGlideMs);
    glide_box_->setValue(int(AdaptiveTuningSetup{}.glide.count()));
    glide_box_->setSuffix(tr(" ms"));
    glide_box_->setToolTip(tr("How long the sounding notes take to glide to a new tuning"));
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("adaptive_status"));
    status_->setWordWrap(true);

    table_ = new QTableWidget(0, kColumns);
    table_->setObjectName(QStringLiteral("adaptive_table"));
    table_->setHorizontalHeaderLabels(
        {tr("Key Hz"), tr("Tuned Hz"), tr("Key ¢"), tr("Tuned ¢"), tr("Moved ¢")});
    table_->horizontalHeaderItem(kNominalCents)
        ->setToolTip(tr("The key's pitch in cents above the lowest sounding key's"));
    table_->horizontalHeaderItem(kAdaptedCents)
        ->setToolTip(tr("The tuned pitch in cents above the lowest sounding key's"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    show_rows_compactly(*table_);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* controls = new QHBoxLayout;
    controls->addWidget(buddy_label(tr("A&nchor:"), anchor_list_));
    controls->addWidget(anchor_list_);
    controls->addWidget(buddy_label(tr("&Glide:"), glide_box_));
    controls->addWidget(glide_box_);
    controls->addSpacing(12);
    controls->addWidget(status_, 1);
    layout->addLayout(controls);
    layout->addWidget(table_, 1);
    setWidget(content);

    refresh_timer_ = new QTimer(this);
    refresh_timer_->setInterval(kRefreshInterval);
    connect(refresh_timer_, &QTimer::timeout, this, &AdaptivePanel::refresh);
    connect(toggle_, &QCheckBox::toggled, this, &AdaptivePanel::switched);
    connect(anchor_list_, &QComboBox::activated, this, &AdaptivePanel::send_tuning);
    connect(glide_box_, &QSpinBox::valueChanged, this, &AdaptivePanel::send_tuning);
    show_sounding({});
}

void AdaptivePanel::stop() {
    refresh_timer_->stop();
    if (sent_) instruments_.set_adaptive_tuning(std::nullopt);
    sent_.reset();
}

void AdaptivePanel::switched(bool on) {
    if (!on) {
        stop();
        show_sounding({});
        return;
    }
    send_tuning();
    refresh_timer_->start();
    show();
    raise();
    refresh();
}

void AdaptivePanel::send_tuning() {
    if (!toggle_->isChecked()) return;
    AdaptationSettings settings;
    settings.anchor = static_cast<TuningAnchor>(anchor_list_->currentIndex());
    AdaptiveTuningSetup setup =
        adaptive_tuning_setup(document_, settings, std::chrono::milliseconds(glide_box_->value()));
    if (sent_ && same_tuning(*sent_, setup)) return;
    sent_ = setup;
    instruments_.set_adaptive_tuning(std::move(setup));
}

void AdaptivePanel::refresh() {
    send_tuning();  // the document's timbre or model may have changed
    show_sounding(instruments_.adaptive_sounding());
}

void AdaptivePanel::show_sounding(const AdaptiveSounding& sounding) {
    const auto rows = static_cast<int>(sounding.tones.size());
    table_->setRowCount(rows);
    double lowest_hz = INFINITY;
    for (const AdaptiveSounding::Tone& tone : sounding.tones)
        lowest_hz = std::min(lowest_hz, tone.nominal_hz);
    for (int row = 0; row < rows; ++row) {
        const AdaptiveSounding::Tone& tone = sounding.tones[size_t(row)];
        const QString cells[kColumns] = {hz_text(tone.nominal_hz), hz_text(tone.adapted_hz),
                                         cents_text(cents_between(lowest_hz, tone.nominal_hz)),
                                         cents_text(cents_between(lowest_hz, tone.adapted_hz)),
                                         cents_text(tone.cents(), true)};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
    }
    QString text;
    if (!toggle_->isChecked())
        text = tr("Check Adaptive to tune the chords the keys play");
    else if (rows == 0)
        text = tr("Hold keys to tune them");
    else
        text = tr("Dissonance %1 → %2")
                   .arg(sounding.dissonance_before, 0, 'g', 6)
                   .arg(sounding.dissonance_after, 0, 'g', 6);
    status_->setText(text);
}

}  // namespace kelvara
