// Sign-in through the login window until the main window is shown and painted, with the tree of the
// measured account: "ours" while a backup of the same data.mdb runs (started as a sign-in starts it, on its
// own thread), "bare" with none. The backup is made to go on through the whole measured step; it is stopped
// and its folder removed between steps.

#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "app/AutoBackup.h"
#include "app/BackgroundWork.h"
#include "app/Globals.h"
#include "db/DiaryDatabase.h"
#include "platform/FormRegistry.h"
#include "ui/login/FormLogin.h"
#include "ui/view/FormView.h"

#include <QDir>
#include <QThread>

namespace measures {
namespace {

constexpr long long kEntries = 100000;

// The login window loaded on the diary with the measured account typed in; a backup running when asked.
Form_Login* readyToSignIn(long long n, bool backupRunning) {
    platform::forms().resetForTests();
    app::resetGlobals();
    dao::setProgramFolderForTests(benchenv::diaryFolder(n));
    Form_Login* login = platform::forms().show<Form_Login>();
    login->Combo_UserName->setEditText(benchgen::measuredAccount().name);
    login->Text_PassWord->setText(benchgen::measuredAccount().password);
    benchenv::settle();
    if (backupRunning) {
        app::setAutoBackupForTests(true);
        app::backUpAfterSignIn();
        // The sign-in's own call must not replace it, nor start one on the side without.
        app::setAutoBackupForTests(false);
        // Past the key derivations, into the copy.
        QThread::msleep(300);
    }
    return login;
}

void afterSignIn(long long n) {
    if (!platform::forms().isLoaded<Form_View>())
        benchenv::fatal(QStringLiteral("the sign-in did not show the main window"));
    platform::forms().loaded<Form_View>()->Timer_Update->stop();
    // The banner's character count of this sign-in is not carried into the next one's measured step.
    app::BackgroundWork::current()->stopCount();
    app::stopBackup();
    QDir(benchenv::diaryFolder(n) + QStringLiteral("/backup")).removeRecursively();
}

void signInPair(benchmark::State& state, long long n) {
    app::setAutoBackupForTests(false);
    Turns turns(state);
    auto signIn = [&](const char* side, bool backupRunning) {
        Form_Login* login = readyToSignIn(n, backupRunning);
        turns.time(side, [&] {
            login->Command_Login_Click();
            benchenv::settle();
        });
        afterSignIn(n);
    };
    for (auto _ : state) {
        turns.both([&] { signIn("ours", true); }, [&] { signIn("bare", false); });
        turns.next();
    }
    turns.report();
    // Back to what the other measures expect: the main window on this diary, no backups.
    platform::forms().resetForTests();
    benchenv::useDiary(n);
}

} // namespace

void registerBackup() {
    add("signin_during_backup", "pair", kEntries, signInPair, 5);
}

} // namespace measures
