// The custom timbre's controls of a document window: the partial table, its segments (add,
// delete, paste a column), the starting points' menu, and the roughness model pop-up. The
// document decides every action; the window passes on the values and which cell is current.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>
#include <QToolButton>

#include "app/document_table_model.h"
#include "app/document_window.h"
#include "engine/curve_definition.h"
#include "engine/timbre_starting_points.h"

namespace kelvara {
namespace {

// The parametric types offered as harmonics to start from, in the timbre pop-up's order.
struct HarmonicStart {
    int32_t type;
    const char* title;
};
constexpr HarmonicStart kHarmonicStarts[] = {
    {FlatHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics, Equal")},
    {OddHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Odd Harmonics")},
    {ShapedHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Shaped Harmonics")},
    {InverseHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics Falling as 1/n")},
    {GeometricHarmonics, QT_TRANSLATE_NOOP("DocumentWindow", "Harmonics Falling Geometrically")},
};

// Modes of the ideal free bar a starting point gives: as many as a bar sounds clearly.
constexpr int32_t kFreeBarModes = 12;

}  // namespace

void DocumentWindow::connect_partial_controls() {
    using Column = DocumentTableModel::Column;
    partial_model_ = new DocumentTableModel(*document_, DocumentTable::Partials,
                                            {Column{TableColumn::PartialRatio, tr("Ratio")},
                                             Column{TableColumn::PartialAmplitude, tr("Amplitude")},
                                             Column{TableColumn::PartialDecibels, tr("dB")}},
                                            this);
    QTableView* table = widgets_.partial_table;
    table->setModel(partial_model_);
    connect(partial_model_, &DocumentTableModel::edit_refused, this,
            [this](const QString& message) {
                beep();
                show_refusal(message);
            });
    table->installEventFilter(this);

    connect(widgets_.partial_buttons[0], &QToolButton::clicked, this,
            [this] { document_->timbre_actions().partial_action(PartialAction::Append); });
    connect(widgets_.partial_buttons[1], &QToolButton::clicked, this,
            [this] { document_->timbre_actions().partial_action(PartialAction::DeleteSelected); });
    connect(widgets_.partial_buttons[2], &QToolButton::clicked, this,
            [this] { paste_partial_column(); });

    // Starting points: each replaces the whole list as one undo step.
    QMenu* menu = widgets_.starting_point_menu;
    const auto start_from = [this](std::vector<Partial> partials) {
        document_->timbre_actions().set_custom_partials(std::move(partials));
    };
    const auto count = [this] { return document_->curve().number_of_overtones(); };
    for (const HarmonicStart& start : kHarmonicStarts)
        menu->addAction(tr(start.title), this, [start_from, count, type = start.type] {
            start_from(harmonic_partials(type, count()));
        });
    menu->addSeparator();
    menu->addAction(tr("Ideal Free Bar"), this,
                    [start_from] { start_from(free_bar_partials(kFreeBarModes)); });
    menu->addAction(tr("Stiff String (B as set)"), this, [this, start_from, count] {
        const auto b = parse_partial_text(widgets_.inharmonicity_field->text());
        const auto partials = b ? stiff_string_partials(count(), *b) : std::nullopt;
        if (!partials) {
            beep();
            show_refusal(
                tr("The inharmonicity B must be a number from 0 to %1.").arg(kMaxInharmonicity));
            return;
        }
        start_from(*partials);
    });
    menu->addSeparator();
    for (const PublishedSpectrum& spectrum : published_spectra()) {
        QAction* item = menu->addAction(
            QString::fromUtf8(spectrum.name.data(), static_cast<int>(spectrum.name.size())), this,
            [start_from, &spectrum] { start_from(spectrum.partials); });
        item->setToolTip(
            QString::fromUtf8(spectrum.source.data(), static_cast<int>(spectrum.source.size())));
    }
    menu->setToolTipsVisible(true);

    connect(widgets_.roughness_model_selector, &QComboBox::activated, this, [this](int index) {
        document_->timbre_actions().set_roughness_model(static_cast<RoughnessModel>(
            widgets_.roughness_model_selector->itemData(index).toInt()));
        show_roughness_model(document_->curve().roughness_model());
    });
}

void DocumentWindow::paste_partial_column() {
    const QStringList words = QApplication::clipboard()->text().split(
        QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
    std::vector<double> values;
    for (const QString& word : words) {
        const auto value = parse_partial_text(word);
        if (!value) {
            beep();
            show_refusal(
                tr("Paste a column of numbers: \u2018%1\u2019 is not a number.").arg(word));
            return;
        }
        values.push_back(*value);
    }
    // The current cell's column, from its row down; the ratio column from the top without one.
    const QModelIndex current = widgets_.partial_table->currentIndex();
    constexpr TableColumn kColumns[] = {TableColumn::PartialRatio, TableColumn::PartialAmplitude,
                                        TableColumn::PartialDecibels};
    const int column = current.isValid() ? current.column() : 0;
    document_->timbre_actions().paste_partial_column(kColumns[std::clamp(column, 0, 2)],
                                                     current.isValid() ? current.row() : 0, values);
}

void DocumentWindow::show_roughness_model(RoughnessModel model) {
    widgets_.roughness_model_selector->setCurrentIndex(
        widgets_.roughness_model_selector->findData(static_cast<int>(model)));
}

}  // namespace kelvara
