#include "DiaryStore.h"

#include "app/ErrorRules.h"
#include "app/Globals.h"
#include "app/Passwords.h"
#include "app/SqlText.h"
#include "db/Dao.h"
#include "db/DiaryDatabase.h"
#include "db/LongTextReader.h"
#include "db/Snapshot.h"

namespace app {

namespace {
// The diary's columns, in the order of EntryField.
const std::array<QString, 7> kColumnNames = {
    QStringLiteral("id"),        QStringLiteral("username"),  QStringLiteral("diarytitle"),
    QStringLiteral("diarydate"), QStringLiteral("diaryweek"), QStringLiteral("diaryweather"),
    QStringLiteral("diarytext"),
};

constexpr qint64 kEntriesBetweenBreaths = 256;
// How long the search waits for a body read ahead before it lets the window breathe.
constexpr int kWaitMs = 10;

std::size_t indexOf(EntryField field) {
    switch (field) {
    case EntryField::Id:
        return 0;
    case EntryField::Owner:
        return 1;
    case EntryField::Title:
        return 2;
    case EntryField::Date:
        return 3;
    case EntryField::Weekday:
        return 4;
    case EntryField::Weather:
        return 5;
    case EntryField::Body:
        break;
    }
    return 6;
}

// A field's value as entry text: null for a missing value, never null for a stored one (empty included).
QString entryText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QString();
    QString text = dao::fieldText(value);
    if (text.isNull())
        text = QStringLiteral("");
    return text;
}

QString* textFieldOf(DiaryEntry& entry, EntryField field) {
    switch (field) {
    case EntryField::Owner:
        return &entry.owner;
    case EntryField::Title:
        return &entry.title;
    case EntryField::Date:
        return &entry.date;
    case EntryField::Weekday:
        return &entry.weekday;
    case EntryField::Weather:
        return &entry.weather;
    case EntryField::Body:
        return &entry.body;
    case EntryField::Id:
        break;
    }
    return nullptr;
}

constexpr std::array<EntryField, 7> kEveryField = {EntryField::Id,   EntryField::Owner,   EntryField::Title,
                                                   EntryField::Date, EntryField::Weekday, EntryField::Weather,
                                                   EntryField::Body};
} // namespace

// ---- EntrySet -------------------------------------------------------------------------------------------

EntrySet::EntrySet() {
    m_positions.fill(-1);
}

EntrySet::EntrySet(std::shared_ptr<dao::Recordset> records) : m_records(std::move(records)) {
    m_positions.fill(-1);
    const int columns = m_records->FieldCount();
    for (int position = 0; position < columns; ++position) {
        const QString name = m_records->FieldName(position);
        for (std::size_t i = 0; i < kColumnNames.size(); ++i)
            if (m_positions[i] < 0 && name.compare(kColumnNames[i], Qt::CaseInsensitive) == 0)
                m_positions[i] = position;
    }
}

int EntrySet::positionOf(EntryField field) const {
    return m_positions[indexOf(field)];
}

void EntrySet::readField(EntryField field, DiaryEntry& entry) const {
    const int position = positionOf(field);
    // A column the result lacks fails as the record set fails for an unknown field name.
    const QVariant value =
        position >= 0 ? m_records->Fields(position) : m_records->Fields(kColumnNames[indexOf(field)]);
    if (field == EntryField::Id) {
        bool ok = false;
        entry.id = value.toLongLong(&ok);
        if (!ok)
            throw dao::DaoError(dao::errTypeMismatch, QStringLiteral("标准表达式中数据类型不匹配。"));
        return;
    }
    *textFieldOf(entry, field) = entryText(value);
}

void EntrySet::read(EntryFields fields, DiaryEntry& entry) const {
    for (EntryField field : kEveryField)
        if (fields.testFlag(field))
            readField(field, entry);
}

qint64 EntrySet::count() const {
    return countRecords(m_records.get());
}

void EntrySet::forEach(EntryFields fields, const std::function<bool(const DiaryEntry&)>& visit) const {
    const qint64 total = count();
    for (qint64 i = 0; i < total; ++i) {
        DiaryEntry entry;
        if (skipOnError([&] { read(fields, entry); }) && !visit(entry))
            return;
        skipOnError([&] { m_records->MoveNext(); });
    }
}

DiaryEntry EntrySet::first(EntryFields fields) const {
    if (!m_records)
        throw dao::DaoError(dao::errNoCurrentRecord, QStringLiteral("无当前记录。"));
    DiaryEntry entry;
    read(fields, entry);
    return entry;
}

QString EntrySet::bodyAt(qsizetype row) const {
    const auto* snapshot = dynamic_cast<const dao::Snapshot*>(m_records.get());
    if (!snapshot)
        throw dao::DaoError(dao::errObjectClosed, QStringLiteral("对象无效或不再设置。"));
    return entryText(snapshot->longTextAt(row, positionOf(EntryField::Body)));
}

void EntrySet::search(EntryField field, const std::function<bool(const QString&)>& test,
                      const std::function<void(qsizetype, const DiaryEntry&)>& found,
                      const std::function<void()>& breathe) const {
    // Without a result every step on it fails and is skipped: nothing found.
    if (!m_records)
        return;
    const qint64 total = count();
    auto takeBreath = [&] {
        if (breathe)
            breathe();
    };
    auto accepts = [test](const QVariant& value) { return test(entryText(value)); };

    using Outcome = dao::LongTextReader::Outcome;
    // Searching the bodies: they are read and tested ahead, on the other cores (the reader stays idle for a
    // short field, or for a few entries).
    dao::LongTextReader readAhead(m_records.get(), positionOf(field), accepts);
    auto outcomeOf = [&](qint64 row, QVariant* value) {
        Outcome outcome;
        while ((outcome = readAhead.outcome(qsizetype(row), kWaitMs, value)) == Outcome::Pending)
            takeBreath();
        return outcome;
    };

    // What a search lists: the owner is known already.
    const EntryFields shown = (field == EntryField::Body ? kAllFields : kShortFields) & ~EntryFields(EntryField::Owner);
    bool foundAny = false;
    for (qint64 i = 0; i < total; ++i) {
        const bool noneYet = !foundAny;
        skipOnError([&] {
            DiaryEntry entry;
            QVariant value;
            if (outcomeOf(i, &value) == Outcome::Accepted) {
                *textFieldOf(entry, field) = entryText(value);
            } else {
                // Not read ahead, or the read failed: the record set reads it (and fails as it would have).
                readField(field, entry);
                if (!test(*textFieldOf(entry, field)))
                    return;
            }
            readField(EntryField::Id, entry);
            for (EntryField other : kEveryField)
                if (other != field && other != EntryField::Id && shown.testFlag(other))
                    skipOnError([&] { readField(other, entry); });
            foundAny = true;
            found(qsizetype(i), entry);
        });
        skipOnError([&] { m_records->MoveNext(); });
        // The first entry found is shown at once; then a breath every few hundred entries.
        if ((i + 1) % kEntriesBetweenBreaths == 0 || (noneYet && foundAny))
            takeBreath();
    }
}

// ---- DiaryStore -----------------------------------------------------------------------------------------

DiaryStore::DiaryStore(std::shared_ptr<dao::Database> db, Reopen reopen)
    : m_db(std::move(db)), m_reopen(std::move(reopen)) {
    if (!m_db)
        throw dao::DaoError(dao::errObjectClosed, QStringLiteral("对象无效或不再设置。"));
}

DiaryStore DiaryStore::openFile(const QString& path) {
    return DiaryStore(dao::openDiaryDatabaseAt(path));
}

QStringList DiaryStore::accountNames() {
    const std::shared_ptr<dao::Recordset> records = m_db->OpenRecordset(sql::selectUserNames());
    QStringList names;
    if (records->RecordCount() == 0)
        return names;
    const qint64 total = countRecords(records.get());
    names.reserve(static_cast<qsizetype>(total));
    for (qint64 i = 0; i < total; ++i) {
        names << dao::fieldText(records->Fields(QStringLiteral("username")));
        records->MoveNext();
    }
    return names;
}

bool DiaryStore::accountExists(const QString& name) {
    return m_db->OpenRecordset(sql::selectUser(name))->RecordCount() != 0;
}

DiaryStore::SignIn DiaryStore::checkPassword(const QString& name, const QString& password) {
    const std::shared_ptr<dao::Recordset> records = m_db->OpenRecordset(sql::selectUser(name));
    if (records->RecordCount() == 0)
        return {PasswordCheck::UnknownAccount, {}};
    const QVariant stored = records->Fields(QStringLiteral("password"));
    if (stored.isNull() || !verifyPassword(stored.toString(), password))
        return {PasswordCheck::WrongPassword, {}};
    const QString storedName = dao::fieldText(records->Fields(QStringLiteral("username")));
    records->Close();
    return {PasswordCheck::Accepted, storedName};
}

void DiaryStore::createAccount(const QString& name, const QString& password) {
    write(sql::insertUser(name, hashPassword(password)));
}

EntrySet DiaryStore::entriesOf(const QString& owner) {
    return EntrySet(m_db->OpenRecordset(sql::selectDiaryOfUser(owner)));
}

void DiaryStore::forEachEntry(const QString& owner, EntryFields fields,
                              const std::function<bool(const DiaryEntry&)>& visit) {
    entriesOf(owner).forEach(fields, visit);
}

EntrySet DiaryStore::entryById(qint64 id) {
    return EntrySet(m_db->OpenRecordset(sql::selectDiaryWhere(sql::entryKey(id))));
}

std::optional<DiaryEntry> DiaryStore::entry(qint64 id) {
    const EntrySet found = entryById(id);
    if (found.m_records->RecordCount() == 0)
        return std::nullopt;
    return found.first();
}

void DiaryStore::addEntry(const DiaryEntry& entry) {
    write(sql::insertDiary(entry));
}

void DiaryStore::addEntries(const std::vector<DiaryEntry>& entries) {
    m_db->BeginTrans();
    try {
        for (const DiaryEntry& entry : entries)
            m_db->Execute(sql::insertDiary(entry));
        m_db->CommitTrans();
    } catch (...) {
        // The failure goes to the caller; the entries stored so far must not stay.
        skipOnError([this] { m_db->Rollback(); });
        throw;
    }
}

qint64 DiaryStore::changeEntry(const DiaryEntry& entry) {
    // On a file put in place of the one opened, the same id may number another account's entry: the change
    // goes there only when the entry there is still the owner's.
    return write(sql::updateDiary(entry), [owner = entry.owner, id = entry.id](DiaryStore& fresh) {
        const std::optional<DiaryEntry> there = fresh.entry(id);
        return there && there->owner.compare(owner, Qt::CaseInsensitive) == 0;
    });
}

qint64 DiaryStore::deleteEntry(qint64 id) {
    return write(sql::deleteDiaryWhere(sql::entryKey(id)));
}

qint64 DiaryStore::write(const QString& statement, const std::function<bool(DiaryStore&)>& stillMeant) {
    try {
        m_db->Execute(statement);
    } catch (const dao::DaoError&) {
        if (!m_reopen || !m_db->fileReplaced())
            throw;
        // The file was moved or replaced under this connection (a restore, a sync tool): what is written
        // belongs in the file now at the path. Opened afresh once; a failure to open is the one reported.
        m_db = m_reopen();
        if (!m_db)
            throw dao::DaoError(dao::errObjectClosed, QStringLiteral("对象无效或不再设置。"));
        if (stillMeant && !stillMeant(*this))
            return 0;
        m_db->Execute(statement);
    }
    return m_db->RecordsAffected();
}

DiaryStore diaryStore() {
    (void)diaryDb(); // fails while no database is open
    return DiaryStore(DiaryDb, [] {
        DiaryDb = dao::OpenDiaryDatabase();
        return DiaryDb;
    });
}

} // namespace app
