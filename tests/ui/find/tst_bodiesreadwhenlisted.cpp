// Search rows whose bodies are read when the list first asks for them: the same texts as read at once, a
// body missing (deleted meanwhile, no value) leaves its cell empty, the other cells stay.

#include "app/DiaryStore.h"
#include "support/TestSupport.h"
#include "ui/find/EntrySearch.h"

#include <QTest>

class TestBodiesReadWhenListed : public QObject {
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
        app::DiaryStore store(diary.open());
        const app::EntrySet entries = store.entriesOf(QStringLiteral("u"));
        ResultModel model;
        model.setRows(entrysearch::collectMatches(entries, app::EntryField::Title, QStringLiteral("雨")));
        model.setBodySource(entries);
        store.deleteEntry(4);

        QStringList cells;
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column : {0, 1, 2, 5})
                cells << model.text(row, column);
        QCOMPARE(cells, QStringList({"1", "雨天", "d1", longBody, "4", "雨夜", "d4", "", "5", "雨", "d5", ""}));
    }
};

QTEST_MAIN(TestBodiesReadWhenListed)
#include "tst_bodiesreadwhenlisted.moc"
