// The custom timbre's partials in a document window (partial_controls.h).
#include "app/partial_controls.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/control_widgets.h"
#include "app/document_table_model.h"
#include "document/document.h"
#include "engine/curve_definition.h"
#include "engine/overtone_type.h"
#include "engine/timbre_starting_points.h"

namespace kelvara {
namespace {

// The parametric types offered as harmonics to start from, in the timbre pop-up's order.
struct HarmonicStart {
    int32_t type;
    const char* title;
};
constexpr HarmonicStart kHarmonicStarts[] = {
    {FlatHarmonics, QT_TRANSLATE_NOOP("PartialControls", "Harmonics, Equal")},
    {OddHarmonics, QT_TRANSLATE_NOOP("PartialControls", "Odd Harmonics")},
    {ShapedHarmonics, QT_TRANSLATE_NOOP("PartialControls", "Shaped Harmonics")},
    {InverseHarmonics, QT_TRANSLATE_NOOP("PartialControls", "Harmonics Falling as 1/n")},
    {GeometricHarmonics, QT_TRANSLATE_NOOP("PartialControls", "Harmonics Falling Geometrically")},
};

// Modes of the ideal free bar a starting point gives: as many as a bar sounds clearly.
constexpr int32_t kFreeBarModes = 12;

}  // namespace

PartialControls::PartialControls(Document& document, DocumentView& view, QObject* parent)
    : QObject(parent), document_(document), view_(view) {
    build();
    using Column = DocumentTableModel::Column;
    model_ = new DocumentTableModel(document_, DocumentTable::Partials,
                                    {Column{TableColumn::PartialRatio, tr("Ratio")},
                                     Column{TableColumn::PartialAmplitude, tr("Amplitude")},
                                     Column{TableColumn::PartialDecibels, tr("dB")}},
                                    this);
    table_->setModel(model_);
    connect(model_, &DocumentTableModel::edit_refused, this,
            [this](const QString& message) { refuse(message); });
    table_->installEventFilter(this);
    connect(add_, &QToolButton::clicked, this,
            [this] { document_.timbre_actions().partial_action(PartialAction::Append); });
    connect(delete_, &QToolButton::clicked, this,
            [this] { document_.timbre_actions().partial_action(PartialAction::DeleteSelected); });
    connect(paste_, &QToolButton::clicked, this, [this] { paste_column(); });
    fill_starting_points();
}

void PartialControls::build() {
    table_ = table_view(QStringLiteral("partial_table"),
                        tr("Your timbre's partials: each a ratio to the fundamental and a linear "
                           "amplitude (its level in decibels beside it). Paste a column of "
                           "numbers with Ctrl+V."));
    add_ =
        segment(QStringLiteral("partial_add"), tr("+"), tr("Add a partial above the highest one"));
    delete_ = segment(QStringLiteral("partial_delete"), tr("−"), tr("Delete the selected partial"));
    paste_ = segment(QStringLiteral("partial_paste"), tr("Paste"),
                     tr("Paste a column of numbers from the clipboard into the selected "
                        "column, from the selected row down"));
    start_from_ =
        segment(QStringLiteral("partial_start_from"), tr("Start From"),
                tr("Replace the partials with a starting point: harmonics of a timbre type, "
                   "an ideal free bar, a stiff string, published spectra"));
    start_from_->setPopupMode(QToolButton::InstantPopup);
    starting_point_menu_ = new QMenu(start_from_);
    starting_point_menu_->setObjectName(QStringLiteral("starting_point_menu"));
    start_from_->setMenu(starting_point_menu_);
    inharmonicity_field_ =
        number_field(QStringLiteral("inharmonicity_field"),
                     tr("Inharmonicity coefficient B of the stiff string (0 to 1; piano strings "
                        "0.00005 to 0.02)"),
                     false);
    inharmonicity_field_->setText(QStringLiteral("0.0004"));
    // The ratio and the amplitude as wide as their longest numbers (table_view), the level in
    // decibels taking the rest; sideways scrolling only when those alone are wider than the tab.
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QWidget* stiffness = nullptr;
    QHBoxLayout* stiffness_layout = bare_row(stiffness);
    stiffness_layout->addWidget(buddy_label(tr("Stiff string &B:"), inharmonicity_field_));
    stiffness_layout->addWidget(inharmonicity_field_);
    stiffness_layout->addStretch(1);

    box_ = new QGroupBox(tr("Partials"));
    box_->setObjectName(QStringLiteral("partial_box"));
    auto* layout = new QVBoxLayout(box_);
    layout->addWidget(table_, 1);
    layout->addWidget(segment_row({add_, delete_, paste_, start_from_}));
    layout->addWidget(stiffness);
}

std::vector<QWidget*> PartialControls::tab_chain() const {
    return {table_, add_, delete_, paste_, start_from_, inharmonicity_field_};
}

// Starting points: each replaces the whole list as one undo step.
void PartialControls::fill_starting_points() {
    QMenu* menu = starting_point_menu_;
    const auto start_from = [this](std::vector<Partial> partials) {
        document_.timbre_actions().set_custom_partials(std::move(partials));
    };
    const auto count = [this] { return document_.curve().number_of_overtones(); };
    for (const HarmonicStart& start : kHarmonicStarts)
        menu->addAction(tr(start.title), this, [start_from, count, type = start.type] {
            start_from(harmonic_partials(type, count()));
        });
    menu->addSeparator();
    menu->addAction(tr("Ideal Free Bar"), this,
                    [start_from] { start_from(free_bar_partials(kFreeBarModes)); });
    menu->addAction(tr("Stiff String (B as set)"), this, [this, start_from, count] {
        const auto b = parse_partial_text(inharmonicity_field_->text());
        const auto partials = b ? stiff_string_partials(count(), *b) : std::nullopt;
        if (!partials) {
            refuse(tr("The inharmonicity B must be a number from 0 to %1.").arg(kMaxInharmonicity));
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
}

void PartialControls::enable_for(int32_t overtone_type) {
    box_->setEnabled(overtone_type == CustomPartials);
}

bool PartialControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (key.matches(QKeySequence::Paste)) {
            paste_->click();
            return true;
        }
        if (key.matches(QKeySequence::Delete)) {
            delete_->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void PartialControls::paste_column() {
    const QStringList words = QApplication::clipboard()->text().split(
        QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
    std::vector<double> values;
    for (const QString& word : words) {
        const auto value = parse_partial_text(word);
        if (!value) {
            refuse(tr("Paste a column of numbers: \u2018%1\u2019 is not a number.").arg(word));
            return;
        }
        values.push_back(*value);
    }
    // The current cell's column, from its row down; the ratio column from the top without one.
    const QModelIndex current = table_->currentIndex();
    constexpr TableColumn kColumns[] = {TableColumn::PartialRatio, TableColumn::PartialAmplitude,
                                        TableColumn::PartialDecibels};
    const int column = current.isValid() ? current.column() : 0;
    document_.timbre_actions().paste_partial_column(kColumns[std::clamp(column, 0, 2)],
                                                    current.isValid() ? current.row() : 0, values);
}

void PartialControls::refuse(const QString& reason) {
    view_.beep();
    view_.show_refusal(reason.toStdString());
}

}  // namespace kelvara
