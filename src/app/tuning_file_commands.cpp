#include "app/tuning_file_commands.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>

#include "app/document_dialogs.h"
#include "app/document_window.h"
#include "persistence/atomic_file.h"
#include "persistence/keyboard_mapping_file.h"
#include "persistence/scala_scale_file.h"
#include "scales/scale_pitch.h"

namespace kelvara {
namespace {

std::filesystem::path file_path(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

bool has_suffix(const QString& path, const QString& suffix) {
    return QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0;
}

// The period as the dialog shows it: an exact fraction when the float is one, else decimal.
QString period_text(float period) {
    if (const std::optional<ExactRatio> ratio = exact_ratio_of_stored(period))
        return QStringLiteral("%1/%2").arg(ratio->numerator).arg(ratio->denominator);
    return QString::number(static_cast<double>(period), 'g', 9);
}

}  // namespace

std::optional<ScaleImportPaths> QtTuningDialogs::choose_scale_import(QWidget* parent) {
    const QStringList paths = QFileDialog::getOpenFileNames(
        parent, QObject::tr("Import Scale (a .scl, and a .kbm for the base frequency)"), QString(),
        QObject::tr("Scale files (*.scl *.kbm);;All files (*)"));
    ScaleImportPaths chosen;
    for (const QString& path : paths) {
        if (has_suffix(path, QStringLiteral("kbm")))
            chosen.mapping_path = path;
        else if (chosen.scale_path.isEmpty())
            chosen.scale_path = path;
    }
    if (chosen.scale_path.isEmpty()) return std::nullopt;
    return chosen;
}

std::optional<ScaleImportMode> QtTuningDialogs::ask_import_mode(QWidget* parent) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QObject::tr("Import Scale"));
    box.setText(QObject::tr("Replace the scale table with the imported scale?"));
    box.setInformativeText(
        QObject::tr("Add keeps the table and adds the scale's ratios that are not in it."));
    QPushButton* replace = box.addButton(QObject::tr("Replace"), QMessageBox::AcceptRole);
    QPushButton* add = box.addButton(QObject::tr("Add"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(replace);
    box.exec();
    if (box.clickedButton() == replace) return ScaleImportMode::Replace;
    if (box.clickedButton() == add) return ScaleImportMode::Add;
    return std::nullopt;
}

std::optional<TuningFields> QtTuningDialogs::choose_tuning(QWidget* parent, const QString& title,
                                                           const TuningFields& fields) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* period = new QLineEdit(fields.period);
    period->setToolTip(QObject::tr("The ratio the scale repeats by: 2/1 is the octave"));
    auto* key = new QSpinBox;
    key->setRange(kLowestMidiKey, kHighestMidiKey);
    key->setValue(fields.reference_key);
    key->setToolTip(QObject::tr("The MIDI key that sounds the base frequency (60 is middle C)"));
    auto* rows = new QLineEdit(fields.rows);
    rows->setPlaceholderText(QObject::tr("all"));
    rows->setToolTip(
        QObject::tr("The rows of the scale table that form one period, such as 1-13 or "
                    "1,3,5-8; empty takes the whole table"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(QObject::tr("&Period:"), period);
    layout->addRow(QObject::tr("&Reference key:"), key);
    layout->addRow(QObject::tr("R&ows:"), rows);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TuningFields{period->text().trimmed(), key->value(), rows->text().trimmed()};
}

std::optional<QString> QtTuningDialogs::choose_export_path(QWidget* parent, const QString& title,
                                                           const QString& filter,
                                                           const QString& suffix,
                                                           const QString& suggested_path) {
    QFileDialog dialog(parent, title, suggested_path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtTuningDialogs::show_notice(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QObject::tr("Kelvara"), text);
}

TuningFileCommands::TuningFileCommands(DocumentWindow& window, DocumentDialogs& errors)
    : QObject(&window),
      window_(window),
      errors_(errors),
      dialogs_(std::make_unique<QtTuningDialogs>()) {}

void TuningFileCommands::install(QMenu& file_menu) {
    file_menu.addAction(tr("&Import Scale…"), this, [this] { import_scale(); });
    file_menu.addAction(tr("E&xport Scale…"), this, [this] { export_scale(); });
    file_menu.addAction(tr("Export &MIDI Tuning…"), this, [this] { export_midi_tuning(); });
    file_menu.addAction(tr("Export &AnaMark Tuning…"), this, [this] { export_tun_file(); });
    if (QMenu* keys = window_.chord_map_menu())
        keys->addAction(tr("&Map Scale to Keys…"), this, [this] { map_scale_to_keys(); });
}

void TuningFileCommands::import_scale() {
    const std::optional<ScaleImportPaths> paths = dialogs_->choose_scale_import(&window_);
    if (!paths) return;
    const Result<ScalaScale> scale = read_scala_scale_file(file_path(paths->scale_path));
    if (!scale) return show_error(scale.error());
    std::optional<KeyboardMapping> mapping;
    if (!paths->mapping_path.isEmpty()) {
        const Result<KeyboardMapping> read =
            read_keyboard_mapping_file(file_path(paths->mapping_path));
        if (!read) return show_error(read.error());
        mapping = *read;
    }
    Document& document = window_.document();
    std::optional<ScaleImportMode> mode = ScaleImportMode::Replace;
    if (document.row_count(DocumentTable::ScaleRatios) > 0)
        mode = dialogs_->ask_import_mode(&window_);
    if (!mode) return;
    if (const Result<void> imported =
            document.tuning_actions().import_scale(*scale, *mode, mapping);
        !imported)
        show_error(imported.error());
}

void TuningFileCommands::export_scale() {
    const std::optional<TuningChoice> choice = choose_tuning(tr("Export Scale"));
    if (!choice) return;
    const std::optional<ScaleTuning> tuning = export_tuning(*choice);
    if (!tuning) return;
    const std::optional<QString> path = dialogs_->choose_export_path(
        &window_, tr("Export Scale"), tr("Scale files (*.scl);;All files (*)"),
        QStringLiteral("scl"), suggested_path(QStringLiteral(".scl")));
    if (!path) return;
    // The keyboard mapping goes beside the scale, under the same name.
    const QFileInfo scale_file(*path);
    const QString mapping_path =
        scale_file.dir().filePath(scale_file.completeBaseName() + QStringLiteral(".kbm"));
    if (!write_file(*path, scale_file_text(*tuning)) ||
        !write_file(mapping_path, keyboard_mapping_file_text(*tuning)))
        return;
    if (tuning->entries_not_repeating > 0)
        dialogs_->show_notice(
            &window_, tr("%n ratio(s) of the scale table are not steps of the period and were "
                         "left out of the scale file.",
                         nullptr, tuning->entries_not_repeating));
}

void TuningFileCommands::export_keys_file(
    const QString& title, const QString& filter, const QString& suffix,
    const std::function<std::string(const ScaleTuning&)>& text_of) {
    const std::optional<TuningChoice> choice = choose_tuning(title);
    if (!choice) return;
    const std::optional<ScaleTuning> tuning = export_tuning(*choice);
    if (!tuning) return;
    const std::optional<QString> path = dialogs_->choose_export_path(
        &window_, title, filter, suffix, suggested_path(QStringLiteral(".") + suffix));
    if (!path) return;
    write_file(*path, text_of(*tuning));
}

void TuningFileCommands::export_midi_tuning() {
    export_keys_file(tr("Export MIDI Tuning"),
                     tr("MIDI Tuning Standard dumps (*.syx);;All files (*)"), QStringLiteral("syx"),
                     [](const ScaleTuning& tuning) {
                         const auto dump = tuning_dump(tuning);
                         return std::string(dump.begin(), dump.end());
                     });
}

void TuningFileCommands::export_tun_file() {
    export_keys_file(tr("Export AnaMark Tuning"), tr("AnaMark tuning files (*.tun);;All files (*)"),
                     QStringLiteral("tun"),
                     [](const ScaleTuning& tuning) { return tun_file_text(tuning); });
}

void TuningFileCommands::map_scale_to_keys() {
    const std::optional<TuningChoice> choice = choose_tuning(tr("Map Scale to Keys"));
    if (!choice) return;
    if (const Result<int32_t> filled =
            window_.document().tuning_actions().map_scale_to_keys(*choice);
        !filled)
        show_error(filled.error());
}

std::optional<TuningChoice> TuningFileCommands::choose_tuning(const QString& title) {
    const std::vector<float>& table = window_.document().tables().scale_ratios();
    TuningFields fields = last_fields_;
    const std::optional<float> period = default_period(table);
    fields.period = period ? period_text(*period) : QString();
    const std::optional<TuningFields> chosen = dialogs_->choose_tuning(&window_, title, fields);
    if (!chosen) return std::nullopt;
    last_fields_ = *chosen;
    TuningChoice choice;
    choice.reference_key = chosen->reference_key;
    if (!chosen->rows.isEmpty()) {
        const std::optional<std::vector<int32_t>> rows =
            table_rows_from_text(chosen->rows.toStdString());
        if (!rows) {
            Error error;
            error.description = title.toStdString() + ": the rows are not row numbers.";
            error.reason =
                "Type rows from 1 such as 1-13, or 1,3,5-8; leave it empty for the "
                "whole table.";
            show_error(error);
            return std::nullopt;
        }
        choice.rows = *rows;
    }
    if (!chosen->period.isEmpty()) {
        choice.period = ratio_from_text(chosen->period.toStdString());
        if (!choice.period) {
            Error error;
            error.description = title.toStdString() + ": the period is not a ratio.";
            error.reason = "Type a ratio such as 2/1, 3/2 or 1.5.";
            show_error(error);
            return std::nullopt;
        }
    }
    return choice;
}

std::optional<ScaleTuning> TuningFileCommands::export_tuning(const TuningChoice& choice) {
    // The files and the dump carry the document's name without its extension.
    const QString name = QFileInfo(window_.display_name()).completeBaseName();
    Result<ScaleTuning> tuning = window_.document().scale_tuning(choice, name.toStdString());
    if (!tuning) {
        show_error(tuning.error());
        return std::nullopt;
    }
    return std::move(*tuning);
}

QString TuningFileCommands::suggested_path(const QString& suffix) const {
    const QString& document = window_.file_path();
    if (document.isEmpty()) return window_.display_name() + suffix;
    const QFileInfo info(document);
    return info.dir().filePath(info.completeBaseName() + suffix);
}

bool TuningFileCommands::write_file(const QString& path, std::string_view bytes) {
    const Result<void> written = write_file_atomically(file_path(path), bytes);
    if (!written) show_error(written.error());
    return written.ok();
}

void TuningFileCommands::show_error(const Error& error) {
    errors_.show_error(&window_, QString::fromStdString(error.description),
                       QString::fromStdString(error.explanation()));
}

}  // namespace kelvara
