// Hostile text typed into every box of the real windows (headless): quotes, SQL, wildcards, backslashes,
// emoji, characters beyond the basic plane, control characters, blanks at either end, very long names and
// a 10 MB body. Every text comes back exactly as typed (but for ' turned into ’ in title, weather and
// body), no statement is changed by what was typed, and no account ever sees another account's entries.

#include "Repetitions.h"

#include "support/TestSupport.h"

#include "app/EntryTextFile.h"
#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/DateLocale.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultModel.h"
#include "ui/login/FormLogin.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/DiaryTextBox.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QTest>
#include <QTextDocument>

using platform::forms;
using platform::MessageBox;

namespace {

const QString kAskSave = QStringLiteral("确定保存吗？");
const QString kNoMatch = QStringLiteral("没有查找到相关信息。");
const QString kNobody = QStringLiteral("查无此人哦。");
const QString kWrongPassword = QStringLiteral("口令不对哦！");

// Field choices of the search window, by list index.
enum Choice { ByTitle = 0, ByDate = 1, ByWeekday = 2, ByWeather = 3, ByBody = 4 };

void ignoreUpdateCall(quint32, const QString&) {}

// What a user typed into the editor, and what must be stored for it.
struct Typed {
    QString title, weather, body;
};

QString paneBody(const Form_View* view) {
    return entrytextfile::storedTextFromRaw(view->RichTextBox_DiaryText->document()->toRawText());
}

QString dateLine() {
    const QDate day(2009, 9, 8);
    return QStringLiteral("日期：") + platform::DateLocale::shortDate(day) + QLatin1Char(' ') +
           platform::DateLocale::weekdayName(day);
}

// Inputs tried, per box, for the report at the end.
std::map<QString, int> g_inputsPerBox;
void tried(const char* box) {
    ++g_inputsPerBox[QLatin1String(box)];
}

} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Everything shown since the last call, but the save question, must be nothing.
    static QStringList takeUnexpectedMessages() {
        QStringList unexpected;
        for (const MessageBox::Request& request : MessageBox::takeShown())
            if (request.text != kAskSave)
                unexpected << request.text;
        return unexpected;
    }

    // Registers through the login window; true when it signed the new account in.
    bool registerAccount(const QString& name, const QString& password) {
        Form_Login* login = forms().show<Form_Login>();
        login->Command_Register_Click();
        login->Text_RegUserName->setText(name);
        login->Text_RegPassWord->setText(password);
        login->Text_RegPassWordC->setText(password);
        tried("Text_RegUserName");
        tried("Text_RegPassWord");
        tried("Text_RegPassWordC");
        login->Command_RegYes_Click();
        settle();
        return !forms().isLoaded<Form_Login>() && forms().isLoaded<Form_View>();
    }

    // Signs in through a fresh login window; the messages shown (none when it worked).
    QStringList signIn(const QString& name, const QString& password) {
        Form_Login* login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText(name);
        login->Text_PassWord->setText(password);
        tried("Combo_UserName");
        tried("Text_PassWord");
        login->Command_Login_Click();
        settle();
        const QStringList shown = MessageBox::shownTexts();
        MessageBox::clearShown();
        if (shown.isEmpty() && !forms().isLoaded<Form_View>())
            return {QStringLiteral("no main window")};
        return shown;
    }

    // Closes every window: the program would end here; the next sign-in starts it again.
    void signOut() {
        forms().resetForTests();
        app::resetGlobals();
        settle();
    }

    static void type(Form_Write* editor, const Typed& typed) {
        editor->Text_DiaryTitle->setText(typed.title);
        editor->Combo_DiaryWeather->setEditText(typed.weather);
        editor->RichTextBox_DiaryText->setPlainText(typed.body);
        tried("Text_DiaryTitle");
        tried("Combo_DiaryWeather");
        tried("RichTextBox_DiaryText");
    }

    // Writes a new entry from the main window and saves it; false when the editor did not close.
    static bool writeEntry(const Typed& typed) {
        forms().loaded<Form_View>()->Command_Insert_Click();
        Form_Write* editor = forms().loaded<Form_Write>();
        if (!editor)
            return false;
        type(editor, typed);
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        editor->Command_Insert_Click();
        settle();
        return !forms().isLoaded<Form_Write>() && forms().isLoaded<Form_View>();
    }

    // The entry nodes of the main window's tree, in tree order: key and text.
    static std::vector<std::pair<QString, QString>> entryNodes(const Form_View* view) {
        std::vector<std::pair<QString, QString>> nodes;
        for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i) {
            const DiaryNode* node = view->TreeView_Diary->node(i);
            if (sql::isEntryKey(node->key))
                nodes.emplace_back(node->key, node->text);
        }
        return nodes;
    }
    static int nodeIndexOfKey(const Form_View* view, const QString& key) {
        for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
            if (view->TreeView_Diary->node(i)->key == key)
                return i;
        return 0;
    }

    // A left click on the entry's node; the reading pane's four boxes.
    static QStringList readEntry(Form_View* view, const QString& key) {
        const int index = nodeIndexOfKey(view, key);
        if (index == 0)
            return {QStringLiteral("no node for ") + key};
        view->TreeView_Diary_MouseDown(1, 0, 0, 0);
        view->TreeView_Diary->selectNode(index);
        view->TreeView_Diary_NodeClick(index);
        return {view->Text_Title->text(), view->Label_Weather->text(), view->Label_DateWeek->text(), paneBody(view)};
    }

    // The search window, opened from the main window with its command.
    static Form_Find* openSearch() {
        forms().loaded<Form_View>()->Command_Find_Click();
        settle();
        return forms().loaded<Form_Find>();
    }
    // Closing it brings the main window back.
    static void closeSearch(Form_Find* find) {
        forms().unload(find);
        settle();
    }
    // One search by the chosen field; the record numbers listed.
    static QStringList search(Form_Find* find, Choice choice, const QString& keyword) {
        find->Combo_KeyWords->setCurrentIndex(choice);
        find->Text_KeyWords->setText(keyword);
        tried("Text_KeyWords");
        find->Command_Find_Click();
        QStringList numbers;
        for (int row = 0; row < find->results()->rowCount(); ++row)
            numbers << find->results()->text(row, 0);
        return numbers;
    }

    // Every record of the table, its fields joined by U+001F.
    static QStringList storedRecords(dao::Database& db, const QString& table) {
        QStringList records;
        auto rs = db.OpenRecordset(QStringLiteral("Select * from ") + table);
        while (!rs->EOF()) {
            QStringList fields;
            for (int i = 0; i < rs->FieldCount(); ++i)
                fields << dao::fieldText(rs->Fields(i));
            records << fields.join(QChar(0x1F));
            rs->MoveNext();
        }
        return records;
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        update::setUpdateCallObserverForTests(ignoreUpdateCall);
        InitControlClasses();
    }
    void init() {
        signOut();
        MessageBox::clearShown();
        m_diary = std::make_unique<testsupport::TempDiary>();
    }
    void cleanup() {
        signOut();
        m_diary.reset();
    }
    void cleanupTestCase() {
        for (const auto& [box, count] : g_inputsPerBox)
            qInfo("%s: %d inputs", qPrintable(box), count);
    }

    void typedTextComesBackExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << QStringLiteral("'");
        QTest::newRow("always true") << QStringLiteral("' OR '1'='1");
        QTest::newRow("ends the value list early") << QStringLiteral("x', 'b', 'c'); DELETE FROM diary; --");
        QTest::newRow("double quote, semicolon, comments, backslashes")
            << QStringLiteral("\"引号\" ; -- /* */ '' \\ \\' \\\\ C:\\temp\\");
        QTest::newRow("wildcards, names and keywords")
            << QStringLiteral("% _ * ? [ ] [!a] # [diary] id = 1 NULL Select * from users");
        QTest::newRow("emoji, beyond the basic plane, right quotation marks")
            << QStringLiteral("😀👍🏽👨‍👩‍👧🇨🇳𠀀𪜀𫝀’'’");
        QTest::newRow("control characters and blanks at either end")
            << QStringLiteral(" \u3000a\x01\x02\x07\x1b\x7f\tb 两端有空格\u3000 ");
        QTest::newRow("10 000 characters") << QStringLiteral("长名'").repeated(3334).left(10000);
    }
    void typedTextComesBackExactly() {
        QFETCH(QString, text);
        const QString entry = sql::entryText(text);
        // An account that is nobody's business here: nothing typed may touch it.
        QStringList bystander;
        {
            std::shared_ptr<dao::Database> db = m_diary->open();
            db->Execute(sql::insertUser(QStringLiteral("旁人"), QStringLiteral("口令")));
            db->Execute(sql::insertDiary(QStringLiteral("旁人"), QStringLiteral("旁人的日记"),
                                         QStringLiteral("2009-09-01"), QStringLiteral("星期二"), QStringLiteral("晴朗"),
                                         QStringLiteral("别人的正文")));
            bystander = storedRecords(*db, QStringLiteral("diary"));
        }

        // Registration signs the account in under exactly the typed name.
        QVERIFY(registerAccount(text, text));
        QCOMPARE(CurrentUser, text);
        QVERIFY(
            forms().loaded<Form_View>()->windowTitle().endsWith(QStringLiteral("【") + text + QStringLiteral("】")));

        const Typed typed{text, text, QStringLiteral("正文：") + text + QStringLiteral("\r\n第二行") + text};
        QVERIFY(writeEntry(typed));
        QCOMPARE(takeUnexpectedMessages(), QStringList());

        // The tree lists the entry under its title; the reading pane shows it.
        Form_View* view = forms().loaded<Form_View>();
        const auto nodes = entryNodes(view);
        QCOMPARE(int(nodes.size()), 1);
        const QString key = nodes.begin()->first;
        QCOMPARE(nodes.begin()->second, entry);
        QCOMPARE(readEntry(view, key), (QStringList{entry, entry, dateLine(), sql::entryText(typed.body)}));

        // Changing it: the editor shows what is stored, and the change is stored as typed.
        view->Command_Updata_Click();
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor);
        QCOMPARE(editor->mode(), Form_Write::Mode::Change);
        QCOMPARE(editor->Text_DiaryTitle->text(), entry);
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), entry);
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), sql::entryText(typed.body));
        const Typed changed{entry + text, text + entry, typed.body + text};
        type(editor, changed);
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        editor->Command_Insert_Click();
        settle();
        QVERIFY(!forms().isLoaded<Form_Write>());
        QCOMPARE(takeUnexpectedMessages(), QStringList());
        view = forms().loaded<Form_View>();
        const Typed stored{sql::entryText(changed.title), sql::entryText(changed.weather),
                           sql::entryText(changed.body)};
        QCOMPARE(readEntry(view, key), (QStringList{stored.title, stored.weather, dateLine(), stored.body}));

        // The search finds the entry by the text as stored in every free-text field, and finds nothing else.
        const QString number = key.mid(5);
        Form_Find* find = openSearch();
        QVERIFY(find);
        for (Choice choice : {ByTitle, ByWeather, ByBody}) {
            QCOMPARE(search(find, choice, entry), QStringList{number});
            // The keyword as typed: found where the stored text holds it (an apostrophe is stored as ’).
            const QString field = choice == ByTitle ? stored.title : choice == ByWeather ? stored.weather : stored.body;
            QCOMPARE(search(find, choice, text), field.contains(text) ? QStringList{number} : QStringList());
        }
        QCOMPARE(search(find, ByDate, text), QStringList());
        closeSearch(find);
        MessageBox::clearShown();

        // Signing in again, in one login window as a user retrying would: the name and the password as
        // typed, nothing else.
        signOut();
        const QString alwaysTrue =
            text.contains(QLatin1Char('1')) ? QStringLiteral("x' OR 'a'='a") : QStringLiteral("' OR '1'='1");
        QCOMPARE(signIn(text, alwaysTrue), QStringList{kWrongPassword});
        QCOMPARE(signIn(text + alwaysTrue, text), QStringList{kNobody});
        if (text.trimmed() != text)
            QCOMPARE(signIn(text.trimmed(), text), QStringList{kNobody});
        QCOMPARE(signIn(text, text), QStringList());
        QCOMPARE(CurrentUser, text);
        QCOMPARE(entryNodes(forms().loaded<Form_View>()).size(), std::size_t(1));
        signOut();

        // Nothing but the typed account and its one entry were added, and the bystander's entry is as it was.
        std::shared_ptr<dao::Database> db = m_diary->open();
        const QStringList users = storedRecords(*db, QStringLiteral("users"));
        QCOMPARE(users.size(), 2);
        QCOMPARE(users[1].split(QChar(0x1F))[2], text);
        const QStringList diary = storedRecords(*db, QStringLiteral("diary"));
        QCOMPARE(diary.size(), 2);
        QCOMPARE(diary[0], bystander[0]);
        QCOMPARE(diary[1].split(QChar(0x1F)).mid(1),
                 (QStringList{text, stored.title, platform::DateLocale::shortDate(QDate(2009, 9, 8)),
                              platform::DateLocale::weekdayName(QDate(2009, 9, 8)), stored.weather, stored.body}));
    }

    void tenMegabyteBodyComesBackExactly() {
        QVERIFY(registerAccount(QStringLiteral("长文"), QStringLiteral("口令")));
        QString body;
        body.reserve(10 * 1024 * 1024);
        for (int line = 0; body.size() < 10 * 1024 * 1024; ++line)
            body += QStringLiteral("第%1行：It's 😀𠀀 ' \" ; -- \\ %_*?[] 今天天气很好。\r\n").arg(line);
        body += QStringLiteral("最后一行'");
        QVERIFY(writeEntry({QStringLiteral("很长的日记"), QStringLiteral("晴朗"), body}));
        QCOMPARE(takeUnexpectedMessages(), QStringList());
        const QString stored = sql::entryText(body);

        Form_View* view = forms().loaded<Form_View>();
        const QString key = entryNodes(view).begin()->first;
        QCOMPARE(readEntry(view, key).value(3), stored);
        view->Command_Updata_Click();
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor);
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), stored);
        forms().unload(editor);
        settle();
        Form_Find* find = openSearch();
        QVERIFY(find);
        QCOMPARE(search(find, ByBody, QStringLiteral("最后一行’")), QStringList{key.mid(5)});
        closeSearch(find);
        QCOMPARE(storedRecords(*m_diary->open(), QStringLiteral("diary")).value(0).split(QChar(0x1F)).value(6), stored);
    }

    // Accounts whose names differ by a blank, a wildcard's reach, letter case in other scripts or a quote:
    // each sees exactly its own entries in the tree, the reading pane and the search.
    void noAccountSeesAnotherAccountsEntries() {
        QStringList names = {
            QStringLiteral("张三"),        QStringLiteral("张三 "),    QStringLiteral("%"),   QStringLiteral("_"),
            QStringLiteral("a%"),          QStringLiteral("a"),        QStringLiteral("[a]"), QStringLiteral("*"),
            QStringLiteral("' OR '1'='1"), QStringLiteral("x' OR 'x"), QStringLiteral("ß"),   QStringLiteral("ss"),
        };
        names = names.mid(0, reliability::repetitions(int(names.size())));
        // An empty name cannot be registered: the window refuses it before asking the database.
        names << QString();
        std::map<QString, std::vector<QString>> titles; // account -> titles of its entries, as stored
        for (const QString& name : names) {
            if (name.isEmpty()) {
                QVERIFY(!registerAccount(name, QStringLiteral("口令")));
                QCOMPARE(MessageBox::takeShown().size(), std::size_t(1));
                signOut();
                continue;
            }
            QVERIFY2(registerAccount(name, name + QStringLiteral("的口令")), qPrintable(name));
            for (int i = 1; i <= (name == names.front() ? 2 : 1); ++i) {
                const QString title = QStringLiteral("%1的第%2篇").arg(name).arg(i);
                QVERIFY(writeEntry({title, name, QStringLiteral("正文 ") + name}));
                titles[name].push_back(sql::entryText(title));
            }
            QCOMPARE(takeUnexpectedMessages(), QStringList());
            signOut();
        }

        int checks = 0;
        for (const auto& [name, own] : titles) {
            QCOMPARE(signIn(name, name + QStringLiteral("的口令")), QStringList());
            QCOMPARE(CurrentUser, name);
            Form_View* view = forms().loaded<Form_View>();
            std::vector<QString> shown;
            QStringList keys;
            for (const auto& [key, text] : entryNodes(view)) {
                shown.push_back(text);
                keys << key.mid(5);
                QCOMPARE(readEntry(view, key).value(0), text);
                ++checks;
            }
            QCOMPARE(shown, own);
            // Every entry whose title field is non-empty: all of the account's own, none of the others'.
            Form_Find* find = openSearch();
            QVERIFY(find);
            QStringList found = search(find, ByTitle, QString());
            found.sort();
            keys.sort();
            QCOMPARE(found, keys);
            // Searching for another account's title finds nothing of theirs (one's own title may contain it).
            for (const auto& [other, theirs] : titles) {
                if (other == name)
                    continue;
                for (const QString& hit : search(find, ByTitle, theirs.front()))
                    QVERIFY2(keys.contains(hit), qPrintable(name + QStringLiteral(" sees ") + other));
                ++checks;
            }
            closeSearch(find);
            MessageBox::clearShown();
            signOut();
        }
        qInfo("%d accounts, %d checks of what each account sees", int(titles.size()), checks);
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
