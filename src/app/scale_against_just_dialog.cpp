#include "app/scale_against_just_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "engine/just_ratio.h"
#include "scales/decimal_text.h"
#include "scales/ratio_list.h"
#include "scales/scale_pitch.h"

namespace kelvara {

std::vector<StepAgainstJust> steps_against_just(const std::vector<float>& scale_ratios) {
    std::vector<StepAgainstJust> rows;
    for (const float ratio : scale_ratios) {
        StepAgainstJust row;
        const std::optional<ExactRatio> exact = exact_ratio_of_stored(ratio);
        row.ratio = exact ? QStringLiteral("%1/%2").arg(exact->numerator).arg(exact->denominator)
                          : QString::fromStdString(number_text(ratio));
        row.cents = QString::fromStdString(cents_text(cents_of_ratio(ratio)));
        if (const std::optional<JustRatio> just =
                name_just_ratio(ratio, {.max_denominator = kScaleStepMaxJustDenominator})) {
            row.just = QStringLiteral("%1/%2").arg(just->numerator).arg(just->denominator);
            // No sign flips on an error that rounds to 0.
            const double off = std::fabs(just->cents_off) < 0.0005 ? 0.0 : just->cents_off;
            row.error = QString::asprintf("%+.3f", off);
        }
        rows.push_back(row);
    }
    return rows;
}

void show_scale_against_just(const std::vector<float>& scale_ratios, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QDialog::tr("Scale Against Just"));
    const std::vector<StepAgainstJust> rows = steps_against_just(scale_ratios);
    auto* table = new QTableWidget(static_cast<int>(rows.size()), 4);
    table->setObjectName(QStringLiteral("scale_against_just_table"));
    table->setHorizontalHeaderLabels({QDialog::tr("Ratio"), QDialog::tr("Cents"),
                                      QDialog::tr("Just"), QDialog::tr("Error (cents)")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QString cells[] = {rows[r].ratio, rows[r].cents, rows[r].just, rows[r].error};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnsToContents();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.resize(420, 480);
    dialog.exec();
}

}  // namespace kelvara
