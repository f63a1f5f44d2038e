#pragma once

// Small helpers for building a window's controls in code.

#include <QLabel>
#include <QString>
#include <QWidget>

namespace platform {

// Gives a control its name (the name the program's code uses for it) and returns it.
template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A label that shows its caption as plain text.
inline QLabel* plainLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = named(new QLabel(caption, parent), name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace platform
