// The window registry: each window loaded once, unloaded through a path that may cancel (the close box's as
// well), and the last unload ending the program.

#include "platform/FormRegistry.h"

#include <QApplication>
#include <QTest>

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
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
