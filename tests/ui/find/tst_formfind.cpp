// The search window: which entries a keyword finds in each field, what a row shows and when its body is read,
// the list's menu, and the hand-over to the editor or back to the main window.

#include "support/Windows.h"

#include "app/DiaryStore.h"
#include "ui/find/EntrySearch.h"

namespace {
const QString kNoMatch = QStringLiteral("没有查找到相关信息。");
enum Choice { Title = 0, Date = 1, Week = 2, Weather = 3, Body = 4 };
const QStringList kSample{"rain", "hello", "weekend", "empty", "sunny", "nulls"};
} // namespace

class TestFormFind : public QObject, WindowFixture {
    Q_OBJECT
private:
    QList<qint64> m_ids; // of the sample's entries, in kSample's order

    static QStringList row(Form_Find* find, int row, int columns = 1) {
        QStringList texts;
        for (int column = 0; column < columns; ++column)
            texts << find->ListView_Result->model()->index(row, column).data().toString();
        return texts;
    }
    // The listed rows in order, each by its sample label (another entry by its number).
    QStringList listed(Form_Find* find) const {
        QStringList labels;
        for (int r = 0; r < find->ListView_Result->model()->rowCount(); ++r)
            labels << kSample.value(m_ids.indexOf(row(find, r)[0].toLongLong()), row(find, r)[0]);
        return labels;
    }
    static void search(Form_Find* find, int choice, const QString& keyword) {
        find->Combo_KeyWords->setCurrentIndex(choice);
        find->Text_KeyWords->setText(keyword);
        find->Command_Find->click();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() {
        startWithDiary(QStringLiteral("zhang"));
        m_ids = addSampleDiary(*DiaryDb);
    }
    void cleanup() { dropDiary(); }

    void searchListsEntriesWhoseChosenFieldHoldsTheKeyword_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* tag, int choice, const QString& keyword, const QStringList& expected,
                            const QString& user = QStringLiteral("zhang")) {
            QTest::newRow(tag) << user << choice << keyword << expected;
        };
        const QStringList withText{"rain", "hello", "weekend", "sunny"};
        row("title, part of it", Title, "杯具", {"rain"});
        row("title, letter case counts", Title, "hello", {});
        row("title, empty keyword: every non-empty title", Title, "", withText);
        row("date written short", Date, "2009-9-8", {"hello"});
        row("weekday", Week, "星期二", {"rain", "hello"});
        row("one character of the weather", Weather, "雨", {"rain", "hello", "weekend", "empty"});
        row("body", Body, "今天", {"rain", "hello"});
        row("body, second line", Body, "第二行", {"rain"});
        row("keyword not trimmed, trailing blank", Body, "明媚 ", {});
        row("body, empty keyword: every non-empty body", Body, "", withText);
        row("account without entries", Title, "", {}, "wang");
        row("no open database", Title, "", {}, "");
    }
    void searchListsEntriesWhoseChosenFieldHoldsTheKeyword() {
        QFETCH(QString, user);
        QFETCH(int, choice);
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        CurrentUser = user;
        if (user.isEmpty())
            DiaryDb.reset();
        Form_Find* find = forms().show<Form_Find>();
        search(find, choice, keyword);
        // The entries listed, or the box that says none was found.
        QCOMPARE(listed(find) + MessageBox::shownTexts(), expected.isEmpty() ? QStringList{kNoMatch} : expected);
        // The search changes neither the choice nor the keyword.
        QVERIFY(find->Combo_KeyWords->currentIndex() == choice && find->Text_KeyWords->text() == keyword);
    }

    void rowShowsEveryFieldTheListsMenuClearsAndADoubleClickOpensTheEntry() {
        Form_Find* find = forms().show<Form_Find>();
        search(find, Weather, QStringLiteral("阴雨"));
        QCOMPARE(row(find, 0, 6), (QStringList{QString::number(m_ids[0]), "杯具的一天", "2009-09-08", "星期二", "阴雨",
                                               "今天下雨了\r\n第二行 Rain"}));
        // Fields without a value leave their cells empty; a second search replaces the rows.
        search(find, Date, QStringLiteral("2009-11-11"));
        QCOMPARE(row(find, 0, 6), (QStringList{QString::number(m_ids[5]), "", "2009-11-11", "", "", ""}));
        QCOMPARE(find->ListView_Result->model()->rowCount(), 1);
        // The list's menu opens on the right button's release; its Clear keeps keyword and choice. A double click
        // on a row opens its entry in the editor and closes both windows.
        search(find, Weather, QStringLiteral("雨"));
        QWidget* rows = find->ListView_Result->viewport();
        QTest::mousePress(rows, Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(!find->PopMenu_List->isVisible());
        QTest::mouseRelease(rows, Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(find->PopMenu_List->isVisible());
        find->PopMenu_List_Clear->trigger();
        QCOMPARE(listed(find), QStringList());
        QVERIFY(find->Combo_KeyWords->currentIndex() == Weather && find->Text_KeyWords->text() == QStringLiteral("雨"));
        find->Command_Find->click();
        // Without a selected row a double click does nothing.
        find->ListView_Result_DblClick();
        QVERIFY(windowsOnShow() == QStringList{"Form_Find"} && EditCondition.isEmpty());
        const QPoint second = find->ListView_Result->visualRect(find->ListView_Result->model()->index(1, 1)).center();
        QTest::mouseClick(rows, Qt::LeftButton, {}, second);
        QTest::mouseDClick(rows, Qt::LeftButton, {}, second);
        QCOMPARE(EditCondition, sql::entryKey(m_ids[1]));
        QVERIFY(windowsOnShow() == QStringList{"Form_Write"} && MessageBox::shown().empty());
        // Closing the editor brings back the main window, not the search window.
        QVERIFY(forms().loaded<Form_Write>()->close());
        QCOMPARE(windowsOnShow(), QStringList{"Form_View"});
    }

    // Rows whose bodies are read when the list first asks for them: the same texts as read at once; a body
    // missing (deleted meanwhile, or no value) leaves its cell empty, the other cells stay.
    void bodiesAreReadWhenListed() {
        const QString longBody = QStringLiteral("今天下雨。\r\n").repeated(400);
        const QString rain = QString::number(m_diary->addEntry("u", "雨天", "d1", {}, {}, longBody));
        m_diary->addEntry("v", "雨天", "d2", {}, {}, "v");
        m_diary->addEntry("u", "晴天", "d3", {}, {}, "晴");
        const qint64 night = m_diary->addEntry("u", "雨夜", "d4", {}, {}, "夜");
        const QString empty = QString::number(m_diary->addEntry("u", "雨", "d5"));
        app::DiaryStore store(m_diary->open());
        const app::EntrySet entries = store.entriesOf(QStringLiteral("u"));
        ResultModel model;
        model.setRows(entrysearch::collectMatches(entries, app::EntryField::Title, QStringLiteral("雨")));
        model.setBodySource(entries);
        store.deleteEntry(night);
        QStringList cells;
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column : {0, 1, 2, 5})
                cells << model.text(row, column);
        QCOMPARE(cells, QStringList({rain, "雨天", "d1", longBody, QString::number(night), "雨夜", "d4", "", empty,
                                     "雨", "d5", ""}));
    }
};

QTEST_MAIN(TestFormFind)
#include "tst_formfind.moc"
