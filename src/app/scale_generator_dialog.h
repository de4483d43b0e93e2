#pragma once
// The preset menu's "Generate Scale…" dialog: a scale from a period and a generator (its
// step pattern and the moment-of-symmetry sizes shown as the fields change, a size picked
// from them with one click), or a segment of the harmonic or subharmonic series. Generate
// puts it into the scale table as importing a scale file does (laid out by its period across
// the x range, replacing the table or, with "Add to the Table" checked, added to it): one
// undo step.
#include <QDialog>

#include "base/error.h"
#include "scales/generated_scale.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;

namespace kelvara {

class Document;

class ScaleGeneratorDialog final : public QDialog {
    Q_OBJECT

public:
    ScaleGeneratorDialog(Document& document, bool add_to_table, QWidget* parent);

    // The scale the fields describe now, or why they describe none.
    Result<GeneratedScale> generated() const;
    // Puts the generated scale into the document; refused as generated() or the document
    // refuses. Closes the dialog when it succeeded.
    Result<void> generate();

    QComboBox& kind_field() { return *kind_; }
    QLineEdit& period_field() { return *period_; }
    QLineEdit& generator_field() { return *generator_; }
    QSpinBox& size_field() { return *size_; }
    QSpinBox& down_field() { return *down_; }
    QSpinBox& lowest_field() { return *lowest_; }
    QSpinBox& highest_field() { return *highest_; }
    QString summary_text() const;

private:
    void update_summary();
    QString description() const;

    Document& document_;
    const bool add_to_table_;
    QComboBox* kind_;
    QLineEdit* period_;
    QLineEdit* generator_;
    QSpinBox* size_;
    QSpinBox* down_;
    QSpinBox* lowest_;
    QSpinBox* highest_;
    QLabel* summary_;
    QLabel* sizes_;
};

// Opens the dialog over `parent`; what it refused is shown in the dialog itself.
void run_scale_generator_dialog(Document& document, bool add_to_table, QWidget* parent);

// The preset menu's scale tools: "Generate Scale…" (adding to the table when `add_to_table`
// is checked) and "Scale Against Just…".
void add_scale_tool_items(QMenu& menu, Document& document, const QAction& add_to_table,
                          QWidget* parent);

}  // namespace kelvara
