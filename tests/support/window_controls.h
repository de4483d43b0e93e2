#pragma once
// A document window's controls found as a user finds them: by the names the window gives
// them, in its widget tree. A name the window does not have stops the test at once.
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace kelvara::testing {

template <typename T>
T* control(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no control named %s", name);
    return found;
}

}  // namespace kelvara::testing
