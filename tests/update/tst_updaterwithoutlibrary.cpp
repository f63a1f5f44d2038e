// The program without a usable updater library beside it: the update call is skipped without a word and
// everything goes on. Built twice, into a folder with no library and into one whose library lacks DoUpdate.

#include "update/Updater.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTest>
#include <QTimer>

class TestUpdaterWithoutLibrary : public QObject {
    Q_OBJECT
private slots:
    void folderHasNoUsableUpdater() {
        // Guards the premise: the build placed this test away from the real library.
        QLibrary library(QCoreApplication::applicationDirPath() + QStringLiteral("/update"));
        QVERIFY(!library.resolve("DoUpdate"));
    }

    void updateCallIsSkippedAndTheProgramGoesOn() {
        update::CallDoUpdate(1, update::updateTextAddress());
        update::CallDoUpdate(1, QStringLiteral("http://127.0.0.1:9/SiteBack/updateTxt/32.txt"));
        // The event loop still runs after the calls.
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
    }
};

QTEST_GUILESS_MAIN(TestUpdaterWithoutLibrary)
#include "tst_updaterwithoutlibrary.moc"
