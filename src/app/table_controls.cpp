// The scale, fixed-tone and chord tables of a document window and their segmented controls.
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

#include "app/document_window.h"

namespace kelvara {

void DocumentWindow::connect_table_controls() {
    // This build keeps no ratio lists or chord map: the tables stay empty and disabled.
    const QString unavailable = tr("Not available in this build");
    for (QWidget* table :
         {static_cast<QWidget*>(_widgets.scale_ratios_tv),
          static_cast<QWidget*>(_widgets.dissonance_ratios_tv),
          static_cast<QWidget*>(_widgets.mapped_chords_tv),
          static_cast<QWidget*>(_widgets.scale_tet), static_cast<QWidget*>(_widgets.scale_base)}) {
        table->setEnabled(false);
        table->setToolTip(unavailable);
    }
    for (QToolButton* b : _widgets.add_delete_scale_ratio) b->setEnabled(false);
    for (QToolButton* b : _widgets.add_delete_dissonance_ratio) b->setEnabled(false);
    for (QToolButton* b : _widgets.add_delete_copy_chord) b->setEnabled(false);
}

}  // namespace kelvara
