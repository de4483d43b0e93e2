#pragma once
// The About box of the Help menu: the program's name and version, what it does in one line,
// and its licence (GPL-3.0-or-later), which every library it links allows.
#include <QString>

class QWidget;

namespace kelvara {

// The text the box shows (rich text), for tests and for the box itself.
QString about_text();

// Shows the box over `parent`, modal, until the user closes it.
void show_about_dialog(QWidget* parent);

}  // namespace kelvara
