#pragma once

// What the reliability tests share: entries whose contents follow from their number, the worker (another
// copy of the program) that saves them, and the check of a diary file against what the workers reported.

#include "support/Windows.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <map>
#include <set>
#include <vector>

namespace reliability {

// How many times a test repeats its work: a third under AddressSanitizer, where every key derivation is slow.
inline int repetitions(int plain) {
#if defined(__SANITIZE_ADDRESS__)
    plain = std::max(2, plain / 3);
#endif
    return plain;
}

// Entry `number` of a series in its version `revision`: the title "第n篇（series）", a weather with an
// apostrophe now and then, a body of Chinese, ASCII, an apostrophe, emoji and a character beyond the basic
// plane in CR LF lines, every eighth over a hundred kilobytes so that a save writes many pages.
inline QStringList entry(const QString& series, int number, int revision) {
    static const QStringList weathers{"晴朗", "大雨", "小雪", "雨'夹雪"};
    static const QString line = QStringLiteral("今天天气很好，It's fine. 😀𠀀 100% _x_ [y] \"引号\" --;\r\n");
    const int lines = (number + revision) % 8 == 0 ? 3000 : 1 + (number * 7 + revision) % 60;
    return {QStringLiteral("第%1篇（%2）").arg(number).arg(series), weathers[(number + revision) % 4],
            QStringLiteral("第%1篇第%2版（%3）：").arg(number).arg(revision).arg(series) + line.repeated(lines)};
}
// Whether a stored diary record (fields as testsupport::storedRows gives them) holds title, weather and body
// of version `revision` of its entry.
inline bool holdsVersion(const QStringList& row, int number, int revision) {
    const QStringList fields = entry(row[1], number, revision);
    return row[2] == fields[0] && row[5] == sql::entryText(fields[1]) && row[6] == sql::entryText(fields[2]);
}

// Entry number -> the version last saved (0: the new entry).
using Versions = std::map<int, int>;

// qjl_diary_worker, started with the arguments; a running worker is killed (SIGKILL, as a power cut or the
// task manager would) when this goes.
class Worker : public QProcess {
public:
    explicit Worker(const QStringList& arguments) { start(QJL_DIARY_WORKER, arguments); }
    ~Worker() override { killNow(); }
    void killNow() {
        kill();
        waitForFinished(10000);
    }
    // Waits for the save worker to sign in ("ready"), then lets it start saving; false when it did not.
    bool startSaving() { return waitForLine("ready") && write("go\n") == 3 && waitForBytesWritten(10000); }
    // Waits until the worker printed the line; false when it ended or the time ran out first.
    bool waitForLine(const QByteArray& line, int timeoutMs = 60000) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!('\n' + (m_output += readAllStandardOutput())).contains('\n' + line + '\n')) {
            if (state() == QProcess::NotRunning || deadline.hasExpired())
                return false;
            waitForReadyRead(200);
        }
        return true;
    }
    // Adds the saves reported in complete lines (a line cut off by a kill was never reported) to `into` and
    // their count to `saves`; returns the "failed" lines, as the user was shown them.
    QStringList collect(Versions& into, int& saves) {
        m_output += readAllStandardOutput();
        QStringList failures;
        for (const QByteArray& raw : m_output.left(m_output.lastIndexOf('\n') + 1).split('\n')) {
            const QList<QByteArray> words = raw.split(' ');
            if (words.size() == 3 && words[0] == "saved") {
                into[words[1].toInt()] = words[2].toInt();
                ++saves;
            } else if (words[0] == "failed")
                failures << QString::fromUtf8(raw);
        }
        return failures;
    }

private:
    QByteArray m_output;
};

// The boxes shown since the last call, but the save question; when none, whether the main window is alone.
inline QStringList shownSince() {
    QStringList shown = MessageBox::shownTexts();
    MessageBox::clearShown();
    shown.removeOne("确定保存吗？");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (shown.isEmpty() && (!forms().isLoaded<Form_View>() || forms().isLoaded<Form_Write>()))
        shown << "no main window, or the editor stayed open";
    return shown;
}
// Through a fresh login window: registers the account (the password typed twice) or signs in; the boxes shown.
inline QStringList logIn(bool registering, const QString& name, const QString& password) {
    Form_Login* login = forms().show<Form_Login>();
    if (registering) {
        login->Command_Register_Click();
        login->Text_RegUserName->setText(name);
        login->Text_RegPassWord->setText(password);
        login->Text_RegPassWordC->setText(password);
        login->Command_RegYes_Click();
    } else {
        login->Combo_UserName->setEditText(name);
        login->Text_PassWord->setText(password);
        login->Command_Login_Click();
    }
    return shownSince();
}
// Title, weather and body typed in the editor from the main window (a new entry, or with change the selected
// one) and saved; the boxes shown.
inline QStringList saveEntry(bool change, const QStringList& typed) {
    Form_View* view = forms().loaded<Form_View>();
    change ? view->Command_Updata_Click() : view->Command_Insert_Click();
    Form_Write* editor = forms().loaded<Form_Write>();
    if (!editor)
        return {"no editor"};
    editor->Text_DiaryTitle->setText(typed[0]);
    editor->Combo_DiaryWeather->setEditText(typed[1]);
    editor->RichTextBox_DiaryText->setPlainText(typed[2]);
    editor->Command_Insert_Click();
    return shownSince();
}

// Every file and folder under the folder, with a hash of its contents, to prove nothing changed.
inline QStringList folderState(const QString& folder) {
    QStringList state;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        state << path + ' ' + QCryptographicHash::hash(contentsOf(path), QCryptographicHash::Sha256).toHex();
    }
    state.sort();
    return state;
}

} // namespace reliability
