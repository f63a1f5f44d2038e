// qjl_diary_worker: another copy of the program, in the reliability tests' hands.
//
//   qjl_diary_worker save <folder> <series> <first-number> <count>
//       Signs in as the account <series> on <folder>/data.mdb and saves entries of that series (contents from
//       Reliability.h) through the main window and the editor, <count> of them or, for 0, until killed.
//       Every fourth save changes an entry saved earlier in this run. Prints "ready" once signed in, then
//       one line per save that returned, "saved <n> <version>" or "failed <n> <what the user was shown>",
//       each flushed at once.
//
//   qjl_diary_worker hold <path> [<ms>]
//       Opens the database file exclusively, prints "holding" and keeps it until its input closes, or for
//       <ms> milliseconds.
//
//   qjl_diary_worker signin <folder> <name> <password>
//       Signs in through the login window, prints "signed in", waits for the backup the sign-in starts and
//       prints "backup <made|not-due|cancelled|failed> <path or reason>".

#include "Reliability.h"

#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/AutoBackup.h"
#include "app/Globals.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/login/FormLogin.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QApplication>
#include <QThread>

#include <cstdio>
#include <string>

using platform::forms;
using platform::MessageBox;

namespace {

void say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Writes the entry in the editor as a user would, from the main window, and presses Save.
bool save(const QString& series, int number, int revision) {
    const QString title = reliability::entryTitle(series, number);
    Form_View* view = forms().loaded<Form_View>();
    if (revision > 0)
        view->TreeView_Diary->selectNode(int(testsupport::nodeTexts(view).indexOf(title)) + 1);
    revision > 0 ? view->Command_Updata_Click() : view->Command_Insert_Click();
    if (Form_Write* editor = forms().loaded<Form_Write>()) {
        editor->Text_DiaryTitle->setText(title);
        editor->Combo_DiaryWeather->setEditText(reliability::entryWeather(number, revision));
        editor->RichTextBox_DiaryText->setStoredText(reliability::entryBody(series, number, revision));
        editor->Command_Insert_Click();
    }
    // Only the question "确定保存吗？" is shown on a save that worked.
    const QStringList shown = MessageBox::shownTexts();
    MessageBox::clearShown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (shown.size() == 1 && !forms().isLoaded<Form_Write>() && forms().isLoaded<Form_View>())
        return true;
    say(QStringLiteral("failed %1 %2").arg(number).arg(shown.join(QLatin1Char('|'))));
    forms().resetForTests();
    forms().show<Form_View>();
    return false;
}

int runSaves(const QStringList& args) {
    const QString series = args[3];
    dao::setProgramFolderForTests(args[2]);
    testsupport::enterTestMode();
    update::setUpdateCallObserverForTests(testsupport::ignoreUpdateCall);
    try {
        DiaryDb = dao::OpenDiaryDatabase(); // what a sign-in leaves behind
    } catch (const dao::DaoError& error) {
        say(QStringLiteral("failed 0 %1 %2").arg(error.number()).arg(error.description()));
        return 2;
    }
    CurrentUser = series;
    forms().show<Form_View>();
    say(QStringLiteral("ready"));
    reliability::Versions versions;
    std::vector<int> saved;
    int next = args[4].toInt();
    for (int done = 1; args[5].toInt() == 0 || done <= args[5].toInt(); ++done) {
        const bool change = done % 4 == 0 && !saved.empty();
        const int number = change ? saved[std::size_t(done * 7) % saved.size()] : next++;
        const int revision = change ? versions[number] + 1 : 0;
        if (!save(series, number, revision))
            continue;
        if (!change)
            saved.push_back(number);
        versions[number] = revision;
        say(QStringLiteral("saved %1 %2").arg(number).arg(revision));
    }
    forms().resetForTests();
    return 0;
}

int holdExclusively(const QString& path, int milliseconds) {
    std::shared_ptr<dao::Database> held;
    try {
        held = dao::OpenDatabase(path, true, false, QStringLiteral(";Pwd=") + QLatin1String(dao::kDiaryPassword));
    } catch (const dao::DaoError& error) {
        say(QStringLiteral("failed 0 %1 %2").arg(error.number()).arg(error.description()));
        return 2;
    }
    say(QStringLiteral("holding"));
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    else
        while (std::getchar() != std::char_traits<char>::eof()) {
        }
    return 0;
}

void reportBackup(const dao::backup::Outcome& outcome) {
    using Kind = dao::backup::Outcome::Kind;
    const char* kind = outcome.kind == Kind::Made        ? "made"
                       : outcome.kind == Kind::NotDue    ? "not-due"
                       : outcome.kind == Kind::Cancelled ? "cancelled"
                                                         : "failed";
    say(QStringLiteral("backup %1 %2")
            .arg(QLatin1String(kind), outcome.kind == Kind::Made ? outcome.path : outcome.reason));
}

int signIn(const QString& folder, const QString& name, const QString& password) {
    dao::setProgramFolderForTests(folder);
    MessageBox::setTestMode(true);
    update::setUpdateCallObserverForTests(testsupport::ignoreUpdateCall);
    forms().setOnLastUnloaded([] {});
    Form_Login* login = forms().show<Form_Login>();
    login->Combo_UserName->setEditText(name);
    login->Text_PassWord->setText(password);
    login->Command_Login_Click();
    if (!forms().isLoaded<Form_View>() || !MessageBox::shownTexts().isEmpty()) {
        say(QStringLiteral("failed 0 %1").arg(MessageBox::shownTexts().join(QLatin1Char('|'))));
        return 2;
    }
    say(QStringLiteral("signed in"));
    reportBackup(app::waitForBackupForTests());
    forms().resetForTests();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 6 && args[1] == QLatin1String("save"))
        return runSaves(args);
    if ((args.size() == 3 || args.size() == 4) && args[1] == QLatin1String("hold"))
        return holdExclusively(args[2], args.value(3).toInt());
    if (args.size() == 5 && args[1] == QLatin1String("signin"))
        return signIn(args[2], args[3], args[4]);
    std::fputs("usage: qjl_diary_worker save <folder> <series> <first> <count>\n"
               "       qjl_diary_worker hold <path> [<ms>]\n"
               "       qjl_diary_worker signin <folder> <name> <password>\n",
               stderr);
    return 2;
}
