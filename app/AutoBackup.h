#pragma once

// The automatic backup: after each successful sign-in, a copy of data.mdb into backup/ beside it when none
// of the last hours is there (db/Backup.h has the rules). It runs on a thread of its own with its own
// connections, so nothing the user does waits for it, and it never shows anything: a backup that fails is
// simply tried again at the next sign-in. The thread belongs to the program's BackgroundWork
// (app/BackgroundWork.h); without one nothing is backed up.

#include "db/Backup.h"

#include <QDateTime>
#include <QString>

namespace app {

// Starts the backup when one is due at now. Returns at once. While one is under way another call does nothing.
void backUpAfterSignIn(const QDateTime& now = QDateTime::currentDateTime());

// Asks the backup under way to stop and waits for it, at most about a second; true when it has ended.
// Runs by itself when the application quits; the thread is joined when its owner ends.
bool stopBackup();

// The lines the start-up failure box adds when data.mdb cannot be used: the newest backup and the command
// that restores it. Empty when there is no backup, or when the error says the file is only in use elsewhere.
QString restoreHint(int errorNumber);

// Tests: backups are off in the test suites' test mode and turned on (with the given options) by the tests
// that are about them; waitForBackupForTests() waits until the one under way has ended and says how.
void setAutoBackupForTests(bool enabled, const dao::backup::Options& options = {});
dao::backup::Outcome waitForBackupForTests();

} // namespace app
