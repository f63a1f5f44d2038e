#include "Globals.h"

std::shared_ptr<dao::Database> DiaryDb;
QString CurrentUser;
QString ImportFilePath;
QString EditCondition;

namespace app {
void resetGlobals() {
    DiaryDb.reset();
    CurrentUser.clear();
    ImportFilePath.clear();
    EditCondition.clear();
}
} // namespace app
