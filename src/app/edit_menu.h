#pragma once
// The Edit menu of a document window: Undo and Redo, each named after the step it takes
// ("Undo Step Size") and enabled only when there is one.
#include <QString>

#include "document/actions.h"

namespace kelvara {

class DocumentWindow;

// Adds the menu to the window's menu bar. Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo. In a
// text field that holds typing of its own, the shortcut undoes the typing first, as in any
// text field; a field showing a stored value passes it on to the document.
void install_edit_menu(DocumentWindow& window);

// The name of an undo step as the menu shows it after "Undo " or "Redo ".
QString edit_title(EditName name);

}  // namespace kelvara
