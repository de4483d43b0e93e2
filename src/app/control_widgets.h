#pragma once
// The pieces every control group of a document window is built from: number fields, labels
// with their buddies, segmented buttons and their rows, tables, and a row of widgets.
#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;
class QWidget;

namespace kelvara {

// A right-aligned field of the window's number notation (number_fields.h), named for the
// tests and the tab order.
QLineEdit* number_field(const QString& object_name, const QString& tooltip, bool integer);

QLabel* buddy_label(const QString& text, QWidget* buddy);

// One segment of a segmented control, named `object_name`.
QToolButton* segment(const QString& object_name, const QString& text, const QString& tooltip,
                     bool checkable = false);

// Segments side by side without gaps, flush left.
QWidget* segment_row(std::initializer_list<QToolButton*> segments);

// Every table of a window shows at least this many rows, at its default size as well.
inline constexpr int kMinimumRowsInView = 4;
// Rows as high as the text and a little air, and at least kMinimumRowsInView of them in view.
void show_rows_compactly(QTableView& view);

// A table of whole rows, one selected at a time, at least kMinimumRowsInView rows high.
QTableView* table_view(const QString& object_name, const QString& tooltip);

// A read-only table of whole rows, one selected at a time, showing `sorted` (a proxy that
// sorts by its sort role): a click on a heading sorts, by `column` ascending at first, and
// each column is as wide as its contents.
QTableView* sorted_table_view(const QString& object_name, const QString& tooltip,
                              QSortFilterProxyModel& sorted, int column);

// A row without margins for the caller to fill.
QHBoxLayout* bare_row(QWidget*& row);

}  // namespace kelvara
