#include "app/about_dialog.h"

#include <QMessageBox>
#include <QString>

#include "base/version.h"

namespace kelvara {

QString about_text() {
    return QMessageBox::tr(
               "<h3>Kelvara %1</h3>"
               "<p>Dissonance curves of timbres, their scales and chord maps, played at exact "
               "pitches.</p>"
               "<p>Licence: GNU General Public License, version 3 or any later version "
               "(GPL-3.0-or-later). Kelvara is free software: you may share and change it "
               "under that licence; it comes with no warranty. It links libgig "
               "(GPL-2.0-or-later), Qt 6 (LGPL-3.0) and FluidSynth (LGPL-2.1-or-later).</p>")
        .arg(QString::fromLatin1(kVersion));
}

void show_about_dialog(QWidget* parent) {
    QMessageBox::about(parent, QMessageBox::tr("About Kelvara"), about_text());
}

}  // namespace kelvara
