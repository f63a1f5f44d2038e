#pragma once

// The one place that reads and writes accounts and entries. Every statement it sends is a text from
// app/SqlText, sent through the DAO-shaped layer of db/; every record it reads becomes a DiaryEntry here, by
// column name, so no window knows where a column stands. Failures are dao::DaoError, as everywhere below the
// windows.

#include "app/DiaryEntry.h"

#include <QFlags>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dao {
class Database;
class Recordset;
} // namespace dao

namespace app {

// The fields of an entry a reader asks for; the others stay null.
enum class EntryField : unsigned {
    Id = 0x01,
    Owner = 0x02,
    Title = 0x04,
    Date = 0x08,
    Weekday = 0x10,
    Weather = 0x20,
    Body = 0x40,
};
Q_DECLARE_FLAGS(EntryFields, EntryField)
Q_DECLARE_OPERATORS_FOR_FLAGS(EntryFields)

inline constexpr EntryFields kShortFields = EntryFields::fromInt(0x3f); // every field but the body
inline constexpr EntryFields kAllFields = EntryFields::fromInt(0x7f);

// The entries one query found: a fixed copy taken when the query ran, in the order the engine returned them
// (for one account: id order). Short fields are copied at once; a body is read from the file when it is
// first asked for. Copies share one result; an EntrySet made empty (or default) finds nothing.
//
// Walks run under a skip rule: a step that fails (a move, or reading a field a walk needs) is skipped and
// the walk goes on with the next entry.
class EntrySet {
public:
    EntrySet();

    bool isEmpty() const { return !m_records; }

    // The number of entries: the count is complete only once the last one has been visited, so this moves to
    // the last and back to the first. 0 when nothing was found.
    qint64 count() const;

    // Calls visit for each entry in order with the fields asked for, until it returns false. An entry whose
    // fields cannot be read is left out.
    void forEach(EntryFields fields, const std::function<bool(const DiaryEntry&)>& visit) const;

    // The first entry found (a result of one entry); 3021 when there is none.
    DiaryEntry first(EntryFields fields = kAllFields) const;

    // The body of the entry at row (0-based, in the set's order), read now; fails as the file does (3167 for
    // an entry deleted since the query).
    QString bodyAt(qsizetype row) const;

    // The search: tests field of every entry, in order, and calls found for each one test accepts, with its
    // row, id, title, date, weekday and weather (and the body when that is the field tested). A test of the bodies of
    // many entries reads them ahead on other cores; the entries found and their order are the same either way. test
    // sees a field without value as a null QString and must be safe to call from other threads. breathe is called every
    // few hundred entries, after the first entry found and while waiting for bodies, so a long search can keep the
    // window painting. A field that fails to read leaves that entry out when it is the tested one (or the id), and
    // stays null otherwise.
    void search(EntryField field, const std::function<bool(const QString&)>& test,
                const std::function<void(qsizetype row, const DiaryEntry&)>& found,
                const std::function<void()>& breathe = {}) const;

private:
    friend class DiaryStore;
    explicit EntrySet(std::shared_ptr<dao::Recordset> records);
    static constexpr int kFieldCount = 7;
    // The field's position among the result's columns; -1 when the result has no such column.
    int positionOf(EntryField field) const;
    // Reads the fields asked for from the current record; throws as the record set does.
    void read(EntryFields fields, DiaryEntry& entry) const;
    void readField(EntryField field, DiaryEntry& entry) const;

    std::shared_ptr<dao::Recordset> m_records;
    std::array<int, kFieldCount> m_positions{};
};

// Reads and writes accounts and entries through one open database.
class DiaryStore {
public:
    // Opens the database afresh, for a write that found its file replaced.
    using Reopen = std::function<std::shared_ptr<dao::Database>()>;

    // Works on db. With reopen, a write that fails because db's file was moved or replaced since it was
    // opened opens the file afresh once and is sent again there.
    explicit DiaryStore(std::shared_ptr<dao::Database> db, Reopen reopen = {});
    // A store on the diary database file at path, with a connection of its own.
    static DiaryStore openFile(const QString& path);

    const std::shared_ptr<dao::Database>& database() const { return m_db; }

    // ---- accounts

    QStringList accountNames();
    // True when an account of that name exists (letter case ignored, as in every comparison of names).
    bool accountExists(const QString& name);

    enum class PasswordCheck { Accepted, UnknownAccount, WrongPassword };
    struct SignIn {
        PasswordCheck check = PasswordCheck::UnknownAccount;
        QString storedName; // the account's name as stored (Accepted only)
    };
    // Checks a typed password against the account's stored one (letter case matters in a password, not in a
    // name).
    SignIn checkPassword(const QString& name, const QString& password);

    // Registers an account with the password stored as a salted hash. 3022 when the name is taken, also by
    // another copy of the program in the meantime.
    void createAccount(const QString& name, const QString& password);

    // ---- entries

    // Every entry of the account.
    EntrySet entriesOf(const QString& owner);
    // Streams every entry of the account to visit, with the fields asked for (see EntrySet::forEach).
    void forEachEntry(const QString& owner, EntryFields fields, const std::function<bool(const DiaryEntry&)>& visit);
    // The entry with this id (a set of one, or empty), whoever owns it.
    EntrySet entryById(qint64 id);
    // The whole entry, or nothing when there is no entry with this id.
    std::optional<DiaryEntry> entry(qint64 id);

    // Stores a new entry (its id is numbered by the database; entry.id is not used).
    void addEntry(const DiaryEntry& entry);
    // Stores all of them or, when one fails, none (the failure is raised).
    void addEntries(const std::vector<DiaryEntry>& entries);
    // Writes title, date, weekday, weather and body over the stored entry entry.id; the number of entries
    // changed (0: there is no such entry any more).
    qint64 changeEntry(const DiaryEntry& entry);
    // Deletes the entry; the number of entries deleted.
    qint64 deleteEntry(qint64 id);

private:
    // Sends one statement; with reopen, once more on a freshly opened file when this one was replaced.
    // stillMeant, when given, is asked before sending again on the new file.
    qint64 write(const QString& statement, const std::function<bool(DiaryStore&)>& stillMeant = {});

    std::shared_ptr<dao::Database> m_db;
    Reopen m_reopen;
};

// The store of the running program, on DiaryDb. A write that finds data.mdb moved or replaced opens it afresh
// (and keeps the new connection in DiaryDb). Fails as an object that is not set (3420) while no database is
// open.
DiaryStore diaryStore();

} // namespace app
