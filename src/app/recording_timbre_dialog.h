#pragma once
// File ▸ Timbre from Recording…: the partials of a timbre measured from a recording. The
// dialog proposes the steadiest stretch after the attack within the file's first minute;
// the user may move its start and change its length (only that stretch is read again, at
// most a minute), change how many partials are kept and how far below the strongest they
// may lie, and click a marked partial to call it 1. A stretch that cannot be analysed says
// why under the plot and leaves nothing to accept.
//
// User-interface thread only. Reading and analysing run on it: a minute of audio takes a
// fraction of a second.
#include <QDialog>
#include <QString>
#include <optional>
#include <vector>

#include "base/error.h"
#include "engine/curve_definition.h"
#include "engine/recording_analysis.h"
#include "persistence/audio_file_reader.h"

class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableWidget;
class QDialogButtonBox;

namespace kelvara {

class SpectrumPlot;

class RecordingTimbreDialog final : public QDialog {
    Q_OBJECT

public:
    // Reads the file's first minute and proposes a stretch; the Error when the file is
    // refused (then no dialog is made).
    static Result<std::unique_ptr<RecordingTimbreDialog>> open(const QString& path,
                                                               QWidget* parent = nullptr);

    // The partials as a timbre holds them (ratio to the one called 1, amplitude relative to
    // the strongest); empty while the stretch cannot be analysed.
    std::vector<Partial> partials() const;
    // What is shown: the analysis, or why there is none.
    const std::optional<SpectrumAnalysis>& analysis() const { return analysis_; }
    QString problem_text() const;

    // The fields, as the user sets them (the tests set them the same way).
    void set_stretch(double start_seconds, double length_seconds);
    void set_picking(int max_partials, double threshold_db);
    // Calls the picked partial nearest to this frequency 1.
    void call_one(double frequency_hz);

private:
    RecordingTimbreDialog(QString path, AudioStretch first_minute, QWidget* parent);
    void build();
    // Reads the stretch the fields name and analyses it.
    void analyse();
    // Picks the partials again from the peaks already measured.
    void pick();
    void show_result();
    void show_problem(const Error& error);

    QString path_;
    AudioFileInfo file_;
    PickingSettings picking_;
    std::optional<SpectrumAnalysis> analysis_;
    std::optional<Error> problem_;

    QDoubleSpinBox* start_ = nullptr;
    QDoubleSpinBox* length_ = nullptr;
    QSpinBox* max_partials_ = nullptr;
    QDoubleSpinBox* threshold_ = nullptr;
    SpectrumPlot* plot_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kelvara
