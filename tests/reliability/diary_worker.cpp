// qjl_diary_worker: another copy of the program, in the reliability tests' hands.
//
//   qjl_diary_worker save <folder> <series> <first-number> <count>
//       Signs in as the account <series> on <folder>/data.mdb and saves entries of that series (contents from
//       Reliability.h) through the main window and the editor, <count> of them or, for 0, until killed.
//       Every fourth save changes an entry saved earlier in this run. Prints "ready" once signed in, waits
//       for a line on its standard input (so that two copies can be started together), then prints one line
//       per save that returned, "saved <n> <version>" or "failed <n> <what the user was shown>",
//       each flushed at once.
//
//   qjl_diary_worker hold <path> <ms>
//       Opens the database file exclusively, prints "holding" and keeps it for <ms> milliseconds.
//
//   qjl_diary_worker backup <folder>
//       Prints "started", backs <folder>/data.mdb up if a backup is due, as a sign-in does, and prints
//       "backup <made|not-due|cancelled|failed>".

#include "Reliability.h"

#include "db/Backup.h"

#include <cstdio>

using namespace reliability;

namespace {

void say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Writes the entry in the editor as a user would, from the main window, and presses Save.
bool save(const QString& series, int number, int revision) {
    const QStringList fields = entry(series, number, revision);
    Form_View* view = forms().loaded<Form_View>();
    if (revision > 0) // the entry's node selected, as a click would
        view->TreeView_Diary->selectNode(int(nodeTexts(view).indexOf(fields[0])) + 1);
    const QStringList shown = saveEntry(revision > 0, fields);
    if (shown.isEmpty())
        return true;
    say(QStringLiteral("failed %1 %2").arg(number).arg(shown.join('|')));
    forms().resetForTests();
    forms().show<Form_View>();
    return false;
}

int runSaves(const QStringList& args) {
    dao::setProgramFolderForTests(args[2]);
    enterTestMode();
    update::setUpdateCallObserverForTests([](quint32, const QString&) {});
    DiaryDb = dao::OpenDiaryDatabase(); // what a sign-in leaves behind
    CurrentUser = args[3];
    forms().show<Form_View>();
    say("ready");
    if (char go[8]; !std::fgets(go, sizeof go, stdin))
        return 3;
    Versions versions;
    int next = args[4].toInt();
    for (int done = 1; args[5].toInt() == 0 || done <= args[5].toInt(); ++done) {
        const bool change = done % 4 == 0 && !versions.empty();
        const int number = change ? std::next(versions.begin(), done * 7 % int(versions.size()))->first : next++;
        const int revision = change ? versions[number] + 1 : 0;
        if (save(args[3], number, revision)) {
            versions[number] = revision;
            say(QStringLiteral("saved %1 %2").arg(number).arg(revision));
        }
    }
    forms().resetForTests();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 6 && args[1] == "save")
        return runSaves(args);
    if (args.size() == 3 && args[1] == "backup") {
        dao::setProgramFolderForTests(args[2]);
        say("started");
        const char* kinds[] = {"made", "not-due", "cancelled", "failed"};
        say(QStringLiteral("backup ") +
            kinds[int(dao::backup::backUpIfDue(dao::diaryDatabasePath(), QDateTime::currentDateTime(), false).kind)]);
        return 0;
    }
    if (args.size() != 4 || args[1] != "hold")
        return 2;
    // Another copy holding the file: opened exclusively, kept for the milliseconds given.
    const auto held = dao::OpenDatabase(args[2], true, false, dao::diaryConnect());
    say("holding");
    QThread::msleep(args[3].toULong());
    return 0;
}
