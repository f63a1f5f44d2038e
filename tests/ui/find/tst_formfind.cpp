#include "support/TestSupport.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "startup/Startup.h"
#include "ui/find/FindLayout.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultList.h"
#include "ui/find/ResultModel.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

#include <QDir>
#include <QHeaderView>
#include <QTest>

#include <map>

using platform::forms;
using platform::MessageBox;

namespace {
const QString kNoMatch = QStringLiteral("没有查找到相关信息。");

enum Choice { Title = 0, Date = 1, Week = 2, Weather = 3, Body = 4 };
} // namespace

class TestFormFind : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    // The signed-in user's entries by a short name, in the order they were written.
    std::map<QString, qint64> m_ids;
    QStringList m_order;

    // Written through the open connection: opening the encrypted file for every entry would be slow.
    static qint64 insertEntry(const QString& user, const QString& title, const QString& date, const QString& week,
                              const QString& weather, const QString& text) {
        DiaryDb->Execute(sql::insertDiary(user, title, date, week, weather, text));
        return lastId();
    }
    static qint64 lastId() {
        auto records = DiaryDb->OpenRecordset(QStringLiteral("Select id from diary"));
        records->MoveLast();
        return records->Fields(0).toLongLong();
    }
    void addEntry(const QString& label, const QString& title, const QString& date, const QString& week,
                  const QString& weather, const QString& text) {
        m_ids[label] = insertEntry(QStringLiteral("zhang"), title, date, week, weather, text);
        m_order << label;
    }

    // Six entries of "zhang" and two of another user that would match many keywords.
    void addSampleDiary() {
        addEntry(QStringLiteral("rain"), QStringLiteral("杯具的一天"), QStringLiteral("2009-09-08"),
                 QStringLiteral("星期二"), QStringLiteral("阴雨"), QStringLiteral("今天下雨了\r\n第二行 Rain"));
        insertEntry(QStringLiteral("li"), QStringLiteral("杯具"), QStringLiteral("2009-09-08"),
                    QStringLiteral("星期二"), QStringLiteral("暴雨"), QStringLiteral("今天 hello Rain"));
        addEntry(QStringLiteral("hello"), QStringLiteral("Hello World"), QStringLiteral("2009-9-8"),
                 QStringLiteral("星期二"), QStringLiteral("大雨"), QStringLiteral("hello world 今天"));
        addEntry(QStringLiteral("weekend"), QStringLiteral("周末"), QStringLiteral("2009-09-12"),
                 QStringLiteral("星期六"), QStringLiteral("小雨"), QStringLiteral("周末去爬山"));
        addEntry(QStringLiteral("empty"), QString(), QStringLiteral("2009-10-01"), QStringLiteral("星期四"),
                 QStringLiteral("阵雨"), QString());
        addEntry(QStringLiteral("sunny"), QStringLiteral("晴"), QStringLiteral("2009-10-02"), QStringLiteral("星期五"),
                 QStringLiteral("晴朗"), QStringLiteral("阳光 明媚"));
        insertEntry(QStringLiteral("LI"), QStringLiteral("周末 Hello"), QStringLiteral("2009-10-02"),
                    QStringLiteral("星期五"), QStringLiteral("晴朗"), QStringLiteral("阳光 明媚"));
        // An entry whose fields hold no value at all.
        DiaryDb->Execute(
            QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                           "Values('zhang', NULL, '2009-11-11', NULL, NULL, NULL)"));
        m_ids[QStringLiteral("nulls")] = lastId();
        m_order << QStringLiteral("nulls");
    }

    QStringList idsOf(const QStringList& labels) const {
        QStringList ids;
        for (const QString& label : m_order)
            if (labels.contains(label))
                ids << QString::number(m_ids.at(label));
        return ids;
    }

    static QStringList listedIds(Form_Find* find) {
        QStringList ids;
        const QAbstractItemModel* model = find->ListView_Result->model();
        for (int row = 0; row < model->rowCount(); ++row)
            ids << model->index(row, 0).data().toString();
        return ids;
    }

    static QStringList rowTexts(Form_Find* find, int row) {
        QStringList texts;
        const QAbstractItemModel* model = find->ListView_Result->model();
        for (int column = 0; column < model->columnCount(); ++column)
            texts << model->index(row, column).data().toString();
        return texts;
    }

    static void search(Form_Find* find, int choice, const QString& keyword) {
        find->Combo_KeyWords->setCurrentIndex(choice);
        find->Text_KeyWords->setText(keyword);
        find->Command_Find->click();
    }

    // Selects a listed row the way a user does: a click on it.
    static void clickRow(Form_Find* find, int row) {
        const QRect cell = find->ListView_Result->visualRect(find->ListView_Result->model()->index(row, 1));
        QTest::mouseClick(find->ListView_Result->viewport(), Qt::LeftButton, {}, cell.center());
    }

    Form_Find* openFind() {
        Form_Find* find = forms().show<Form_Find>();
        find->activateWindow();
        return find;
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
    }
    void init() {
        testsupport::resetProgramState();
        m_ids.clear();
        m_order.clear();
        m_diary = std::make_unique<testsupport::TempDiary>();
        DiaryDb = m_diary->open();
        CurrentUser = QStringLiteral("zhang");
    }
    void cleanup() {
        forms().resetForTests();
        app::resetGlobals();
        m_diary.reset();
    }

    void opensWithFirstChoiceAndEmptyList() {
        Form_Find* find = openFind();
        QCOMPARE(find->windowTitle(), QStringLiteral("青简录 - 查找日记"));
        QVERIFY(!find->Combo_KeyWords->isEditable());
        const QStringList choices{QStringLiteral("按照填写的【日记标题】例如：杯具"),
                                  QStringLiteral("按照填写的【日记日期】例如：2009-09-08"),
                                  QStringLiteral("按照填写的【日记星期】例如：星期一"),
                                  QStringLiteral("按照填写的【日记天气】例如：大雨"),
                                  QStringLiteral("按照填写的【日记内容】例如：今天")};
        QCOMPARE(find->Combo_KeyWords->count(), choices.size());
        for (int i = 0; i < choices.size(); ++i)
            QCOMPARE(find->Combo_KeyWords->itemText(i), choices[i]);
        QCOMPARE(find->Combo_KeyWords->currentIndex(), 0);
        QCOMPARE(find->Text_KeyWords->text(), QString());
        QCOMPARE(find->Command_Find->text(), QStringLiteral("来查找"));
        QCOMPARE(find->defaultButton(), find->Command_Find);
        QCOMPARE(find->ListView_Result->model()->rowCount(), 0);
        QCOMPARE(find->PopMenu_List->title(), QStringLiteral("列表菜单"));
        QCOMPARE(find->PopMenu_List->actions(), QList<QAction*>{find->PopMenu_List_Clear});
        QCOMPARE(find->PopMenu_List_Clear->text(), QStringLiteral("清空"));
        for (const char* name : {"Combo_KeyWords", "Text_KeyWords", "Command_Find", "ListView_Result"})
            QVERIFY2(find->findChild<QWidget*>(QLatin1String(name)), name);
        QVERIFY(find->findChild<QMenu*>(QStringLiteral("PopMenu_List")));
        QVERIFY(find->findChild<QAction*>(QStringLiteral("PopMenu_List_Clear")));
        QVERIFY(MessageBox::shown().empty());
    }

    void listHasSixFixedColumnsThatCannotBeEdited() {
        addSampleDiary();
        Form_Find* find = openFind();
        const QStringList headers{QStringLiteral("日记编号"), QStringLiteral("日记标题"), QStringLiteral("日记日期"),
                                  QStringLiteral("日记星期"), QStringLiteral("日记天气"), QStringLiteral("日记内容")};
        const QAbstractItemModel* model = find->ListView_Result->model();
        QCOMPARE(model->columnCount(), headers.size());
        const int columnWidth = platform::Twips::toPixels(1440, find);
        for (int column = 0; column < headers.size(); ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), headers[column]);
            QCOMPARE(find->ListView_Result->header()->sectionSize(column), columnWidth);
        }
        search(find, Title, QStringLiteral("杯具"));
        QCOMPARE(model->rowCount(), 1);
        for (int column = 0; column < headers.size(); ++column) {
            const QModelIndex index = model->index(0, column);
            QVERIFY(!(model->flags(index) & Qt::ItemIsEditable));
            QVERIFY(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignLeft);
        }
        QCOMPARE(find->ListView_Result->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void searchListsEntriesWhoseChosenFieldHoldsTheKeyword_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        const QStringList allWithText{"rain", "hello", "weekend", "sunny"};
        QTest::newRow("title, part of it") << int(Title) << "杯具" << QStringList{"rain"};
        QTest::newRow("title, letter case counts") << int(Title) << "hello" << QStringList{};
        QTest::newRow("title, same case") << int(Title) << "Hello" << QStringList{"hello"};
        QTest::newRow("title, empty keyword: every non-empty title") << int(Title) << "" << allWithText;
        QTest::newRow("date compared as text") << int(Date) << "2009-09-08" << QStringList{"rain"};
        QTest::newRow("date written short") << int(Date) << "2009-9-8" << QStringList{"hello"};
        QTest::newRow("date, empty keyword lists entries without other values")
            << int(Date) << "" << QStringList{"rain", "hello", "weekend", "empty", "sunny", "nulls"};
        QTest::newRow("weekday") << int(Week) << "星期二" << QStringList{"rain", "hello"};
        QTest::newRow("one character of the weather")
            << int(Weather) << "雨" << QStringList{"rain", "hello", "weekend", "empty"};
        QTest::newRow("weather only other users have") << int(Weather) << "暴雨" << QStringList{};
        QTest::newRow("body") << int(Body) << "今天" << QStringList{"rain", "hello"};
        QTest::newRow("body, capital letters") << int(Body) << "Rain" << QStringList{"rain"};
        QTest::newRow("body, small letters") << int(Body) << "rain" << QStringList{};
        QTest::newRow("body, second line") << int(Body) << "第二行" << QStringList{"rain"};
        QTest::newRow("keyword not trimmed, leading blank") << int(Body) << " 明媚" << QStringList{"sunny"};
        QTest::newRow("keyword not trimmed, trailing blank") << int(Body) << "明媚 " << QStringList{};
        QTest::newRow("body, empty keyword: every non-empty body") << int(Body) << "" << allWithText;
        QTest::newRow("no wildcards") << int(Title) << "杯%" << QStringList{};
        QTest::newRow("quote in the keyword is just a character") << int(Title) << "' OR '1'='1" << QStringList{};
    }
    void searchListsEntriesWhoseChosenFieldHoldsTheKeyword() {
        QFETCH(int, choice);
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        addSampleDiary();
        Form_Find* find = openFind();
        search(find, choice, keyword);
        QCOMPARE(listedIds(find), idsOf(expected));
        QCOMPARE(MessageBox::shownTexts(), expected.isEmpty() ? QStringList{kNoMatch} : QStringList{});
        if (expected.isEmpty())
            QCOMPARE(MessageBox::shown().front().title, QStringLiteral("青简录"));
        // The search changes neither the choice nor the keyword.
        QCOMPARE(find->Combo_KeyWords->currentIndex(), choice);
        QCOMPARE(find->Text_KeyWords->text(), keyword);
    }

    void rowShowsNumberTitleDateWeekdayWeatherAndWholeBody() {
        addSampleDiary();
        Form_Find* find = openFind();
        search(find, Weather, QStringLiteral("阴雨"));
        QCOMPARE(rowTexts(find, 0),
                 (QStringList{QString::number(m_ids.at(QStringLiteral("rain"))), QStringLiteral("杯具的一天"),
                              QStringLiteral("2009-09-08"), QStringLiteral("星期二"), QStringLiteral("阴雨"),
                              QStringLiteral("今天下雨了\r\n第二行 Rain")}));
        // Fields without a value leave their cells empty; the row is still listed.
        search(find, Date, QStringLiteral("2009-11-11"));
        QCOMPARE(rowTexts(find, 0), (QStringList{QString::number(m_ids.at(QStringLiteral("nulls"))), QString(),
                                                 QStringLiteral("2009-11-11"), QString(), QString(), QString()}));
    }

    void longChineseBodiesAreSearchedWhole() {
        const QString filler = QStringLiteral("春眠不觉晓处处闻啼鸟").repeated(300);
        addEntry(QStringLiteral("long"), QStringLiteral("长"), QStringLiteral("2009-09-08"), QStringLiteral("星期二"),
                 QStringLiteral("晴朗"),
                 filler + QStringLiteral("\r\n夜来风雨声") + filler + QStringLiteral("花落知多少"));
        Form_Find* find = openFind();
        search(find, Body, QStringLiteral("花落知多少"));
        QCOMPARE(listedIds(find), idsOf({QStringLiteral("long")}));
        QCOMPARE(rowTexts(find, 0).last().size(), filler.size() * 2 + 12);
        QCOMPARE(firstLineOf(rowTexts(find, 0).last()).size(), 513);
        search(find, Body, QStringLiteral("夜来风雨声春"));
        QCOMPARE(listedIds(find), idsOf({QStringLiteral("long")}));
    }

    void userWithoutEntriesIsToldNothingWasFound_data() {
        QTest::addColumn<QString>("keyword");
        QTest::newRow("empty keyword") << "";
        QTest::newRow("a keyword others have") << "杯具";
    }
    void userWithoutEntriesIsToldNothingWasFound() {
        QFETCH(QString, keyword);
        addSampleDiary();
        CurrentUser = QStringLiteral("wang");
        Form_Find* find = openFind();
        search(find, Title, keyword);
        QCOMPARE(listedIds(find), QStringList());
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNoMatch});
        QVERIFY(forms().isLoaded<Form_Find>());
    }

    void searchWithoutOpenDatabaseFindsNothing() {
        DiaryDb.reset();
        Form_Find* find = openFind();
        search(find, Title, QString());
        QCOMPARE(listedIds(find), QStringList());
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNoMatch});
    }

    void secondSearchReplacesTheRows() {
        addSampleDiary();
        Form_Find* find = openFind();
        search(find, Weather, QStringLiteral("雨"));
        QCOMPARE(listedIds(find).size(), 4);
        search(find, Weather, QStringLiteral("晴"));
        QCOMPARE(listedIds(find), idsOf({QStringLiteral("sunny")}));
        search(find, Weather, QStringLiteral("冰雹"));
        QCOMPARE(listedIds(find), QStringList());
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNoMatch});
    }

    void enterRunsTheSearch() {
        addSampleDiary();
        Form_Find* find = openFind();
        find->Combo_KeyWords->setCurrentIndex(Weather);
        find->Text_KeyWords->setText(QStringLiteral("晴朗"));
        QTest::keyClick(find->Text_KeyWords, Qt::Key_Return);
        QCOMPARE(listedIds(find), idsOf({QStringLiteral("sunny")}));
    }

    void focusMovesComboFindListKeyword() {
        Form_Find* find = openFind();
        QVERIFY(QTest::qWaitForWindowActive(find));
        find->Combo_KeyWords->setFocus();
        const QList<QWidget*> order{find->Command_Find, find->ListView_Result, find->Text_KeyWords,
                                    find->Combo_KeyWords};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void doubleClickOpensTheEntryInTheEditorAndClosesBothWindows() {
        addSampleDiary();
        Form_Find* find = openFind();
        search(find, Weather, QStringLiteral("雨"));
        const int row = static_cast<int>(listedIds(find).indexOf(QString::number(m_ids.at(QStringLiteral("hello")))));
        QVERIFY(row >= 0);
        clickRow(find, row);
        const QRect cell = find->ListView_Result->visualRect(find->ListView_Result->model()->index(row, 2));
        QTest::mouseDClick(find->ListView_Result->viewport(), Qt::LeftButton, {}, cell.center());

        QCOMPARE(EditCondition, QStringLiteral("id = ") + QString::number(m_ids.at(QStringLiteral("hello"))));
        QVERIFY(forms().isLoaded<Form_Write>());
        QVERIFY(forms().loaded<Form_Write>()->isVisible());
        QVERIFY(!forms().isLoaded<Form_Find>());
        QVERIFY(!forms().isLoaded<Form_View>());
        QCOMPARE(forms().loadedCount(), 1);
        QVERIFY(MessageBox::shown().empty());

        // Closing the editor brings back the main window, not the search window.
        QVERIFY(forms().loaded<Form_Write>()->close());
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(!forms().isLoaded<Form_Find>());
    }

    void doubleClickWithoutSelectedRowDoesNothing_data() {
        QTest::addColumn<bool>("withRows");
        QTest::newRow("empty list") << false;
        QTest::newRow("rows, none selected") << true;
    }
    void doubleClickWithoutSelectedRowDoesNothing() {
        QFETCH(bool, withRows);
        addSampleDiary();
        Form_Find* find = openFind();
        if (withRows)
            search(find, Weather, QStringLiteral("雨"));
        QVERIFY(find->ListView_Result->selectionModel()->selectedRows().isEmpty());
        find->ListView_Result_DblClick();
        QCOMPARE(EditCondition, QString());
        QVERIFY(forms().isLoaded<Form_Find>());
        QVERIFY(!forms().isLoaded<Form_Write>());
        QVERIFY(!forms().isLoaded<Form_View>());
    }

    void rightButtonReleaseOffersClearWhichKeepsKeywordAndChoice() {
        addSampleDiary();
        Form_Find* find = openFind();
        search(find, Weather, QStringLiteral("雨"));
        QCOMPARE(listedIds(find).size(), 4);

        QWidget* rows = find->ListView_Result->viewport();
        for (Qt::MouseButton other : {Qt::LeftButton, Qt::MiddleButton}) {
            QTest::mouseRelease(rows, other, {}, QPoint(20, 20));
            QVERIFY(!find->PopMenu_List->isVisible());
        }
        QTest::mousePress(rows, Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(!find->PopMenu_List->isVisible());
        QTest::mouseRelease(rows, Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(find->PopMenu_List->isVisible());
        find->PopMenu_List_Clear->trigger();
        find->PopMenu_List->hide();

        QCOMPARE(listedIds(find), QStringList());
        QCOMPARE(find->Combo_KeyWords->currentIndex(), int(Weather));
        QCOMPARE(find->Text_KeyWords->text(), QStringLiteral("雨"));
        QVERIFY(MessageBox::shown().empty());
    }

    void closingTheSearchWindowShowsTheMainWindow_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("close box") << true;
        QTest::newRow("unloaded") << false;
    }
    void closingTheSearchWindowShowsTheMainWindow() {
        QFETCH(bool, closeBox);
        Form_Find* find = openFind();
        QVERIFY(!forms().isLoaded<Form_View>());
        if (closeBox)
            QVERIFY(find->close());
        else
            QVERIFY(forms().unload(find));
        QVERIFY(!forms().isLoaded<Form_Find>());
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(forms().loaded<Form_View>()->isVisible());
    }

    void listFollowsWindowSize_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<double>("outerWidth");
        QTest::addColumn<double>("outerHeight");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        using findlayout::WindowState;
        QTest::newRow("normal") << int(WindowState::Normal) << 10815.0 << 6555.0 << 10715.0 << 5745.0;
        QTest::newRow("normal, just taller than the margin")
            << int(WindowState::Normal) << 3000.0 << 811.0 << 2900.0 << 1.0;
        QTest::newRow("normal, height at the margin keeps the height")
            << int(WindowState::Normal) << 3000.0 << 810.0 << 2900.0 << 5415.0;
        QTest::newRow("normal, lower still") << int(WindowState::Normal) << 3000.0 << 400.0 << 2900.0 << 5415.0;
        QTest::newRow("maximised") << int(WindowState::Maximized) << 19440.0 << 11760.0 << 19340.0 << 10930.0;
        QTest::newRow("minimised keeps the size")
            << int(WindowState::Minimized) << 2000.0 << 500.0 << 10575.0 << 5415.0;
    }
    void listFollowsWindowSize() {
        QFETCH(int, state);
        QFETCH(double, outerWidth);
        QFETCH(double, outerHeight);
        QFETCH(double, width);
        QFETCH(double, height);
        const findlayout::Size size = findlayout::resultListSize(static_cast<findlayout::WindowState>(state),
                                                                 {outerWidth, outerHeight}, {10575, 5415});
        QCOMPARE(size.width, width);
        QCOMPARE(size.height, height);
    }

    void resizingTheWindowResizesOnlyTheList() {
        Form_Find* find = openFind();
        const QRect combo = find->Combo_KeyWords->geometry();
        const QRect button = find->Command_Find->geometry();
        find->resize(900, 600);
        QVERIFY(QTest::qWaitFor([&] { return find->frameGeometry().width() >= 900; }));
        using platform::Twips::fromPixels;
        using platform::Twips::toPixels;
        const QSize outer = find->frameGeometry().size();
        const QRect list = find->ListView_Result->geometry();
        QCOMPARE(list.topLeft(), QPoint(0, toPixels(480, find)));
        QCOMPARE(list.width(), toPixels(fromPixels(outer.width(), find) - 100, find));
        QVERIFY(qAbs(list.bottom() + 1 - toPixels(fromPixels(outer.height(), find) - 810 + 480, find)) <= 1);
        QCOMPARE(find->Combo_KeyWords->geometry(), combo);
        QCOMPARE(find->Command_Find->geometry(), button);
    }

    // Run by hand under Xvfb with QJL_SCREENSHOT_DIR set: the window with a few hits, for the documentation.
    void screenshotWithResults() {
        const QString folder = qEnvironmentVariable("QJL_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("QJL_SCREENSHOT_DIR not set");
        addSampleDiary();
        addEntry(QStringLiteral("shot"), QStringLiteral("雨中散步"), QStringLiteral("2009-09-06"),
                 QStringLiteral("星期日"), QStringLiteral("小雨"),
                 QStringLiteral("傍晚下起了小雨，撑伞去湖边走了一圈。\r\n回来煮了一壶茶。"));
        Form_Find* find = openFind();
        search(find, Weather, QStringLiteral("雨"));
        clickRow(find, 1);
        QVERIFY(QTest::qWaitForWindowExposed(find));
        QTest::qWait(200);
        QDir().mkpath(folder);
        QVERIFY(find->grab().save(QDir(folder).filePath(QStringLiteral("form_find.png"))));
    }
};

QTEST_MAIN(TestFormFind)
#include "tst_formfind.moc"
