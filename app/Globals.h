#pragma once

// The program-wide state through which the windows hand the signed-in account and pending work to one
// another. Everything runs on the one user-interface thread, so nothing guards these.

#include "db/Dao.h"

#include <QString>

#include <memory>

// The open connection to the diary database: opened by the login window, renewed by every tree rebuild.
extern std::shared_ptr<dao::Database> DiaryDb;
// The signed-in account's name as stored in users.
extern QString CurrentUser;
// The text file the editor is to import, set by the main window's import command.
extern QString ImportFilePath;
// The entry key ("id = N") of the entry the editor is to change.
extern QString EditCondition;

namespace app {
// The open diary database; fails as an object that is not set (3420) while there is none.
dao::Database& diaryDb();
// Back to the state of a fresh start (tests).
void resetGlobals();
} // namespace app
