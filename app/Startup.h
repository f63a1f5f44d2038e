#pragma once

#include <QApplication>

// The application object: the product name, and a last line of defence so that no failure ever
// escapes into Qt's event loop.
class DiaryApplication : public QApplication {
public:
    DiaryApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Prepares the shared look of every window (Chinese standard texts, the CJK font). True when nothing
// failed; a failure is harmless and start-up goes on.
bool InitControlClasses();

// The start-up procedure: prepares the controls and shows the login window. Returns false when the
// program cannot start (the database cannot be opened); the reason has been shown then.
bool Main();
