#pragma once

// What the window tests look at after each step: which of the program's windows are on show.

#include "platform/FormRegistry.h"

#include <QApplication>
#include <QStringList>

namespace uitests {

// The windows on show by name, in alphabetical order, then "N loaded" when the loaded windows are not
// exactly those (a window left loaded but hidden, or one on show that is no longer loaded).
inline QStringList windowsOnShow() {
    QStringList names;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<platform::Form*>(window) && window->isVisible())
            names << window->objectName();
    names.sort();
    if (platform::forms().loadedCount() != names.size())
        names << QStringLiteral("%1 loaded").arg(platform::forms().loadedCount());
    return names;
}

} // namespace uitests
