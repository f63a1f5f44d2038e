// The main window's own banner page: this day in earlier years of the signed-in account only, newest first;
// the account's totals, the character total counted apart and shown once it is known; every text from an
// entry shown as text; a total that comes too late for its window or account never shown.

#include "support/TestSupport.h"

#include "app/BackgroundWork.h"
#include "app/BannerPage.h"
#include "app/DiaryStore.h"
#include "app/Globals.h"
#include "db/DiaryDatabase.h"
#include "ui/view/FormView.h"

#include <QTest>

#include <thread>

namespace {
// Today is 2009-09-08 (test mode).
void addDiary(testsupport::TempDiary& diary) {
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("七年前"), QStringLiteral("2002-09-08"), {}, {},
                   QStringLiteral("a b"));
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("去年"), QStringLiteral("2008-09-08"), {}, {},
                   QStringLiteral("你好 世界\r\n"));
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("<script>alert(1)</script>"), QStringLiteral("2008/9/8"));
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("今天"), QStringLiteral("2009-09-08"), {}, {},
                   QStringLiteral("𠀀x"));
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("前天"), QStringLiteral("2009-09-06"));
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("去年的明天"), QStringLiteral("2008-09-09"));
    diary.addEntry(QStringLiteral("zhang"), QStringLiteral("没有日期"), QString());
    diary.addEntry(QStringLiteral("li"), QStringLiteral("李的去年"), QStringLiteral("2008-09-08"), {}, {},
                   QStringLiteral("李"));
}

QString charactersRow(const QString& figure) {
    return QStringLiteral("字数</td><td class=\"n\">") + figure + QStringLiteral("<");
}
} // namespace

class TestBannerPage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::enterTestMode(); }
    void cleanup() { testsupport::resetProgramState(); }

    void thisDayInEarlierYearsAndTotalsOfTheAccount_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QList<int>>("years");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<qint64>("entries");
        QTest::addColumn<int>("daysThisYear");
        QTest::addColumn<qint64>("characters");
        QTest::newRow("zhang") << QStringLiteral("zhang") << QList<int>{2008, 2008, 2002}
                               << QStringList{QStringLiteral("<script>alert(1)</script>"), QStringLiteral("去年"),
                                              QStringLiteral("七年前")}
                               << qint64(7) << 2 << qint64(2 + 4 + 2);
        QTest::newRow("li") << QStringLiteral("li") << QList<int>{2008} << QStringList{QStringLiteral("李的去年")}
                            << qint64(1) << 0 << qint64(1);
        QTest::newRow("nobody") << QStringLiteral("wang") << QList<int>{} << QStringList{} << qint64(0) << 0
                                << qint64(0);
    }
    void thisDayInEarlierYearsAndTotalsOfTheAccount() {
        QFETCH(QString, user);
        QFETCH(QList<int>, years);
        QFETCH(QStringList, titles);
        testsupport::TempDiary diary;
        addDiary(diary);
        app::DiaryStore store(diary.open());
        const app::BannerData data = app::bannerDataOf(store.entriesOf(user), QDate(2009, 9, 8));
        QList<int> foundYears;
        QStringList foundTitles;
        for (const app::PastEntry& entry : data.onThisDay)
            foundYears << entry.year, foundTitles << entry.title;
        QCOMPARE(foundYears, years);
        QCOMPARE(foundTitles, titles);
        QTEST(data.entries, "entries");
        QTEST(data.daysThisYear, "daysThisYear");
        QVERIFY(!data.characters);
        const std::atomic<bool> stop{false};
        QTEST(app::countCharacters(diary.databasePath(), dao::diaryConnect(), user, stop).value_or(-1), "characters");
    }

    // The numeric forms are read without the locale's parser; every form reads as the editor wrote it.
    void entryDates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("dashes") << QStringLiteral("2009-09-08") << QDate(2009, 9, 8);
        QTest::newRow("slashes, short") << QStringLiteral(" 2009/9/8 ") << QDate(2009, 9, 8);
        QTest::newRow("Chinese") << QStringLiteral("2009年9月8日") << QDate(2009, 9, 8);
        QTest::newRow("no such day") << QStringLiteral("2009-02-30") << QDate();
        QTest::newRow("mixed separators") << QStringLiteral("2009-9/8") << QDate();
    }
    void entryDates() {
        QFETCH(QString, text);
        QTEST(app::parseEntryDate(text), "date");
    }

    void thePageShowsEntryTextsAsText() {
        app::BannerData data;
        data.today = QDate(2009, 9, 8);
        const QString quiet = app::mainWindowBannerPage(data, QStringLiteral("Noto Sans CJK SC"));
        QVERIFY(quiet.contains(QStringLiteral("<title>青简录</title>")));
        QVERIFY(quiet.contains(QStringLiteral("2009年9月8日 星期二")));
        QVERIFY(quiet.contains(QStringLiteral("往年的今天还没有日记")));
        QVERIFY(quiet.contains(charactersRow(QStringLiteral("…"))));
        data.onThisDay = {{2008, QStringLiteral("<script>alert(1)</script>&amp;")}};
        const QString page = app::mainWindowBannerPage(data, QStringLiteral("\"</style><script>"));
        QVERIFY(!page.contains(QStringLiteral("<script")));
        QVERIFY(page.contains(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt;&amp;amp;")));
        QVERIFY(app::editorBannerPage(QDate(2009, 9, 8), {}).contains(QStringLiteral("2009年9月8日　星期二")));
    }

    // The main window opens with the total still being counted and shows it once it arrives; a window loaded
    // for another account before shows nothing of that account's total.
    void theWindowShowsTheTotalOnceCounted_data() {
        QTest::addColumn<QString>("earlierUser");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("characters");
        QTest::newRow("one load") << QString() << QStringLiteral("zhang") << QStringLiteral("8");
        QTest::newRow("after another account")
            << QStringLiteral("zhang") << QStringLiteral("li") << QStringLiteral("1");
    }
    void theWindowShowsTheTotalOnceCounted() {
        QFETCH(QString, earlierUser);
        QFETCH(QString, user);
        QFETCH(QString, characters);
        testsupport::TempDiary diary;
        addDiary(diary);
        if (!earlierUser.isEmpty()) {
            CurrentUser = earlierUser;
            platform::forms().show<Form_View>();
            QVERIFY(platform::forms().unload<Form_View>());
        }
        CurrentUser = user;
        Form_View* view = platform::forms().show<Form_View>();
        QVERIFY(view->WebBrowser_Ad->fallbackPage().contains(charactersRow(QStringLiteral("…"))));
        QTRY_VERIFY(view->WebBrowser_Ad->fallbackPage().contains(charactersRow(characters)));
        QTest::qWait(100);
        QVERIFY(view->WebBrowser_Ad->fallbackPage().contains(charactersRow(characters)));
    }

    // Only the latest count hands its total over, and a stopped one hands nothing, even when its total was
    // already on its way.
    void aTotalTooLateIsDropped_data() {
        QTest::addColumn<bool>("secondStarted"); // else the first is stopped
        QTest::addColumn<QList<qint64>>("handedOver");
        QTest::newRow("overtaken") << true << QList<qint64>{2};
        QTest::newRow("stopped") << false << QList<qint64>{};
    }
    void aTotalTooLateIsDropped() {
        QFETCH(bool, secondStarted);
        QFETCH(QList<qint64>, handedOver);
        QList<qint64> handed;
        std::atomic<bool> firstReturned{false};
        app::BackgroundWork work;
        auto count = [&](qint64 total) {
            return [&, total](const std::atomic<bool>&) -> std::optional<qint64> {
                firstReturned = true;
                return total;
            };
        };
        work.startCount(count(1), [&](qint64 total) { handed << total; });
        // No event loop meanwhile: the first total is posted and comes in only after the second count began.
        while (!firstReturned)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (secondStarted)
            work.startCount(count(2), [&](qint64 total) { handed << total; });
        else
            work.stopCount();
        QTRY_COMPARE(handed, handedOver);
        QTest::qWait(100);
        QCOMPARE(handed, handedOver);
    }
};

QTEST_MAIN(TestBannerPage)
#include "tst_bannerpage.moc"
