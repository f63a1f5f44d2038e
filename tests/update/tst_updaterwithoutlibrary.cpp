// The program without a usable updater library beside it: the update call is skipped without a word and
// returns. Built twice, into a folder with no library and into one whose library lacks DoUpdate.

#include "support/TestSupport.h"

#include "platform/MessageBox.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTest>

class TestUpdaterWithoutLibrary : public QObject {
    Q_OBJECT
private slots:
    void updateCallIsSkippedWithoutAWord() {
        // The build placed this test away from the real library.
        QVERIFY(!QLibrary(QCoreApplication::applicationDirPath() + QStringLiteral("/update")).resolve("DoUpdate"));
        testsupport::enterTestMode();
        update::CallDoUpdate(0, update::updateTextAddress());
        QVERIFY(platform::MessageBox::shown().empty());
    }
};

QTEST_MAIN(TestUpdaterWithoutLibrary)
#include "tst_updaterwithoutlibrary.moc"
