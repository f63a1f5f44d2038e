#pragma once

// The failure rules of the event procedures. Database failures arrive as dao::DaoError; each event
// procedure catches them at exactly one place and applies its own rule. Qt's event loop never sees one.

#include "app/Notice.h"
#include "db/DaoError.h"

#include <exception>

namespace app {

// An event procedure without handling of its own: a failure shows its number and description, and only
// the action that failed is abandoned.
template <class F> void runHandled(F&& procedure) {
    try {
        procedure();
    } catch (const dao::DaoError& error) {
        reportUnhandledError(error);
    } catch (const std::exception& error) {
        reportUnhandledError(dao::errEngine, QString::fromLocal8Bit(error.what()));
    }
}

// One step under a skip-on-error rule: a step that fails is skipped and the caller goes on with the next.
// Returns whether the step completed.
template <class F> bool skipOnError(F&& step) {
    try {
        step();
        return true;
    } catch (const dao::DaoError&) {
        // Skipping is the rule here: the procedure reports nothing and carries on.
        return false;
    }
}

} // namespace app
