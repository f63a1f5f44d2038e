// The platform layer: the window registry's load and unload, an imported text file's decoding and lines, and
// the smallest size a window may take.

#include "platform/FormRegistry.h"
#include "platform/TextCodec.h"
#include "platform/WindowSizeLimit.h"

#include <QApplication>
#include <QTest>

#include <utility>

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
        cancel = std::exchange(g_cancelNext, false);
    }
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
        // The close box takes the unload's path, which may cancel.
        g_cancelNext = true;
        QVERIFY(!probe->close());
        QVERIFY(forms().isLoaded<Probe>() && probe->isVisible());
        QVERIFY(probe->close());
        QCOMPARE(g_unloads, 2);
        QCOMPARE(ends, 0);
        QVERIFY(forms().unload<Other>());
        QCOMPARE(ends, 1);
        forms().get<Probe>(); // the next call loads a fresh window
        QCOMPARE(g_loads, 2);
        forms().setOnLastUnloaded([] {});
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
        WindowSizeLimit::remove(&window);
        window.resize(500, 200);
        QCOMPARE(window.size(), QSize(500, 200));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
