// The window registry: each window loaded once, unloaded through a path that may cancel (the close box's as
// well), and the last unload ending the program. The tool tip of an item a list cuts.

#include "platform/CutTextDelegate.h"
#include "platform/FormRegistry.h"

#include <QApplication>
#include <QHelpEvent>
#include <QStandardItemModel>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QTreeView>

#include <utility>

using namespace platform;

namespace {
int g_loads = 0, g_unloads = 0;
bool g_cancelNext = false;

class Probe : public Form {
public:
    void Form_Load() override { ++g_loads; }
    void Form_Unload(bool& cancel) override { ++g_unloads, cancel = std::exchange(g_cancelNext, false); }
};
class Other : public Form {};
} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void formsLoadOnceUnloadCancellablyAndTheLastUnloadEndsTheProgram() {
        int ends = 0;
        forms().setOnLastUnloaded([&] { ++ends; });
        Probe* probe = forms().get<Probe>();
        QCOMPARE(forms().get<Probe>(), probe);
        QVERIFY(!probe->isVisible());
        forms().show<Probe>();
        forms().get<Other>(); // loaded, never shown
        QCOMPARE(g_loads, 1);
        g_cancelNext = true;
        QVERIFY(!probe->close() && forms().isLoaded<Probe>() && probe->isVisible());
        QVERIFY(probe->close());
        QCOMPARE(std::pair(g_unloads, ends), std::pair(2, 0));
        QVERIFY(forms().unload<Other>());
        QCOMPARE(ends, 1);
        forms().get<Probe>(); // the next call loads a fresh window
        QCOMPARE(g_loads, 2);
        forms().setOnLastUnloaded([] {});
    }

    void aCutItemShowsItsWholeTextAsToolTip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip"); // as the user reads it; empty: no tip
        const QString longTitle = QStringLiteral("<b>一个很长很长的标题</b>").repeated(4);
        const QString body = QStringLiteral("今天下雨。").repeated(100);
        QTest::newRow("shown whole") << QStringLiteral("雨") << QString();
        QTest::newRow("cut, markup shows as text") << longTitle << longTitle;
        QTest::newRow("a long body, its start") << body << body.left(300) + QChar(0x2026);
    }
    void aCutItemShowsItsWholeTextAsToolTip() {
        QFETCH(QString, text);
        QStandardItemModel model;
        model.appendRow(new QStandardItem(text));
        QTreeView list;
        list.setModel(&model);
        list.setItemDelegate(new CutTextDelegate(&list));
        list.resize(200, 100);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QToolTip::hideText();
        const QPoint at = list.visualRect(model.index(0, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &help);
        QTextDocument shown;
        shown.setHtml(QToolTip::isVisible() ? QToolTip::text() : QString());
        QTEST(shown.toPlainText(), "tip");
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
