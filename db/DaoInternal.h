#pragma once

// What lies behind a dao::Database, for the database layer's own checks (integrity, fault injection) in
// tests and fuzzers. The program itself goes through Dao.h only.

#include "db/Connection.h"
#include "db/Dao.h"

namespace dao {

// The connection behind db (shared with the snapshots it opened).
std::shared_ptr<Connection> connectionOf(const Database& db);

} // namespace dao
