#pragma once
// The tuning items of a document window: File ▸ Import Scale…, Export Scale… and Export MIDI
// Tuning…, and Map Scale to Keys… in the chord map's menu. Each asks through TuningDialogs,
// then runs the document's action or writes the files; a refusal is shown through the
// controller's DocumentDialogs. Behind an interface, so tests answer in code.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "base/error.h"
#include "document/actions.h"
#include "document/scale_tuning.h"

class QMenu;
class QWidget;

namespace kelvara {

class DocumentDialogs;
class DocumentWindow;

struct ScaleImportPaths {
    QString scale_path;    // a .scl
    QString mapping_path;  // a .kbm for the base frequency; empty: none
};

// What the user typed for a tuning: the period as text ("2/1", "1.5") and the reference key.
struct TuningFields {
    QString period;
    int reference_key = 60;
    // The table rows that form one period, as typed ("1-13"); empty: the whole table.
    QString rows;
};

class TuningDialogs {
public:
    virtual ~TuningDialogs() = default;
    // A scale file and optionally a keyboard mapping to import; nothing when cancelled.
    virtual std::optional<ScaleImportPaths> choose_scale_import(QWidget* parent) = 0;
    // Replace the scale table or add to it; nothing when cancelled.
    virtual std::optional<ScaleImportMode> ask_import_mode(QWidget* parent) = 0;
    // The period and reference key of an export or of the keyboard map, starting from
    // `fields`; nothing when cancelled.
    virtual std::optional<TuningFields> choose_tuning(QWidget* parent, const QString& title,
                                                      const TuningFields& fields) = 0;
    // Where to write a file of the kind `filter` names ("Scale files (*.scl)"), with `suffix`
    // added when the name has none; nothing when cancelled.
    virtual std::optional<QString> choose_export_path(QWidget* parent, const QString& title,
                                                      const QString& filter, const QString& suffix,
                                                      const QString& suggested_path) = 0;
    // Something the user should know after a command that succeeded.
    virtual void show_notice(QWidget* parent, const QString& text) = 0;
};

class QtTuningDialogs final : public TuningDialogs {
public:
    std::optional<ScaleImportPaths> choose_scale_import(QWidget* parent) override;
    std::optional<ScaleImportMode> ask_import_mode(QWidget* parent) override;
    std::optional<TuningFields> choose_tuning(QWidget* parent, const QString& title,
                                              const TuningFields& fields) override;
    std::optional<QString> choose_export_path(QWidget* parent, const QString& title,
                                              const QString& filter, const QString& suffix,
                                              const QString& suggested_path) override;
    void show_notice(QWidget* parent, const QString& text) override;
};

// The commands of one window; a child of the window.
class TuningFileCommands final : public QObject {
    Q_OBJECT

public:
    TuningFileCommands(DocumentWindow& window, DocumentDialogs& errors);

    // Adds the three File items to `file_menu` and Map Scale to Keys… to the chord map's menu.
    void install(QMenu& file_menu);
    // Tests answer the questions in code.
    void set_dialogs(std::unique_ptr<TuningDialogs> dialogs) { dialogs_ = std::move(dialogs); }

    void import_scale();
    void export_scale();
    void export_midi_tuning();
    void export_tun_file();
    // Asks for the tuning and a path, then writes what `text_of` makes of the tuning.
    void export_keys_file(const QString& title, const QString& filter, const QString& suffix,
                          const std::function<std::string(const ScaleTuning&)>& text_of);
    void map_scale_to_keys();

private:
    // The period and reference key the user chooses; nothing when cancelled or refused
    // (after showing why).
    std::optional<TuningChoice> choose_tuning(const QString& title);
    // The tuning of the document for an export; nothing when refused (after showing why).
    std::optional<ScaleTuning> export_tuning(const TuningChoice& choice);
    // The suggested path of an export: the document's folder and name, with `suffix`.
    QString suggested_path(const QString& suffix) const;
    bool write_file(const QString& path, std::string_view bytes);
    void show_error(const Error& error);

    DocumentWindow& window_;
    DocumentDialogs& errors_;
    std::unique_ptr<TuningDialogs> dialogs_;
    TuningFields last_fields_;
};

}  // namespace kelvara
