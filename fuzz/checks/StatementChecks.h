#pragma once

// What must hold for any text given to the statement layer; shared by the fuzzer and the tests that replay
// its corpus.
//
// As a statement: the text goes to OpenRecordset and to Execute on a scratch diary database. Each call
// either completes or raises a dao::DaoError with a known number and a description; a snapshot walks
// consistently; a query never changes a record, a failed statement changes nothing, a statement changes
// no table but the one it names, and no two accounts ever share a name (letter case ignored).
//
// As a value: the text is what a user typed into every box, put into each statement the program builds
// (app/SqlText.h). The statement must parse to exactly the intended shape with the text as one literal,
// saving it must succeed, and reading it back must give the text exactly (with ' turned into ’ in the
// entry's free text); an account's list holds its own entries only.
//
// One database and one connection serve every check (opening costs a key derivation); whatever a
// statement changed is put back before the next one.

#include "db/Dao.h"

#include <QString>

#include <memory>

namespace fuzzcheck {

class StatementChecker {
public:
    // Creates the scratch database at path (which must not exist yet) and fills it.
    explicit StatementChecker(const QString& path);
    ~StatementChecker();
    StatementChecker(const StatementChecker&) = delete;
    StatementChecker& operator=(const StatementChecker&) = delete;

    // Empty when everything holds, else what failed.
    QString check(const QString& text);

private:
    std::shared_ptr<dao::Database> m_db;
};

} // namespace fuzzcheck
