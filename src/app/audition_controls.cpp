// Sound from the window without a keyboard: a press in the graph plays the interval under
// the pointer until it is let go (a drag glides its upper tone), and the play segments (or
// Space) of the scale and chord tables play the selected row while held. Everything plays
// the document's timbre (document/audition.h).
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "app/document_window.h"
#include "document/audition.h"

namespace kelvara {

namespace {

// Time for the audio thread to start what was asked (a few blocks).
constexpr int kVoiceReportDelayMs = 150;
constexpr int kVoiceReportShownMs = 8000;

}  // namespace

void DocumentWindow::report_lacking_voices_soon() {
    QTimer::singleShot(kVoiceReportDelayMs, this, [this] {
        const uint64_t lacking = instruments_->partials_without_voice();
        if (lacking <= partials_without_voice_) return;
        const auto newly = static_cast<qulonglong>(lacking - partials_without_voice_);
        partials_without_voice_ = lacking;
        statusBar()->showMessage(tr("The synthesizer ran out of voices: the %1 quietest "
                                    "partials of the document's timbre were not played.")
                                     .arg(newly),
                                 kVoiceReportShownMs);
    });
}

void DocumentWindow::connect_audition_controls() {
    audition_ = std::make_unique<Audition>(*instruments_);
    connect(graph_, &GraphWidget::audition_pressed, this, [this](float ratio) {
        audition_->press(document_->curve().base_frequency(), ratio);
        report_lacking_voices_soon();
    });
    connect(graph_, &GraphWidget::audition_moved, this,
            [this](float ratio) { audition_->move(ratio); });
    connect(graph_, &GraphWidget::audition_released, this, [this] { audition_->release(); });
    const std::pair<QToolButton*, DocumentTable> plays[] = {
        {widgets_.scale_play_button, DocumentTable::ScaleRatios},
        {widgets_.chord_play_button, DocumentTable::MappedChords}};
    for (const auto& [button, table] : plays) {
        connect(button, &QToolButton::pressed, this, [this, table = table] {
            audition_selected_row(table);
            report_lacking_voices_soon();
        });
        connect(button, &QToolButton::released, this, [this] { audition_->release(); });
    }
}

void DocumentWindow::audition_selected_row(DocumentTable table) {
    const std::optional<int32_t> row = selected_row(table);
    if (!row) return;
    if (table == DocumentTable::MappedChords) {
        const auto chord = document_->cell_value(table, TableColumn::ChordString, *row);
        if (chord && std::holds_alternative<Chord>(*chord))
            audition_->play(std::get<Chord>(*chord));
        return;
    }
    const auto ratio = document_->cell_value(table, TableColumn::Ratios, *row);
    if (const auto value = ratio ? cell_as_float(*ratio) : std::nullopt)
        audition_->press(document_->curve().base_frequency(), *value);
}

}  // namespace kelvara
