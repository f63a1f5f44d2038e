// The main window's own banner page: this day in earlier years of the signed-in account only, newest first;
// the account's totals; every text from an entry shown as text.

#include "support/TestSupport.h"

#include "app/BannerPage.h"

#include <QTest>

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
} // namespace

class TestBannerPage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::enterTestMode(); }

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
        const app::BannerData data = app::readBannerData(*diary.open(), user, QDate(2009, 9, 8));
        QList<int> foundYears;
        QStringList foundTitles;
        for (const app::PastEntry& entry : data.onThisDay)
            foundYears << entry.year, foundTitles << entry.title;
        QCOMPARE(foundYears, years);
        QCOMPARE(foundTitles, titles);
        QTEST(data.entries, "entries");
        QTEST(data.daysThisYear, "daysThisYear");
        QTEST(data.characters, "characters");
    }

    void thePageShowsEntryTextsAsText() {
        app::BannerData data;
        data.today = QDate(2009, 9, 8);
        const QString quiet = app::mainWindowBannerPage(data, QStringLiteral("Noto Sans CJK SC"));
        QVERIFY(quiet.contains(QStringLiteral("<title>青简录</title>")));
        QVERIFY(quiet.contains(QStringLiteral("2009年9月8日 星期二")));
        QVERIFY(quiet.contains(QStringLiteral("往年的今天还没有日记")));
        data.onThisDay = {{2008, QStringLiteral("<script>alert(1)</script>&amp;")}};
        const QString page = app::mainWindowBannerPage(data, QStringLiteral("\"</style><script>"));
        QVERIFY(!page.contains(QStringLiteral("<script")));
        QVERIFY(page.contains(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt;&amp;amp;")));
        QVERIFY(app::editorBannerPage(QDate(2009, 9, 8), {}).contains(QStringLiteral("2009年9月8日　星期二")));
    }
};

QTEST_MAIN(TestBannerPage)
#include "tst_bannerpage.moc"
