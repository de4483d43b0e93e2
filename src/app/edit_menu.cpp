#include "app/edit_menu.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include "app/document_window.h"

namespace kelvara {
namespace {

const QKeySequence kRedoKeys[] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                  QKeySequence(Qt::CTRL | Qt::Key_Y)};

bool is_redo_key(const QKeyEvent& key) {
    const QKeySequence pressed(key.keyCombination());
    return key.matches(QKeySequence::Redo) || pressed == kRedoKeys[0] || pressed == kRedoKeys[1];
}

// A text field claims Undo and Redo for its own typing even when it has none; then the
// document's step is meant, so the field lets the menu's shortcut have the key.
class FieldUndoPassThrough final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        const auto* field = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (field == nullptr) return false;
        const bool undo_passes = key->matches(QKeySequence::Undo) && !field->isUndoAvailable();
        const bool redo_passes = is_redo_key(*key) && !field->isRedoAvailable();
        if (!undo_passes && !redo_passes) return false;
        event->ignore();
        return true;
    }
};

}  // namespace

QString edit_title(EditName name) {
    switch (name) {
        case EditName::Unnamed: return QObject::tr("Change");
        case EditName::StepSize: return QObject::tr("Step Size");
        case EditName::NumberOfOvertones: return QObject::tr("Overtones");
        case EditName::Timbre: return QObject::tr("Timbre");
        case EditName::BaseFrequency: return QObject::tr("Base Frequency");
        case EditName::RatioRange: return QObject::tr("Ratio Range");
        case EditName::DissonanceRange: return QObject::tr("Dissonance Range");
        case EditName::GraphRanges: return QObject::tr("Zoom");
        case EditName::PlotToggles: return QObject::tr("Show Options");
        case EditName::AddScaleRatio: return QObject::tr("Add Ratio");
        case EditName::DeleteScaleRatio: return QObject::tr("Delete Ratio");
        case EditName::ClearScale: return QObject::tr("Clear Scale");
        case EditName::ScalePreset: return QObject::tr("Preset");
        case EditName::AddFixedTone: return QObject::tr("Add Fixed Tone");
        case EditName::CopyToFixedTones: return QObject::tr("Fixed Tone from Scale");
        case EditName::DeleteFixedTone: return QObject::tr("Delete Fixed Tone");
        case EditName::SetFixedTones: return QObject::tr("Fixed Tones");
        case EditName::AddChord: return QObject::tr("Add Chord");
        case EditName::CopyFixedTonesToChord: return QObject::tr("Chord from Fixed Tones");
        case EditName::DeleteChord: return QObject::tr("Delete Chord");
        case EditName::EditScaleRatio: return QObject::tr("Scale Ratio");
        case EditName::EditFixedTone: return QObject::tr("Fixed Tone");
        case EditName::EditChord: return QObject::tr("Chord");
        case EditName::Volume: return QObject::tr("Volume");
        case EditName::GraphChoices: return QObject::tr("Graph Choice");
        case EditName::PitchTrue: return QObject::tr("Bank's Own Tuning");
        case EditName::ImportScale: return QObject::tr("Import Scale");
        case EditName::MapScaleToKeys: return QObject::tr("Map Scale to Keys");
        case EditName::MinimaToScale: return QObject::tr("Minima to Scale");
        case EditName::CustomPartials: return QObject::tr("Partials");
        case EditName::AddPartial: return QObject::tr("Add Partial");
        case EditName::DeletePartial: return QObject::tr("Delete Partial");
        case EditName::EditPartial: return QObject::tr("Partial");
        case EditName::PastePartials: return QObject::tr("Paste Partials");
        case EditName::RoughnessModel: return QObject::tr("Roughness Model");
        case EditName::TriadToFixedTones: return QObject::tr("Triad to Fixed Tones");
        case EditName::TriadToChordMap: return QObject::tr("Triad to Chord Map");
    }
    return QObject::tr("Change");
}

void install_edit_menu(DocumentWindow& window) {
    QMenu* edit = window.menuBar()->addMenu(QObject::tr("&Edit"));
    DocumentWindow* w = &window;
    QAction* undo =
        edit->addAction(QObject::tr("&Undo"), w, [w] { w->document().history().undo(); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo =
        edit->addAction(QObject::tr("&Redo"), w, [w] { w->document().history().redo(); });
    redo->setShortcuts({kRedoKeys[0], kRedoKeys[1]});
    undo->setObjectName(QStringLiteral("undo_action"));
    redo->setObjectName(QStringLiteral("redo_action"));

    const auto show_steps = [w, undo, redo] {
        const EditHistory history = w->document().history();
        const auto undo_name = history.undo_name();
        const auto redo_name = history.redo_name();
        undo->setEnabled(undo_name.has_value());
        redo->setEnabled(redo_name.has_value());
        undo->setText(undo_name ? QObject::tr("&Undo %1").arg(edit_title(*undo_name))
                                : QObject::tr("&Undo"));
        redo->setText(redo_name ? QObject::tr("&Redo %1").arg(edit_title(*redo_name))
                                : QObject::tr("&Redo"));
    };
    QObject::connect(w, &DocumentWindow::undo_steps_changed, edit, show_steps);
    show_steps();

    auto* pass_through = new FieldUndoPassThrough(edit);
    for (QLineEdit* field : w->findChildren<QLineEdit*>()) field->installEventFilter(pass_through);
}

}  // namespace kelvara
