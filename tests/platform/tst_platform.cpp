#include "platform/DateLocale.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/TextCodec.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"

#include <QApplication>
#include <QTest>

using namespace platform;

namespace {
int g_loads = 0;
int g_unloads = 0;
bool g_cancelNext = false;

class Probe : public Form {
public:
    void Form_Load() override { ++g_loads; }
    void Form_Unload(bool& cancel) override {
        ++g_unloads;
        if (g_cancelNext) {
            cancel = true;
            g_cancelNext = false;
        }
    }
};
class Other : public Form {};
} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void init() {
        g_loads = g_unloads = 0;
        g_cancelNext = false;
        forms().resetForTests();
    }

    void formIsLoadedOnceAndNotShownByACall() {
        Probe* a = forms().get<Probe>();
        Probe* b = forms().get<Probe>();
        QCOMPARE(a, b);
        QCOMPARE(g_loads, 1);
        QVERIFY(!a->isVisible());
        forms().show<Probe>();
        QVERIFY(a->isVisible());
        QCOMPARE(g_loads, 1);
    }

    void unloadCanBeCancelledAndCloseBoxTakesTheSamePath() {
        Probe* probe = forms().show<Probe>();
        g_cancelNext = true;
        QVERIFY(!probe->close());
        QVERIFY(forms().isLoaded<Probe>());
        QVERIFY(probe->isVisible());
        QVERIFY(probe->close());
        QCOMPARE(g_unloads, 2);
        QVERIFY(!forms().isLoaded<Probe>());
        // The next call loads a fresh window.
        forms().get<Probe>();
        QCOMPARE(g_loads, 2);
    }

    void programEndsWhenTheLastLoadedWindowUnloads() {
        int ends = 0;
        forms().setOnLastUnloaded([&] { ++ends; });
        forms().show<Probe>();
        forms().get<Other>(); // loaded, never shown
        QVERIFY(forms().unload<Probe>());
        QCOMPARE(ends, 0);
        QVERIFY(forms().unload<Other>());
        QCOMPARE(ends, 1);
        forms().setOnLastUnloaded([] {});
    }

    void messageBoxesAreRecordedAndAnswered() {
        MessageBox::setTestMode(true);
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        QCOMPARE(MessageBox::show({QStringLiteral("问"), QStringLiteral("青简录"), MessageBox::Buttons::YesNo,
                                   MessageBox::Answer::Yes}),
                 MessageBox::Answer::No);
        // Without a queued answer a question takes its default button.
        QCOMPARE(
            MessageBox::show({QStringLiteral("再问"), QString(), MessageBox::Buttons::YesNo, MessageBox::Answer::Yes}),
            MessageBox::Answer::Yes);
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[0].text, QStringLiteral("问"));
        QCOMPARE(shown[1].title, MessageBox::applicationTitle()); // no title of its own: the application's
        MessageBox::setTestMode(false);
    }

    void fileDialogFilterShowsOneTextType() {
        QCOMPARE(FileDialog::toQtFilter(QStringLiteral("*.txt(文本文件) | *.txt")),
                 QStringLiteral("*.txt(文本文件) (*.txt)"));
        QCOMPARE(FileDialog::toQtFilter(QStringLiteral("所有文件|*.*")), QStringLiteral("所有文件 (*.*)"));
    }

    void textFileDecoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString chinese = QStringLiteral("今天下雨");
        QTest::newRow("gbk") << QByteArray::fromHex("bdf1cceccfc2d3ea") << chinese;
        QTest::newRow("utf8 without bom") << chinese.toUtf8() << chinese;
        QTest::newRow("utf8 with bom") << QByteArray("\xEF\xBB\xBF") + chinese.toUtf8() << chinese;
        QTest::newRow("utf16le bom") << QByteArray("\xFF\xFE") +
                                            QByteArray(reinterpret_cast<const char*>(chinese.utf16()),
                                                       chinese.size() * 2)
                                     << chinese;
        QTest::newRow("ascii") << QByteArray("plain") << QStringLiteral("plain");
        QTest::newRow("truncated utf8 falls back to gb18030")
            << QByteArray("\xE4\xBB") << TextCodec::fromAnsi("\xE4\xBB");
    }
    void textFileDecoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(TextCodec::decodeTextFile(bytes), expected);
    }

    void ansiRoundTripsEveryCharacter() {
        const QString text = QStringLiteral("标题：€ 𠀀 😀 Ä ’");
        const QByteArray bytes = TextCodec::toAnsi(text);
        QVERIFY(!bytes.contains('?'));
        QCOMPARE(TextCodec::fromAnsi(bytes), text);
        // GBK characters are written exactly as GBK writes them.
        QCOMPARE(TextCodec::toAnsi(QStringLiteral("标题")), QByteArray::fromHex("b1eacce2"));
    }

    void dateAndWeekdayFollowTheLocale() {
        DateLocale::setLocaleForTests(QLocale(QLocale::Chinese, QLocale::China));
        DateLocale::setTodayForTests(QDate(2009, 9, 8));
        QCOMPARE(DateLocale::shortDate(DateLocale::today()), QStringLiteral("2009/9/8"));
        QCOMPARE(DateLocale::weekdayName(DateLocale::today()), QStringLiteral("星期二"));
        DateLocale::resetForTests();
    }

    void twipsRoundEdgesNotSizes() {
        const QRect r = Twips::rect(120, 120, 5295, 2415);
        const double scale = Twips::pixelsPerTwip();
        QCOMPARE(r.left(), qRound(120 * scale));
        QCOMPARE(r.left() + r.width(), qRound((120 + 5295) * scale));
    }

    void sizeLimitHoldsWhileInstalled() {
        QWidget window;
        window.resize(1200, 600);
        WindowSizeLimit::install(&window, QSize(1024, 486));
        window.show();
        const QSize frame = WindowSizeLimit::frameExtent(&window);
        window.resize(500, 200);
        QCOMPARE(window.width() + frame.width(), 1024);
        QCOMPARE(window.height() + frame.height(), 486);
        window.resize(1300, 700);
        QCOMPARE(window.size(), QSize(1300, 700));
        WindowSizeLimit::remove(&window);
        window.resize(500, 200);
        QCOMPARE(window.size(), QSize(500, 200));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
