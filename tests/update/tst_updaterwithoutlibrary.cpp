// The program without a usable updater library beside it: the update call is skipped without a word and
// everything goes on. Built twice, into a folder with no library and into one whose library lacks DoUpdate.

#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTest>
#include <QTimer>

using platform::forms;

class TestUpdaterWithoutLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
    }
    void cleanup() { testsupport::resetProgramState(); }

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
        QVERIFY(platform::MessageBox::shown().empty());
    }

    void mainWindowWorksOnAfterItsUpdateTick() {
        testsupport::TempDiary diary;
        CurrentUser = QStringLiteral("zhang");
        Form_View* view = forms().show<Form_View>();
        QVERIFY(view->Timer_Update->isActive());

        QTRY_VERIFY_WITH_TIMEOUT(!view->Timer_Update->isActive(), 10000); // the tick has run
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(platform::MessageBox::shown().empty());
        // And the window still does its work: the write command hands over to the editor.
        view->Command_Insert_Click();
        QVERIFY(forms().isLoaded<Form_Write>());
        QVERIFY(forms().unload<Form_Write>());
        QVERIFY(forms().isLoaded<Form_View>());
    }
};

QTEST_MAIN(TestUpdaterWithoutLibrary)
#include "tst_updaterwithoutlibrary.moc"
