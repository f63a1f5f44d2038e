#pragma once

// migrate --from-access: every account and entry of an old Access data.mdb brought into the diary in one
// transaction, after a backup. A new account keeps its old password (stored as a hash); an existing one is
// taken only when its old password signs in to it. An entry already there (same date, title and body) is not
// added again.

#include "tools/data/Commands.h"

namespace datatool {

struct MigrateOptions {
    QString oldFile;
    QString database;
    bool quiet = false;
};

int runMigrate(const MigrateOptions& options, Io& io);

} // namespace datatool
