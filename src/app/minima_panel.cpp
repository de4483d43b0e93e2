#include "app/minima_panel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

#include "app/control_widgets.h"
#include "app/minima_table_model.h"
#include "app/number_fields.h"
#include "document/document.h"
#include "engine/prominence_threshold.h"
#include "view/graph_widget.h"

namespace kelvara {

MinimaPanel::MinimaPanel(Document& document, GraphWidget& graph, QWidget* parent)
    : QDockWidget(tr("Minima"), parent), document_(document), graph_(graph) {
    setObjectName(QStringLiteral("minima_panel"));
    // Always there: the window has no menu to bring a closed panel back.
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);

    threshold_field_ = new QLineEdit;
    threshold_field_->setObjectName(QStringLiteral("minima_threshold_field"));
    threshold_field_->setAlignment(Qt::AlignRight);
    threshold_field_->setMaximumWidth(80);
    threshold_field_->setToolTip(
        tr("Smallest prominence listed, marked and taken into the scale: how far the curve "
           "rises on the lower side of a valley before it falls deeper, as a percentage of the "
           "curve's range (5%) or in its own units (0.05)"));
    auto* threshold_label = new QLabel(tr("Prominence &at least:"));
    threshold_label->setBuddy(threshold_field_);
    just_tolerance_field_ = new QLineEdit;
    just_tolerance_field_->setObjectName(QStringLiteral("minima_just_tolerance_field"));
    just_tolerance_field_->setAlignment(Qt::AlignRight);
    just_tolerance_field_->setMaximumWidth(60);
    just_tolerance_field_->setToolTip(
        tr("How far, in cents, a minimum may lie from a fraction with a denominator up to 32 "
           "to be named by it (0 to %1)")
            .arg(kMaxMinimaJustToleranceCents));
    accept_float_characters_only(*just_tolerance_field_);
    auto* just_tolerance_label = new QLabel(tr("&Just within (cents):"));
    just_tolerance_label->setBuddy(just_tolerance_field_);
    odd_limit_field_ = new QLineEdit;
    odd_limit_field_->setObjectName(QStringLiteral("minima_odd_limit_field"));
    odd_limit_field_->setAlignment(Qt::AlignRight);
    odd_limit_field_->setMaximumWidth(50);
    odd_limit_field_->setToolTip(
        tr("Name only by fractions whose odd parts are at most this, the smallest limit first; "
           "0 names by the smallest product of numerator and denominator"));
    auto* odd_limit_label = new QLabel(tr("&Odd limit:"));
    odd_limit_label->setBuddy(odd_limit_field_);
    status_label_ = new QLabel;
    status_label_->setObjectName(QStringLiteral("minima_status"));

    model_ = new MinimaTableModel(this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(MinimaTableModel::kSortRole);
    table_ = sorted_table_view(QStringLiteral("minima_table"),
                               tr("The valleys of the curve, found exactly whatever the step. "
                                  "Click a heading to sort; click a row to move the cursor "
                                  "line there."),
                               *sorted_, MinimaTableModel::Ratio);

    replace_button_ = new QPushButton(tr("&Replace Scale"));
    replace_button_->setObjectName(QStringLiteral("minima_replace_scale"));
    replace_button_->setToolTip(tr("Make the scale the ratios of the minima listed"));
    add_button_ = new QPushButton(tr("Add to Sca&le"));
    add_button_->setObjectName(QStringLiteral("minima_add_to_scale"));
    add_button_->setToolTip(tr("Add the ratios of the minima listed to the scale"));

    // One row of controls over the table, so the table keeps the panel's height.
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* controls = new QHBoxLayout;
    controls->addWidget(threshold_label);
    controls->addWidget(threshold_field_);
    controls->addSpacing(12);
    controls->addWidget(just_tolerance_label);
    controls->addWidget(just_tolerance_field_);
    controls->addWidget(odd_limit_label);
    controls->addWidget(odd_limit_field_);
    controls->addSpacing(12);
    controls->addWidget(status_label_, 1);
    controls->addWidget(replace_button_);
    controls->addWidget(add_button_);
    layout->addLayout(controls);
    layout->addWidget(table_, 1);
    setWidget(content);

    connect(&graph_, &GraphWidget::curve_redrawn, this, &MinimaPanel::curve_redrawn);
    connect(&watcher_, &QFutureWatcher<Answer>::finished, this, &MinimaPanel::search_finished);
    connect(threshold_field_, &QLineEdit::editingFinished, this, &MinimaPanel::threshold_entered);
    connect(just_tolerance_field_, &QLineEdit::editingFinished, this,
            &MinimaPanel::just_tolerance_entered);
    connect(odd_limit_field_, &QLineEdit::editingFinished, this, &MinimaPanel::odd_limit_entered);
    show_choices(document_.graph_choices());
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MinimaPanel::row_selected);
    connect(replace_button_, &QPushButton::clicked, this,
            [this] { to_scale(MinimaToScale::Replace); });
    connect(add_button_, &QPushButton::clicked, this, [this] { to_scale(MinimaToScale::Add); });
}

// A search still running keeps only its own copy of the query; its answer is dropped.
MinimaPanel::~MinimaPanel() = default;

MinimaPanel::Answer MinimaPanel::search(const MinimaQuery& query) {
    Result<std::vector<CurveMinimum>> found = find_minima(query);
    if (!found) return {query, {}, QString::fromStdString(found.error().reason)};
    return {query, std::move(*found), {}};
}

void MinimaPanel::curve_redrawn() {
    MinimaQuery query = minima_query(document_);
    if (latest_query_ == query) return;
    latest_query_ = std::move(query);
    // One search at a time: a running one is followed by the latest query when it answers.
    if (!searching_) start_search(*latest_query_);
}

void MinimaPanel::start_search(const MinimaQuery& query) {
    searching_ = true;
    status_label_->setText(tr("Searching…"));
    watcher_.setFuture(QtConcurrent::run([query] { return search(query); }));
}

void MinimaPanel::search_finished() {
    Answer answer = watcher_.result();
    if (latest_query_ && answer.query != *latest_query_) {
        start_search(*latest_query_);
        return;
    }
    searching_ = false;
    all_minima_ = std::move(answer.minima);
    refusal_ = std::move(answer.refusal);
    // The graph draws every cusp at the depth found, whatever the threshold shows.
    document_.show_exact_minima(std::move(answer.query), all_minima_);
    show_minima();
}

void MinimaPanel::wait_for_search() {
    while (searching_) {
        watcher_.waitForFinished();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Each field sets one of the document's choices; a refused value beeps, says why and shows
// the document's again (show_choices).
void MinimaPanel::threshold_entered() {
    GraphChoices choices = document_.graph_choices();
    const auto threshold = parse_prominence_threshold(threshold_field_->text().toStdString());
    if (!threshold)
        return refuse_entry(
            tr("The prominence must be a number 0 or more, or a percentage from 0% to 100%."));
    choices.prominence = *threshold;
    document_.curve_actions().set_graph_choices(choices);
}

void MinimaPanel::just_tolerance_entered() {
    GraphChoices choices = document_.graph_choices();
    const std::optional<float> value = parse_float_text(just_tolerance_field_->text());
    if (!value || !(*value >= 0.0f) || *value > kMaxMinimaJustToleranceCents)
        return refuse_entry(tr("The just-ratio tolerance must be 0 to %1 cents.")
                                .arg(kMaxMinimaJustToleranceCents));
    choices.just_tolerance_cents = *value;
    document_.curve_actions().set_graph_choices(choices);
}

void MinimaPanel::odd_limit_entered() {
    GraphChoices choices = document_.graph_choices();
    bool ok = false;
    const int limit = odd_limit_field_->text().trimmed().toInt(&ok);
    if (!ok || limit < 0 || limit > kMaxJustOddLimit)
        return refuse_entry(tr("The odd limit must be 0 (none) to %1.").arg(kMaxJustOddLimit));
    choices.just_odd_limit = limit;
    document_.curve_actions().set_graph_choices(choices);
}

void MinimaPanel::refuse_entry(const QString& why) {
    QApplication::beep();
    status_label_->setText(why);
    show_choices(document_.graph_choices());
}

void MinimaPanel::show_choices(const GraphChoices& choices) {
    threshold_field_->setText(
        QString::fromStdString(prominence_threshold_text(choices.prominence)));
    just_tolerance_field_->setText(float_text(static_cast<float>(choices.just_tolerance_cents)));
    odd_limit_field_->setText(QString::number(choices.just_odd_limit));
    // A new naming is a new query; a new threshold only shows the last answer otherwise.
    if (latest_query_ && latest_query_->search.just != choices.just_naming())
        curve_redrawn();
    else if (!searching_)
        show_minima();
}

void MinimaPanel::show_minima() {
    std::vector<CurveMinimum> shown;
    for (const CurveMinimum& m : all_minima_)
        if (document_.graph_choices().prominence.admits(m)) shown.push_back(m);
    std::vector<MinimumMarker> markers;
    for (const CurveMinimum& m : shown)
        markers.push_back({static_cast<float>(m.ratio), static_cast<float>(m.value)});
    const size_t count = shown.size();
    model_->set_minima(std::move(shown));
    graph_.show_minima(std::move(markers));
    status_label_->setText(
        refusal_.isEmpty() ? tr("%1 of %2 minima").arg(count).arg(all_minima_.size()) : refusal_);
    replace_button_->setEnabled(count > 0);
    add_button_->setEnabled(count > 0);
}

void MinimaPanel::row_selected() {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        graph_.show_minima(graph_.layers().minima);
        return;
    }
    const auto row = static_cast<size_t>(sorted_->mapToSource(rows.first()).row());
    graph_.move_cursor_line(static_cast<float>(model_->minima()[row].ratio));
    graph_.show_minima(graph_.layers().minima, row);
}

void MinimaPanel::to_scale(MinimaToScale mode) {
    document_.table_actions().minima_to_scale(mode);
}

}  // namespace kelvara
