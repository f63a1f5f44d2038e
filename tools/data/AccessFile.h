#pragma once

// The old Access (Jet 3 or Jet 4) data.mdb of the Windows program, read through mdbtools: its accounts
// (table users: username, password as typed) and its entries (table diary). Only read, never written.

#include "tools/data/Entry.h"

#include <QString>

#include <optional>
#include <vector>

namespace datatool::access {

struct User {
    QString name;
    std::optional<QString> password;
};

struct OldFile {
    std::vector<User> users;
    std::vector<Entry> entries; // id and owner as stored
    QString error;              // empty when both tables were read whole
};

// Reads both tables whole. A file that is not a Jet file, lacks a table or one of its columns, or cannot be
// read to its end gives an error and nothing else. Text is never cut short: a value longer than the read
// buffer is read again with a larger one.
OldFile read(const QString& path);

} // namespace datatool::access
