// Search rows whose bodies are read when the list first asks for them: the same texts as read at once, a
// body missing (deleted meanwhile, no value) leaves its cell empty, the other cells stay.

#include "support/TestSupport.h"
#include "ui/find/EntrySearch.h"

#include <QTest>

class TestSearchSpeedParts : public QObject {
    Q_OBJECT

private slots:
    void bodiesReadLater() {
        testsupport::TempDiary diary;
        const QString longBody = QStringLiteral("今天下雨。\r\n").repeated(400);
        diary.addEntry(QStringLiteral("u"), QStringLiteral("雨天"), QStringLiteral("d1"), {}, {}, longBody);
        diary.addEntry(QStringLiteral("v"), QStringLiteral("雨天"), QStringLiteral("d2"), {}, {}, QStringLiteral("v"));
        diary.addEntry(QStringLiteral("u"), QStringLiteral("晴天"), QStringLiteral("d3"), {}, {}, QStringLiteral("晴"));
        diary.addEntry(QStringLiteral("u"), QStringLiteral("雨夜"), QStringLiteral("d4"), {}, {}, QStringLiteral("夜"));
        diary.addEntry(QStringLiteral("u"), QStringLiteral("雨"), QStringLiteral("d5"));
        auto db = diary.open();
        std::shared_ptr<dao::Recordset> records = db->OpenRecordset("Select * from diary where username = 'u'");
        ResultModel model;
        model.setRows(entrysearch::collectMatches(records.get(), 2, QStringLiteral("雨")));
        model.setBodySource(records, entrysearch::kBodyField);
        db->Execute(QStringLiteral("Delete from diary where id = 4"));

        QStringList cells;
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column : {0, 1, 2, 5})
                cells << model.text(row, column);
        QCOMPARE(cells, QStringList({"1", "雨天", "d1", longBody, "4", "雨夜", "d4", "", "5", "雨", "d5", ""}));
    }
};

QTEST_MAIN(TestSearchSpeedParts)
#include "tst_searchspeedparts.moc"
