// The store: entries read by column name with a missing value kept apart from an empty text, several entries
// stored all or none, and only exact entry keys naming an entry. (The windows' tests cover reading, changing and
// deleting one entry, and the accounts.)

#include "app/DiaryStore.h"
#include "app/SqlText.h"
#include "db/Dao.h"
#include "support/TestSupport.h"

#include <QTest>

using app::DiaryStore;
using app::EntryField;
using testsupport::daoErrorOf;
using testsupport::rawSql;

namespace {
DiaryEntry newEntry(const QString& owner, const QString& title, const QString& body = QStringLiteral("正文")) {
    return {0, owner, title, QStringLiteral("2009-09-08"), QStringLiteral("星期二"), QStringLiteral("晴朗"), body};
}

// The titles of the owner's entries in the order the store streams them.
QStringList titlesOf(DiaryStore& store, const QString& owner) {
    QStringList titles;
    store.forEachEntry(owner, EntryField::Title, [&](const DiaryEntry& entry) {
        titles << entry.title;
        return true;
    });
    return titles;
}

} // namespace

class TestDiaryStore : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TempDiary> m_diary;
    std::optional<DiaryStore> m_store;

private slots:
    void init() {
        m_diary = std::make_unique<testsupport::TempDiary>();
        m_store.emplace(m_diary->open());
    }
    void cleanup() {
        m_store.reset();
        m_diary.reset();
    }

    void missingValuesStayApartFromEmptyTexts() {
        rawSql(m_diary->databasePath(), "INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,"
                                        "diarytext) VALUES('ann', '', '', '', '', '');"
                                        "INSERT INTO diary(username) VALUES('ann');");
        QList<DiaryEntry> read;
        m_store->forEachEntry("ann", app::kAllFields, [&](const DiaryEntry& entry) {
            read << entry;
            return true;
        });
        QCOMPARE(read.size(), 2);
        QVERIFY(read[0].id > 0 && read[1].id > read[0].id);
        for (const QString* field : {&read[0].title, &read[0].date, &read[0].weekday, &read[0].weather, &read[0].body})
            QVERIFY(field->isEmpty() && !field->isNull());
        for (const QString* field : {&read[1].title, &read[1].date, &read[1].weekday, &read[1].weather, &read[1].body})
            QVERIFY(field->isNull());
        QCOMPARE(read[1].owner, "ann");
    }

    void streamsOneAccountsEntriesInIdOrderUntilTold() {
        m_store->addEntries(
            {newEntry("ann", "一"), newEntry("bob", "别人的"), newEntry("ann", "二"), newEntry("ann", "三")});
        QCOMPARE(titlesOf(*m_store, "ann"), QStringList({"一", "二", "三"}));
        QCOMPARE(titlesOf(*m_store, "ANN"), QStringList({"一", "二", "三"})); // names compare ignoring case
        QStringList bodies;
        m_store->forEachEntry("ann", app::kAllFields, [&](const DiaryEntry& entry) {
            bodies << entry.body;
            return bodies.size() < 2; // the visitor stops the walk
        });
        QCOMPARE(bodies, QStringList({"正文", "正文"}));
    }

    void severalEntriesAreStoredAllOrNone() {
        m_store->addEntry(newEntry("ann", "已有"));
        rawSql(m_diary->databasePath(), "CREATE TRIGGER refuse BEFORE INSERT ON diary WHEN NEW.diarytitle = '坏' "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        QVERIFY(daoErrorOf([&] { m_store->addEntries({newEntry("ann", "好"), newEntry("ann", "坏")}); }) != 0);
        QCOMPARE(titlesOf(*m_store, "ann"), QStringList({"已有"}));
        // The store goes on working after the refused batch.
        m_store->addEntries({newEntry("ann", "好")});
        QCOMPARE(titlesOf(*m_store, "ann"), QStringList({"已有", "好"}));
    }

    void onlyAnExactKeyNamesAnEntry_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<qint64>("id"); // -1: names no entry
        QTest::newRow("an entry's key") << "id = 17" << qint64(17);
        QTest::newRow("widened condition") << "id = 0 OR id > 0" << qint64(-1);
        QTest::newRow("a blank after the number") << "id = 5 " << qint64(-1);
        QTest::newRow("text before the key") << "2009 id = 5" << qint64(-1);
        QTest::newRow("full-width digit") << "id = ５" << qint64(-1);
        QTest::newRow("too many digits to be an id") << "id = 1234567890123456789" << qint64(-1);
        QTest::newRow("a date") << "2009-09-08" << qint64(-1);
    }
    void onlyAnExactKeyNamesAnEntry() {
        QFETCH(QString, key);
        QFETCH(qint64, id);
        QCOMPARE(sql::entryIdOf(key).value_or(-1), id);
        if (id >= 0)
            QCOMPARE(sql::entryKey(id), key);
    }
};

QTEST_GUILESS_MAIN(TestDiaryStore)
#include "tst_diarystore.moc"
