#pragma once

#include "app/BackgroundWork.h"

#include <QApplication>
#include <QFont>

// The application object: the program's name, the owner of the work on other threads (stopped when the
// program quits, joined before anything they use goes away), and a last line of defence so that no failure
// ever escapes into Qt's event loop.
class DiaryApplication : public QApplication {
public:
    DiaryApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    app::BackgroundWork m_background;
};

namespace app {
// The font of every window: a Chinese UI font at 9 points.
QFont uiFont();
} // namespace app

// Prepares the shared look of every window: Chinese standard texts, the CJK font, the program's icon.
// True when nothing failed; a failure is harmless and start-up goes on.
bool InitControlClasses();

// The start-up procedure: prepares the controls and shows the login window. Returns false when the
// program cannot start (the database cannot be opened); the reason has been shown then.
bool Main();
