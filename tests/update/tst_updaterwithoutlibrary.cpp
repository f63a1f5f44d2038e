// The program without a usable updater library beside it: the update call is skipped without a word and
// everything goes on. Built twice, into a folder with no library and into one whose library lacks DoUpdate.

#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTest>

class TestUpdaterWithoutLibrary : public QObject {
    Q_OBJECT
private slots:
    void mainWindowWorksOnAfterItsUpdateTick() {
        // The build placed this test away from the real library.
        QVERIFY(!QLibrary(QCoreApplication::applicationDirPath() + QStringLiteral("/update")).resolve("DoUpdate"));
        testsupport::enterTestMode();
        InitControlClasses();
        testsupport::TempDiary diary;
        CurrentUser = QStringLiteral("zhang");
        Form_View* view = platform::forms().show<Form_View>();

        QTRY_VERIFY_WITH_TIMEOUT(!view->Timer_Update->isActive(), 10000); // the tick has run
        QVERIFY(platform::MessageBox::shown().empty());
        QVERIFY(view->isVisible());
        testsupport::resetProgramState();
    }
};

QTEST_MAIN(TestUpdaterWithoutLibrary)
#include "tst_updaterwithoutlibrary.moc"
