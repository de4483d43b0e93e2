#include "app/recording_timbre_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "app/recording_plot.h"
#include "engine/steady_stretch.h"

namespace kelvara {
namespace {

std::filesystem::path file_path(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

QString format_summary(const AudioFileInfo& file) {
    const QString channels = file.channels == 1   ? QObject::tr("mono")
                             : file.channels == 2 ? QObject::tr("stereo")
                                                  : QObject::tr("%1 channels").arg(file.channels);
    return QObject::tr("%1, %2 Hz, %3, %4 s")
        .arg(QString::fromStdString(file.format_name))
        .arg(file.sample_rate_hz)
        .arg(channels)
        .arg(file.duration_seconds(), 0, 'f', 3);
}

// The wait cursor while a stretch is read and measured.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

Result<std::unique_ptr<RecordingTimbreDialog>> RecordingTimbreDialog::open(const QString& path,
                                                                           QWidget* parent) {
    Result<AudioStretch> first_minute = read_audio_stretch(file_path(path), {});
    if (!first_minute) return first_minute.error();
    return std::unique_ptr<RecordingTimbreDialog>(
        new RecordingTimbreDialog(path, std::move(*first_minute), parent));
}

RecordingTimbreDialog::RecordingTimbreDialog(QString path, AudioStretch first_minute,
                                             QWidget* parent)
    : QDialog(parent), path_(std::move(path)), file_(first_minute.file) {
    build();
    const AudioChannels& audio = first_minute.audio;
    const double rate = audio.sample_rate_hz;
    const Result<SteadyStretchProposal> proposal = propose_steady_stretch(audio);
    if (!proposal) {
        // Silent or too short: the fields show the whole first minute, the reason why below.
        length_->setValue(audio.frame_count() / rate);
        show_problem(proposal.error());
        return;
    }
    set_stretch(proposal->stretch.start / rate, proposal->stretch.count / rate);
}

void RecordingTimbreDialog::build() {
    setWindowTitle(tr("Timbre from Recording — %1").arg(QFileInfo(path_).fileName()));
    const double duration = file_.duration_seconds();

    start_ = new QDoubleSpinBox;
    start_->setDecimals(3);
    start_->setSuffix(tr(" s"));
    start_->setRange(0.0, duration);
    start_->setSingleStep(0.1);
    start_->setToolTip(tr("Where the stretch to analyse starts"));
    length_ = new QDoubleSpinBox;
    length_->setDecimals(3);
    length_->setSuffix(tr(" s"));
    length_->setRange(kMinStretchSeconds, std::min(duration, kMaxStretchSeconds));
    length_->setSingleStep(0.1);
    length_->setToolTip(tr("How long the stretch to analyse is (at most 60 s)"));
    max_partials_ = new QSpinBox;
    max_partials_->setRange(1, kMaxCurvePartials);
    max_partials_->setValue(picking_.max_partials);
    max_partials_->setToolTip(tr("At most this many partials, the strongest"));
    threshold_ = new QDoubleSpinBox;
    threshold_->setDecimals(1);
    threshold_->setSuffix(tr(" dB"));
    threshold_->setRange(1.0, kMaxThresholdDb);
    threshold_->setValue(picking_.threshold_db);
    threshold_->setToolTip(tr("Partials further below the strongest are left out"));
    for (QAbstractSpinBox* box :
         {static_cast<QAbstractSpinBox*>(start_), static_cast<QAbstractSpinBox*>(length_),
          static_cast<QAbstractSpinBox*>(max_partials_),
          static_cast<QAbstractSpinBox*>(threshold_)})
        box->setKeyboardTracking(false);
    connect(start_, &QDoubleSpinBox::valueChanged, this, [this] { analyse(); });
    connect(length_, &QDoubleSpinBox::valueChanged, this, [this] { analyse(); });
    connect(max_partials_, &QSpinBox::valueChanged, this, [this] { pick(); });
    connect(threshold_, &QDoubleSpinBox::valueChanged, this, [this] { pick(); });

    plot_ = new SpectrumPlot;
    connect(plot_, &SpectrumPlot::peak_chosen, this, [this](double hz) { call_one(hz); });
    status_ = new QLabel;
    status_->setWordWrap(true);
    status_->setObjectName(QStringLiteral("recording_status"));

    table_ = new QTableWidget(0, 4);
    table_->setHorizontalHeaderLabels({tr("Ratio"), tr("Amplitude"), tr("dB"), tr("Hz")});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setToolTip(tr("Double-click a partial to call it 1"));
    table_->setMinimumWidth(300);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (analysis_ && row >= 0 && row < static_cast<int>(analysis_->picked.partials.size()))
            call_one(analysis_->picked.partials[static_cast<size_t>(row)].frequency_hz);
    });

    auto* fields = new QFormLayout;
    fields->addRow(tr("Recording:"), new QLabel(format_summary(file_)));
    fields->addRow(tr("&Start:"), start_);
    fields->addRow(tr("&Length:"), length_);
    fields->addRow(tr("&Partials at most:"), max_partials_);
    fields->addRow(tr("&Threshold below the strongest:"), threshold_);
    auto* side = new QVBoxLayout;
    side->addLayout(fields);
    side->addWidget(table_, 1);

    auto* main = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(plot_, 1);
    left->addWidget(status_);
    main->addLayout(left, 3);
    main->addLayout(side, 2);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons_->button(QDialogButtonBox::Ok)->setText(tr("Use as Timbre"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(main, 1);
    layout->addWidget(buttons_);
    resize(1080, 520);
}

void RecordingTimbreDialog::set_stretch(double start_seconds, double length_seconds) {
    const QSignalBlocker block_start(start_);
    const QSignalBlocker block_length(length_);
    start_->setValue(start_seconds);
    length_->setValue(length_seconds);
    analyse();
}

void RecordingTimbreDialog::set_picking(int max_partials, double threshold_db) {
    const QSignalBlocker block_count(max_partials_);
    const QSignalBlocker block_threshold(threshold_);
    max_partials_->setValue(max_partials);
    threshold_->setValue(threshold_db);
    pick();
}

void RecordingTimbreDialog::call_one(double frequency_hz) {
    picking_.fundamental_hz = frequency_hz;
    pick();
}

void RecordingTimbreDialog::analyse() {
    const BusyCursor busy;
    // Another stretch: the fundamental is proposed again.
    picking_.fundamental_hz.reset();
    picking_.max_partials = max_partials_->value();
    picking_.threshold_db = threshold_->value();
    analysis_.reset();
    const AudioStretchRequest request{start_->value(), length_->value(), std::nullopt};
    const Result<AudioStretch> read = read_audio_stretch(file_path(path_), request);
    if (!read) return show_problem(read.error());
    AnalysisSettings settings;
    settings.picking = picking_;
    Result<SpectrumAnalysis> analysis =
        analyse_stretch(read->audio, {0, read->audio.frame_count()}, settings);
    if (!analysis) return show_problem(analysis.error());
    analysis_ = std::move(*analysis);
    problem_.reset();
    show_result();
}

void RecordingTimbreDialog::pick() {
    picking_.max_partials = max_partials_->value();
    picking_.threshold_db = threshold_->value();
    if (!analysis_) return;
    Result<PickedPartials> picked = pick_partials(analysis_->peaks, picking_);
    if (!picked) return show_problem(picked.error());
    analysis_->picked = std::move(*picked);
    show_result();
}

void RecordingTimbreDialog::show_result() {
    const PickedPartials& picked = analysis_->picked;
    plot_->show_analysis(&*analysis_);
    table_->setRowCount(static_cast<int>(picked.partials.size()));
    for (size_t i = 0; i < picked.partials.size(); ++i) {
        const MeasuredPartial& p = picked.partials[i];
        const QString texts[] = {
            QString::number(p.ratio, 'f', 4), QString::number(p.amplitude, 'f', 4),
            QString::number(p.amplitude_db, 'f', 1), QString::number(p.frequency_hz, 'f', 2)};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (static_cast<int32_t>(i) == picked.fundamental_index) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            table_->setItem(static_cast<int>(i), column, item);
        }
    }
    const size_t count = picked.partials.size();
    QString text = (count == 1 ? tr("1 partial") : tr("%1 partials").arg(count)) +
                   tr("; 1 is %1 Hz. Click a marked partial to call it 1.")
                       .arg(picked.fundamental_hz(), 0, 'f', 2);
    if (analysis_->spectrum.window_limited_by_stretch)
        text +=
            QLatin1Char(' ') + tr("A longer stretch would separate the closest partials better.");
    status_->setText(text);
    status_->setStyleSheet(QString());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void RecordingTimbreDialog::show_problem(const Error& error) {
    problem_ = error;
    analysis_.reset();
    plot_->show_analysis(nullptr);
    table_->setRowCount(0);
    status_->setText(problem_text());
    status_->setStyleSheet(QStringLiteral("color: #b00020"));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
}

QString RecordingTimbreDialog::problem_text() const {
    if (!problem_) return {};
    const std::string explanation = problem_->explanation();
    return QString::fromStdString(problem_->description +
                                  (explanation.empty() ? "" : " " + explanation));
}

std::vector<Partial> RecordingTimbreDialog::partials() const {
    return analysis_ ? timbre_partials(analysis_->picked) : std::vector<Partial>{};
}

}  // namespace kelvara
