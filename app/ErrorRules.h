#pragma once

// The failure rules of the event procedures. Database failures arrive as dao::DaoError; each event
// procedure catches them at exactly one place and applies its own rule. Qt's event loop never sees one.

#include "app/Notice.h"

#include <QString>

namespace dao {
class Recordset;
}

namespace app {

// What the user is told of a failure: its number and description.
struct Failure {
    int number = 0;
    QString description;
};

// The failure being handled, called inside a catch block: a database error's own number and description;
// any other exception as an engine error (3000) with its message.
Failure currentFailure() noexcept;

inline void reportUnhandledError(const Failure& failure) {
    reportUnhandledError(failure.number, failure.description);
}

// An event procedure without handling of its own: a failure shows its number and description, and only
// the action that failed is abandoned.
template <class F> void runHandled(F&& procedure) {
    try {
        procedure();
    } catch (...) {
        reportUnhandledError(currentFailure());
    }
}

// One step under a skip-on-error rule: a step that fails, whatever the failure, is skipped and the caller
// goes on with the next. Returns whether the step completed.
template <class F> bool skipOnError(F&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        // Skipping is the rule here: the procedure reports nothing and carries on.
        return false;
    }
}

// The number of records of a snapshot: the count is complete only once the last record has been visited,
// so this moves to the last record, reads the count and moves back to the first. Each step that fails is
// skipped: a result without records (or no result at all) counts 0.
qint64 countRecords(dao::Recordset* records) noexcept;

} // namespace app
