#pragma once

// Prints "shown <n>" the moment the watched top-level window is first painted, n being the number of
// account names its list holds, and ends the process at once: the parent measures the time to that line.

#include <QComboBox>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

class ShownReporter : public QObject {
public:
    explicit ShownReporter(QWidget* window = nullptr) : m_window(window) {}
    void watch(QWidget* window) { m_window = window; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_window && watched == m_window) {
            const auto* names = m_window->findChild<QComboBox*>();
            std::printf("shown %d\n", names ? names->count() : -1);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }

private:
    QWidget* m_window;
};
