#include "app/scale_generator_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/scale_against_just_dialog.h"
#include "document/document.h"
#include "persistence/scala_scale_file.h"
#include "scales/ratio_text.h"

namespace kelvara {
namespace {

enum Kind { RankTwo = 0, Harmonics = 1, Subharmonics = 2 };

constexpr int kListedMomentOfSymmetrySizes = 60;

QSpinBox* spin_box(int minimum, int maximum, int value) {
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

Result<ScalePitch> field_pitch(const QLineEdit& field, const char* name) {
    Result<ScalePitch> pitch = parse_pitch_text(field.text().toStdString());
    if (!pitch) return refusal(std::string(name) + ": " + pitch.error().description);
    return pitch;
}

}  // namespace

ScaleGeneratorDialog::ScaleGeneratorDialog(Document& document, bool add_to_table, QWidget* parent)
    : QDialog(parent),
      document_(document),
      add_to_table_(add_to_table),
      kind_(new QComboBox),
      period_(new QLineEdit(QStringLiteral("2/1"))),
      generator_(new QLineEdit(QStringLiteral("3/2"))),
      size_(spin_box(1, kMaxGeneratedScaleSize, 7)),
      down_(spin_box(0, kMaxGeneratedScaleSize - 1, 1)),
      lowest_(spin_box(1, kMaxHarmonic - 1, 8)),
      highest_(spin_box(2, kMaxHarmonic, 16)),
      summary_(new QLabel),
      sizes_(new QLabel) {
    setWindowTitle(tr("Generate Scale"));
    kind_->addItems({tr("Period and generator"), tr("Harmonics"), tr("Subharmonics")});
    kind_->setObjectName(QStringLiteral("generator_kind"));
    generator_->setToolTip(tr("A ratio (3/2, 1.5) or cents (696.578c)"));
    period_->setToolTip(tr("A ratio (2/1) or cents (1200c)"));
    summary_->setObjectName(QStringLiteral("generator_summary"));
    summary_->setWordWrap(true);
    sizes_->setObjectName(QStringLiteral("generator_mos_sizes"));
    sizes_->setWordWrap(true);
    sizes_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    // A listed size is a link: picking it sets the size.
    connect(sizes_, &QLabel::linkActivated, this,
            [this](const QString& size) { size_->setValue(size.toInt()); });

    auto* form = new QFormLayout;
    form->addRow(tr("&Kind:"), kind_);
    form->addRow(tr("&Period:"), period_);
    form->addRow(tr("&Generator:"), generator_);
    form->addRow(tr("&Size:"), size_);
    form->addRow(tr("Generators &down:"), down_);
    form->addRow(tr("&Lowest harmonic:"), lowest_);
    form->addRow(tr("&Highest harmonic:"), highest_);
    form->addRow(tr("MOS sizes:"), sizes_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    QPushButton* generate_button = buttons->addButton(tr("Generate"), QDialogButtonBox::AcceptRole);
    generate_button->setObjectName(QStringLiteral("generate_button"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (const Result<void> done = generate(); !done)
            summary_->setText(QString::fromStdString(done.error().description));
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(summary_);
    layout->addWidget(buttons);

    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { update_summary(); });
    for (QLineEdit* field : {period_, generator_})
        connect(field, &QLineEdit::textChanged, this, [this] { update_summary(); });
    for (QSpinBox* field : {size_, down_, lowest_, highest_})
        connect(field, &QSpinBox::valueChanged, this, [this] { update_summary(); });
    update_summary();
}

Result<GeneratedScale> ScaleGeneratorDialog::generated() const {
    Result<ScalePitch> period = field_pitch(*period_, "Period");
    if (!period) return period.error();
    switch (kind_->currentIndex()) {
        case Harmonics: return harmonic_segment(lowest_->value(), highest_->value(), *period);
        case Subharmonics: return subharmonic_segment(lowest_->value(), highest_->value(), *period);
        default: break;
    }
    Result<ScalePitch> generator = field_pitch(*generator_, "Generator");
    if (!generator) return generator.error();
    return rank_two_scale({*period, *generator, size_->value(), down_->value()});
}

QString ScaleGeneratorDialog::description() const {
    if (kind_->currentIndex() == RankTwo)
        return tr("Period %1, generator %2, %3 notes, %4 down")
            .arg(period_->text(), generator_->text())
            .arg(size_->value())
            .arg(down_->value());
    return tr("%1 %2 to %3")
        .arg(kind_->currentIndex() == Harmonics ? tr("Harmonics") : tr("Subharmonics"))
        .arg(lowest_->value())
        .arg(highest_->value());
}

QString ScaleGeneratorDialog::summary_text() const {
    return summary_->text();
}

void ScaleGeneratorDialog::update_summary() {
    const bool rank_two = kind_->currentIndex() == RankTwo;
    for (QWidget* field : {static_cast<QWidget*>(generator_), static_cast<QWidget*>(size_),
                           static_cast<QWidget*>(down_), static_cast<QWidget*>(sizes_)})
        field->setEnabled(rank_two);
    lowest_->setEnabled(!rank_two);
    highest_->setEnabled(!rank_two);
    const Result<GeneratedScale> scale = generated();
    summary_->setText(scale ? tr("%n note(s) per period, steps %1", nullptr,
                                 static_cast<int>(scale->degrees.size()))
                                  .arg(QString::fromStdString(scale->step_pattern))
                            : QString::fromStdString(scale.error().description));
    QStringList links;
    const Result<ScalePitch> period = field_pitch(*period_, "Period");
    const Result<ScalePitch> generator = field_pitch(*generator_, "Generator");
    if (rank_two && period && generator)
        for (const int32_t n :
             moment_of_symmetry_sizes(*period, *generator, kListedMomentOfSymmetrySizes))
            links << QStringLiteral("<a href=\"%1\">%1</a>").arg(n);
    sizes_->setText(links.join(QStringLiteral(" ")));
}

Result<void> ScaleGeneratorDialog::generate() {
    const Result<GeneratedScale> scale = generated();
    if (!scale) return scale.error();
    const ScalaScale file{description().toStdString(), scale->degrees};
    if (Result<void> imported = document_.tuning_actions().import_scale(
            file, add_to_table_ ? ScaleImportMode::Add : ScaleImportMode::Replace);
        !imported)
        return imported.error();
    accept();
    return {};
}

void run_scale_generator_dialog(Document& document, bool add_to_table, QWidget* parent) {
    ScaleGeneratorDialog dialog(document, add_to_table, parent);
    dialog.exec();
}

void add_scale_tool_items(QMenu& menu, Document& document, const QAction& add_to_table,
                          QWidget* parent) {
    QAction* generate = menu.addAction(
        QObject::tr("Generate Scale\u2026"), parent, [&document, &add_to_table, parent] {
            run_scale_generator_dialog(document, add_to_table.isChecked(), parent);
        });
    generate->setToolTip(
        QObject::tr("A scale from a period and a generator, or a segment of the harmonic "
                    "series"));
    QAction* against_just = menu.addAction(
        QObject::tr("Scale Against Just\u2026"), parent,
        [&document, parent] { show_scale_against_just(document.tables().scale_ratios(), parent); });
    against_just->setToolTip(QObject::tr("Each scale step's just ratio and its error in cents"));
}

}  // namespace kelvara
