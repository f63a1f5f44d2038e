// qjl_diary_worker: another copy of the program, in the reliability tests' hands.
//
//   qjl_diary_worker save <folder> <series> <first-number> <count> window|direct
//       Signs in as the account <series> on <folder>/data.mdb and saves entries of that series (contents
//       from EntryContent.h), <count> of them or, for 0, until killed. Every fourth save changes an entry
//       saved earlier in this run instead. "window" drives the main window and the editor offscreen (the
//       save question answered Yes); "direct" sends the statements the editor sends. Prints "ready" once
//       signed in, then one line per save that returned: "saved <n>" or "changed <n> <version>", or
//       "failed <n> <what the user was shown>"; each line is flushed at once.
//
//   qjl_diary_worker hold <path> [<ms>]
//       Opens the database file exclusively, prints "holding" and keeps it until its input closes, or for
//       <ms> milliseconds.
//
//   qjl_diary_worker signin <folder> <name> <password>
//       Signs in through the login window, prints "signed in", waits for the backup the sign-in starts and
//       prints "backup <made|not-due|cancelled|failed> <path or reason>".

#include "EntryContent.h"

#include "app/AutoBackup.h"
#include "app/Globals.h"
#include "app/SqlText.h"
#include "db/DiaryDatabase.h"
#include "platform/DateLocale.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/login/FormLogin.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QApplication>
#include <QThread>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using platform::forms;
using platform::MessageBox;

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void ignoreUpdateCall(quint32, const QString&) {}

// One save: a new entry, or a new version of one saved earlier.
struct Save {
    int number = 0;
    int revision = 0; // 0: a new entry
};

// Which entries this run saves, and which it changes.
class Plan {
public:
    explicit Plan(int firstNumber) : m_next(firstNumber) {}
    Save next() {
        ++m_saves;
        if (m_saves % 4 == 0 && !m_saved.empty()) {
            const int number = m_saved[std::size_t(m_saves * 7) % m_saved.size()];
            return {number, m_revisions[number] + 1};
        }
        return {m_next++, 0};
    }
    void done(const Save& save) {
        if (save.revision == 0)
            m_saved.push_back(save.number);
        m_revisions[save.number] = save.revision;
    }

private:
    int m_next;
    int m_saves = 0;
    std::vector<int> m_saved;
    std::map<int, int> m_revisions;
};

void report(const Save& save) {
    if (save.revision == 0)
        say(QStringLiteral("saved %1").arg(save.number));
    else
        say(QStringLiteral("changed %1 %2").arg(save.number).arg(save.revision));
}

QString today() {
    return platform::DateLocale::shortDate(platform::DateLocale::today());
}
QString weekday() {
    return platform::DateLocale::weekdayName(platform::DateLocale::today());
}

// The entry key of the user's entry with the given title, read from the database.
QString keyOfTitle(const QString& user, const QString& title) {
    auto records = DiaryDb->OpenRecordset(sql::selectDiaryOfUser(user));
    while (!records->EOF()) {
        if (dao::fieldText(records->Fields(QStringLiteral("diarytitle"))) == title)
            return sql::entryKey(dao::fieldText(records->Fields(QStringLiteral("id"))));
        records->MoveNext();
    }
    return QString();
}

// Sends what the editor sends on Save; the list is read afresh now and then, as the main window does.
bool saveDirect(const QString& series, const Save& save, int count) {
    try {
        if (count > 0 && count % 10 == 0)
            DiaryDb = dao::OpenDiaryDatabase();
        const QString title = reliability::entryTitle(series, save.number);
        const QString weather = reliability::entryWeather(save.number, save.revision);
        const QString body = reliability::entryBody(series, save.number, save.revision);
        if (save.revision == 0) {
            DiaryDb->Execute(sql::insertDiary(CurrentUser, title, today(), weekday(), weather, body));
        } else {
            const QString key = keyOfTitle(CurrentUser, sql::entryText(title));
            if (key.isEmpty()) {
                say(QStringLiteral("failed %1 entry not found").arg(save.number));
                return false;
            }
            DiaryDb->Execute(sql::updateDiary(title, today(), weekday(), weather, body, key));
        }
        return true;
    } catch (const dao::DaoError& error) {
        say(QStringLiteral("failed %1 %2 %3").arg(save.number).arg(error.number()).arg(error.description()));
        return false;
    }
}

// The node of the main window's tree whose text is the title; 0 when there is none.
int nodeOfTitle(const Form_View* view, const QString& title) {
    for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
        if (view->TreeView_Diary->node(i)->text == title)
            return i;
    return 0;
}

// Writes the entry in the editor as a user would, from the main window, and presses Save.
bool saveThroughWindows(const QString& series, const Save& save) {
    Form_View* view = forms().loaded<Form_View>();
    const QString title = reliability::entryTitle(series, save.number);
    if (save.revision == 0) {
        view->Command_Insert_Click();
    } else {
        view->TreeView_Diary->selectNode(nodeOfTitle(view, sql::entryText(title)));
        view->Command_Updata_Click();
    }
    Form_Write* editor = forms().loaded<Form_Write>();
    QStringList shown = MessageBox::shownTexts();
    MessageBox::clearShown();
    if (editor) {
        editor->Text_DiaryTitle->setText(title);
        editor->Combo_DiaryWeather->setEditText(reliability::entryWeather(save.number, save.revision));
        editor->RichTextBox_DiaryText->setStoredText(reliability::entryBody(series, save.number, save.revision));
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        editor->Command_Insert_Click();
        shown = MessageBox::shownTexts();
        MessageBox::clearShown();
        // Only the question "确定保存吗？" is shown on a save that worked.
        if (shown.size() == 1 && !forms().isLoaded<Form_Write>() && forms().isLoaded<Form_View>()) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return true;
        }
    }
    say(QStringLiteral("failed %1 %2").arg(save.number).arg(shown.join(QLatin1Char('|'))));
    // Back to a main window for the next save.
    forms().resetForTests();
    forms().show<Form_View>();
    return false;
}

int runSaves(const QStringList& args) {
    const QString folder = args[2], series = args[3];
    const int first = args[4].toInt(), count = args[5].toInt();
    const bool window = args[6] == QLatin1String("window");

    dao::setProgramFolderForTests(folder);
    MessageBox::setTestMode(true);
    platform::FileDialog::setTestMode(true);
    platform::DateLocale::setLocaleForTests(QLocale(QLocale::Chinese, QLocale::China));
    platform::DateLocale::setTodayForTests(QDate(2009, 9, 8));
    update::setUpdateCallObserverForTests(ignoreUpdateCall);
    forms().setOnLastUnloaded([] {});

    // What a sign-in leaves behind.
    try {
        DiaryDb = dao::OpenDiaryDatabase();
    } catch (const dao::DaoError& error) {
        say(QStringLiteral("failed 0 %1 %2").arg(error.number()).arg(error.description()));
        return 2;
    }
    CurrentUser = series;
    if (window)
        forms().show<Form_View>();
    say(QStringLiteral("ready"));

    Plan plan(first);
    for (int done = 0; count == 0 || done < count; ++done) {
        const Save save = plan.next();
        if (window ? saveThroughWindows(series, save) : saveDirect(series, save, done)) {
            plan.done(save);
            report(save);
        }
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
    if (milliseconds > 0) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        return 0;
    }
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
    update::setUpdateCallObserverForTests(ignoreUpdateCall);
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
    if (args.size() == 7 && args[1] == QLatin1String("save"))
        return runSaves(args);
    if ((args.size() == 3 || args.size() == 4) && args[1] == QLatin1String("hold"))
        return holdExclusively(args[2], args.value(3).toInt());
    if (args.size() == 5 && args[1] == QLatin1String("signin"))
        return signIn(args[2], args[3], args[4]);
    std::fputs("usage: qjl_diary_worker save <folder> <series> <first> <count> window|direct\n"
               "       qjl_diary_worker hold <path> [<ms>]\n"
               "       qjl_diary_worker signin <folder> <name> <password>\n",
               stderr);
    return 2;
}
