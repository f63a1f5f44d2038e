#pragma once

#include "db/DiaryDatabase.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace testsupport {

// A fresh data.mdb in a temporary folder, made the program folder for the duration of a test.
class TempDiary {
public:
    TempDiary();
    ~TempDiary();

    QString folder() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
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

// Switches message boxes and file dialogs to their test mode, fixes "today" (2009-09-08) and the locale, turns
// the backup after sign-in off, and keeps the last window's unload from quitting the test's application.
void enterTestMode();

// Back to a fresh start between tests (in test mode): no window loaded, the program-wide variables empty, no
// box or dialog shown and no answer left queued for one.
void resetProgramState();

// The DAO error number the call raises (its description into *description); 0 when it completes.
int daoErrorOf(const std::function<void()>& call, QString* description = nullptr);

// Writes the file whole (a test failure ends the test program) and returns its path.
QString writeFile(const QString& path, const QByteArray& bytes);
// The file's bytes; empty when it cannot be read.
QByteArray contentsOf(const QString& path);

// Statements run straight through SQLCipher on the file, beside the program's own connections, keyed with
// the given password (nullptr: an unencrypted file); the rows of the results, fields joined by '|', or the
// engine's message when a statement fails.
QStringList rawSql(const QString& path, const QString& statements, const char* password = dao::kDiaryPassword);

// The records of a table in stored order, each as its fields' texts in column order (id first).
QList<QStringList> storedRows(dao::Database& db, const QString& table);
// The ids of the diary's records in stored order.
QList<qint64> storedIds(dao::Database& db);

// A small diary written through one connection: six entries of "zhang" (one with a two-line body, one with
// an empty title and body, one whose fields hold no value at all) and two of "li" and "LI" that would match
// many searches. Returns zhang's ids in the order written: rain, hello, weekend, empty, sunny, nulls.
QList<qint64> addSampleDiary(dao::Database& db);

} // namespace testsupport
