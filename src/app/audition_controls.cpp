// Sound from the window without a keyboard (audition_controls.h).
#include "app/audition_controls.h"

#include <QStatusBar>
#include <QTimer>

#include "app/table_controls.h"
#include "document/audition.h"
#include "document/document.h"
#include "document/instruments.h"
#include "view/graph_gestures.h"

namespace kelvara {
namespace {

// Time for the audio thread to start what was asked (a few blocks).
constexpr int kVoiceReportDelayMs = 150;
constexpr int kVoiceReportShownMs = 8000;

}  // namespace

AuditionControls::AuditionControls(Document& document, Instruments& instruments,
                                   GraphGestures& gestures, TableControls& tables,
                                   QStatusBar& status, QObject* parent)
    : QObject(parent),
      document_(document),
      instruments_(instruments),
      tables_(tables),
      status_(status),
      audition_(std::make_unique<Audition>(instruments)) {
    connect(&gestures, &GraphGestures::audition_pressed, this, [this](float ratio) {
        audition_->press(document_.curve().base_frequency(), ratio);
        report_lacking_voices_soon();
    });
    connect(&gestures, &GraphGestures::audition_moved, this,
            [this](float ratio) { audition_->move(ratio); });
    connect(&gestures, &GraphGestures::audition_released, this, [this] { audition_->release(); });
    connect(&tables, &TableControls::play_pressed, this, [this](DocumentTable table) {
        play_selected_row(table);
        report_lacking_voices_soon();
    });
    connect(&tables, &TableControls::play_released, this, [this] { audition_->release(); });
}

AuditionControls::~AuditionControls() = default;

void AuditionControls::report_lacking_voices_soon() {
    QTimer::singleShot(kVoiceReportDelayMs, this, [this] {
        const uint64_t lacking = instruments_.partials_without_voice();
        if (lacking <= partials_without_voice_) return;
        const auto newly = static_cast<qulonglong>(lacking - partials_without_voice_);
        partials_without_voice_ = lacking;
        status_.showMessage(tr("The synthesizer ran out of voices: the %1 quietest partials "
                               "of the document's timbre were not played.")
                                .arg(newly),
                            kVoiceReportShownMs);
    });
}

void AuditionControls::play_triad(double r, double s) {
    const double base = document_.curve().base_frequency();
    audition_->play(
        {static_cast<float>(base), static_cast<float>(base * r), static_cast<float>(base * s)});
    report_lacking_voices_soon();
}

void AuditionControls::release() {
    audition_->release();
}

void AuditionControls::play_selected_row(DocumentTable table) {
    const std::optional<int32_t> row = tables_.selected_row(table);
    if (!row) return;
    if (table == DocumentTable::MappedChords) {
        const auto chord = document_.cell_value(table, TableColumn::ChordString, *row);
        if (chord && std::holds_alternative<Chord>(*chord))
            audition_->play(std::get<Chord>(*chord));
        return;
    }
    const auto ratio = document_.cell_value(table, TableColumn::Ratios, *row);
    if (const auto value = ratio ? cell_as_float(*ratio) : std::nullopt)
        audition_->press(document_.curve().base_frequency(), *value);
}

}  // namespace kelvara
