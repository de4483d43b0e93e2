// The widgets the control groups are built from (control_widgets.h).
#include "app/control_widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "app/number_fields.h"

namespace kelvara {
namespace {
constexpr int kNumberFieldWidth = 80;
}  // namespace

QLineEdit* number_field(const QString& object_name, const QString& tooltip, bool integer) {
    auto* field = new QLineEdit;
    field->setObjectName(object_name);
    field->setToolTip(tooltip);
    field->setAlignment(Qt::AlignRight);
    field->setMaximumWidth(kNumberFieldWidth);
    if (integer)
        accept_int_characters_only(*field);
    else
        accept_float_characters_only(*field);
    return field;
}

QLabel* buddy_label(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QToolButton* segment(const QString& object_name, const QString& text, const QString& tooltip,
                     bool checkable) {
    auto* button = new QToolButton;
    button->setObjectName(object_name);
    button->setText(text);
    button->setToolTip(tooltip);
    button->setCheckable(checkable);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QWidget* segment_row(std::initializer_list<QToolButton*> segments) {
    QWidget* row = nullptr;
    QHBoxLayout* layout = bare_row(row);
    layout->setSpacing(0);
    for (QToolButton* button : segments) layout->addWidget(button);
    layout->addStretch(1);
    return row;
}

void show_rows_compactly(QTableView& view) {
    // The text's height and a little air: more rows in view than the style's roomy default.
    constexpr int kRowPadding = 8;
    view.verticalHeader()->setMinimumSectionSize(0);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + kRowPadding);
    // The heading's own hint is too small before a model gives it sections.
    constexpr int kHeadingPadding = 12;
    const int heading = std::max(view.horizontalHeader()->sizeHint().height(),
                                 view.fontMetrics().height() + kHeadingPadding);
    view.setMinimumHeight(heading +
                          kMinimumRowsInView * view.verticalHeader()->defaultSectionSize() +
                          2 * view.frameWidth());
}

QTableView* table_view(const QString& object_name, const QString& tooltip) {
    auto* view = new QTableView;
    view->setObjectName(object_name);
    view->setToolTip(tooltip);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    // Each column as wide as its longest number, the last taking the rest: a value is never
    // cut to "0.…" (a partial's amplitude can take thirteen digits).
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setVisible(false);
    view->setAlternatingRowColors(true);
    show_rows_compactly(*view);
    return view;
}

QTableView* sorted_table_view(const QString& object_name, const QString& tooltip,
                              QSortFilterProxyModel& sorted, int column) {
    auto* view = new QTableView;
    view->setObjectName(object_name);
    view->setToolTip(tooltip);
    view->setModel(&sorted);
    view->setSortingEnabled(true);
    view->sortByColumn(column, Qt::AscendingOrder);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->setVisible(false);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->setAlternatingRowColors(true);
    show_rows_compactly(*view);
    return view;
}

QHBoxLayout* bare_row(QWidget*& row) {
    row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

}  // namespace kelvara
