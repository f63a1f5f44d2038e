#pragma once

// The diary's own database file: data.mdb in the program's folder, protected by the fixed password.

#include "db/Dao.h"

namespace dao {

inline constexpr const char* kDiaryPassword = "vexol";

// The program folder's path with "/data.mdb" appended.
QString diaryDatabasePath();
// Tests and tools point the program folder elsewhere; an empty folder restores the executable's.
void setProgramFolderForTests(const QString& folder);

// The connect text that opens a diary file: its password.
QString diaryConnect();

// Opens data.mdb shared and writable with the password. Raises the engine's error when it cannot.
std::shared_ptr<Database> OpenDiaryDatabase();
// The same for a diary database file elsewhere (a tool working on a copy).
std::shared_ptr<Database> openDiaryDatabaseAt(const QString& path);

// Creates a new, empty diary database with both tables at path. Refuses (returns false with a message)
// when the file exists already.
bool createDiaryDatabase(const QString& path, QString* errorMessage = nullptr);

} // namespace dao
