#include "Globals.h"

std::shared_ptr<dao::Database> DiaryDb;
QString CurrentUser;
QString ImportFilePath;
QString EditCondition;

namespace app {
dao::Database& diaryDb() {
    if (!DiaryDb)
        throw dao::DaoError(dao::errObjectClosed, QStringLiteral("对象无效或不再设置。"));
    return *DiaryDb;
}

void resetGlobals() {
    DiaryDb.reset();
    CurrentUser.clear();
    ImportFilePath.clear();
    EditCondition.clear();
}
} // namespace app
