#pragma once

#include "db/DiaryDatabase.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

// A fresh data.mdb in a temporary folder, made the program folder for the duration of a test.
class TempDiary {
public:
    TempDiary();
    ~TempDiary();

    QString folder() const { return m_dir.path(); }
    QString databasePath() const { return dao::diaryDatabasePath(); }
    std::shared_ptr<dao::Database> open() const { return dao::OpenDiaryDatabase(); }

    // Adds an entry directly (values bound, no program rules applied) and returns its id.
    qint64 addEntry(const QString& user, const QString& title, const QString& date, const QString& week = {},
                    const QString& weather = {}, const QString& text = {});
    // Adds an account with a password stored as given.
    void addUser(const QString& name, const QString& storedPassword);

private:
    QTemporaryDir m_dir;
};

// Switches message boxes and file dialogs to their test mode, fixes "today" and the locale, turns the backup
// after sign-in off and keeps the last window's unload from quitting the test's application.
void enterTestMode();

// Back to a fresh start between tests: no window loaded, the program-wide variables empty, no box shown.
void resetProgramState();

} // namespace testsupport
