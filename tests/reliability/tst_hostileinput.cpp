// Hostile text typed into every box of the real windows (headless): quotes, SQL, wildcards, backslashes,
// emoji, characters beyond the basic plane, control characters, blanks at either end, long names and a
// 10 MB body. Every text comes back exactly as typed (but for ' turned into ’ in title, weather and body),
// no statement is changed by what was typed, and no account ever sees another account's entries.

#include "Reliability.h"

#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/EntryTextFile.h"
#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultModel.h"
#include "ui/login/FormLogin.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QTest>
#include <QTextDocument>

using platform::forms;
using platform::MessageBox;

namespace {
enum Choice { ByTitle = 0, ByDate = 1, ByWeather = 3, ByBody = 4 };
const QString kDateLine = QStringLiteral("日期：2009/9/8 星期二");

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
// Closes every window: the program would end here; the next sign-in starts it again.
void signOut() {
    testsupport::resetProgramState();
}
// Everything shown since the last call, but the save question.
QStringList unexpectedMessages() {
    QStringList unexpected;
    for (const MessageBox::Request& request : MessageBox::takeShown())
        if (request.text != QStringLiteral("确定保存吗？"))
            unexpected << request.text;
    return unexpected;
}
bool registerAccount(const QString& name, const QString& password) {
    Form_Login* login = forms().show<Form_Login>();
    login->Command_Register_Click();
    login->Text_RegUserName->setText(name);
    login->Text_RegPassWord->setText(password);
    login->Text_RegPassWordC->setText(password);
    login->Command_RegYes_Click();
    settle();
    return !forms().isLoaded<Form_Login>() && forms().isLoaded<Form_View>();
}
// Signs in through a fresh login window; the messages shown (none when it worked).
QStringList signIn(const QString& name, const QString& password) {
    Form_Login* login = forms().show<Form_Login>();
    login->Combo_UserName->setEditText(name);
    login->Text_PassWord->setText(password);
    login->Command_Login_Click();
    settle();
    const QStringList shown = MessageBox::shownTexts();
    MessageBox::clearShown();
    return shown.isEmpty() && !forms().isLoaded<Form_View>() ? QStringList{"no main window"} : shown;
}
// A new entry (or, with change, the selected one) written in the editor and saved; false when it stayed open.
bool saveEntry(bool change, const QString& title, const QString& weather, const QString& body) {
    Form_View* view = forms().loaded<Form_View>();
    change ? view->Command_Updata_Click() : view->Command_Insert_Click();
    Form_Write* editor = forms().loaded<Form_Write>();
    if (!editor)
        return false;
    editor->Text_DiaryTitle->setText(title);
    editor->Combo_DiaryWeather->setEditText(weather);
    editor->RichTextBox_DiaryText->setPlainText(body);
    editor->Command_Insert_Click();
    settle();
    return !forms().isLoaded<Form_Write>() && forms().isLoaded<Form_View>();
}
// The keys of the entry nodes, in tree order.
QStringList entryKeys(const Form_View* view) {
    QStringList keys;
    for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
        if (sql::isEntryKey(view->TreeView_Diary->node(i)->key))
            keys << view->TreeView_Diary->node(i)->key;
    return keys;
}
// A left click on the entry's node; the reading pane's title, weather, date line and body.
QStringList readEntry(Form_View* view, const QString& key) {
    testsupport::leftClickNode(view, testsupport::nodeWithKey(view, key));
    return {view->Text_Title->text(), view->Label_Weather->text(), view->Label_DateWeek->text(),
            entrytextfile::storedTextFromRaw(view->RichTextBox_DiaryText->document()->toRawText())};
}
// One search by the chosen field; the record numbers listed.
QStringList search(Form_Find* find, Choice choice, const QString& keyword) {
    find->Combo_KeyWords->setCurrentIndex(choice);
    find->Text_KeyWords->setText(keyword);
    find->Command_Find_Click();
    QStringList numbers;
    for (int row = 0; row < find->results()->rowCount(); ++row)
        numbers << find->results()->text(row, 0);
    return numbers;
}
Form_Find* openSearch() {
    forms().loaded<Form_View>()->Command_Find_Click();
    settle();
    return forms().loaded<Form_Find>();
}
} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        update::setUpdateCallObserverForTests(testsupport::ignoreUpdateCall);
        InitControlClasses();
    }
    void init() {
        signOut();
        m_diary = std::make_unique<testsupport::TempDiary>();
    }
    void cleanup() {
        signOut();
        m_diary.reset();
    }

    void typedTextComesBackExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bodyLines");
        QTest::newRow("apostrophe") << "'" << 1;
        QTest::newRow("always true") << "' OR '1'='1" << 1;
        QTest::newRow("ends the value list early") << "x', 'b', 'c'); DELETE FROM diary; --" << 1;
        QTest::newRow("double quote, semicolon, comments, backslashes") << "\"引号\" ; -- /* */ '' \\ \\' C:\\t\\" << 1;
        QTest::newRow("wildcards, names and keywords")
            << "% _ * ? [ ] [!a] # [diary] id = 1 NULL Select * from users" << 1;
        QTest::newRow("emoji, beyond the basic plane, quotation marks")
            << "😀👍🏽👨‍👩‍👧🇨🇳𠀀𪜀’'’" << 1;
        QTest::newRow("control characters, blanks at either end") << " \u3000a\x01\x07\x1b\x7f\tb 两端\u3000 " << 1;
        QTest::newRow("10 000 characters") << QStringLiteral("长名'").repeated(3334).left(10000) << 1;
        QTest::newRow("10 MB body") << "It's 😀𠀀 ' \" ; -- \\ %_*?[] 今天天气很好。" << 120000;
    }
    void typedTextComesBackExactly() {
        QFETCH(QString, text);
        QFETCH(int, bodyLines);
        const QString stored = sql::entryText(text);
        const QString body =
            (QStringLiteral("正文：") + text + QStringLiteral("\r\n第二行") + text).repeated(bodyLines);
        // An account that is nobody's business here: nothing typed may touch it.
        m_diary->addUser(QStringLiteral("旁人"), QStringLiteral("口令"));
        m_diary->addEntry(QStringLiteral("旁人"), QStringLiteral("旁人的日记"), QStringLiteral("2009-09-01"));
        const QStringList bystander = testsupport::storedRows(*m_diary->open(), QStringLiteral("diary"))[0];

        // Registration signs the account in under exactly the typed name.
        QVERIFY(registerAccount(text, text));
        QCOMPARE(CurrentUser, text);
        QVERIFY(
            forms().loaded<Form_View>()->windowTitle().endsWith(QStringLiteral("【") + text + QStringLiteral("】")));
        QVERIFY(saveEntry(false, text, text, body));
        QCOMPARE(unexpectedMessages(), QStringList());
        Form_View* view = forms().loaded<Form_View>();
        const QStringList keys = entryKeys(view);
        QCOMPARE(keys.size(), 1);
        QCOMPARE(view->TreeView_Diary->node(testsupport::nodeWithKey(view, keys[0]))->text, stored);
        QCOMPARE(readEntry(view, keys[0]), (QStringList{stored, stored, kDateLine, sql::entryText(body)}));

        // Changed, through the editor that shows what is stored.
        QVERIFY(saveEntry(true, stored + text, text + stored, body + text));
        QCOMPARE(unexpectedMessages(), QStringList());
        const QStringList changed{sql::entryText(stored + text), sql::entryText(text + stored),
                                  sql::entryText(body + text)};
        QCOMPARE(readEntry(forms().loaded<Form_View>(), keys[0]),
                 (QStringList{changed[0], changed[1], kDateLine, changed[2]}));

        // The search finds the entry by the stored text in every free-text field, by the typed text where the
        // stored text holds it, and nothing else.
        const QStringList number{keys[0].mid(5)};
        Form_Find* find = openSearch();
        QVERIFY(find);
        for (Choice choice : {ByTitle, ByWeather, ByBody}) {
            QCOMPARE(search(find, choice, stored), number);
            const QString field = changed[choice == ByTitle ? 0 : choice == ByWeather ? 1 : 2];
            QCOMPARE(search(find, choice, text), field.contains(text) ? number : QStringList());
        }
        QCOMPARE(search(find, ByDate, text), QStringList());
        signOut();

        // Signing in again: the name and the password as typed, nothing else.
        const QString alwaysTrue = text.contains('1') ? QStringLiteral("x' OR 'a'='a") : QStringLiteral("' OR '1'='1");
        QCOMPARE(signIn(text, alwaysTrue), QStringList{"口令不对哦！"});
        QCOMPARE(signIn(text + alwaysTrue, text), QStringList{"查无此人哦。"});
        if (text.trimmed() != text)
            QCOMPARE(signIn(text.trimmed(), text), QStringList{"查无此人哦。"});
        QCOMPARE(signIn(text, text), QStringList());
        QCOMPARE(entryKeys(forms().loaded<Form_View>()), keys);
        signOut();

        // Nothing but the typed account and its one entry were added; the bystander's entry is as it was.
        const QList<QStringList> users = testsupport::storedRows(*m_diary->open(), QStringLiteral("users"));
        QCOMPARE(users.size(), 2);
        QCOMPARE(users[1][2], text);
        const QList<QStringList> diary = testsupport::storedRows(*m_diary->open(), QStringLiteral("diary"));
        QCOMPARE(diary.size(), 2);
        QCOMPARE(diary[0], bystander);
        QCOMPARE(diary[1].mid(1), (QStringList{text, changed[0], "2009/9/8", "星期二", changed[1], changed[2]}));
    }

    // Accounts whose names differ by a blank, a wildcard's reach, letter case in other scripts or a quote:
    // each sees exactly its own entries in the tree, the reading pane and the search.
    void noAccountSeesAnotherAccountsEntries() {
        const QStringList names =
            QStringList{"张三", "张三 ", "%", "_", "a%", "a", "[a]", "*", "' OR '1'='1", "x' OR 'x", "ß", "ss"}.mid(
                0, reliability::repetitions(12));
        // An empty name cannot be registered: the window refuses it before asking the database.
        QVERIFY(!registerAccount(QString(), QStringLiteral("口令")));
        signOut();
        for (const QString& name : names) {
            QVERIFY2(registerAccount(name, name + QStringLiteral("的口令")), qPrintable(name));
            QVERIFY(saveEntry(false, name + QStringLiteral("的日记"), name, QStringLiteral("正文 ") + name));
            QCOMPARE(unexpectedMessages(), QStringList());
            signOut();
        }
        for (const QString& name : names) {
            QCOMPARE(signIn(name, name + QStringLiteral("的口令")), QStringList());
            Form_View* view = forms().loaded<Form_View>();
            const QStringList keys = entryKeys(view);
            QCOMPARE(keys.size(), 1);
            QCOMPARE(readEntry(view, keys[0]).first(), sql::entryText(name + QStringLiteral("的日记")));
            Form_Find* find = openSearch();
            QVERIFY(find);
            QCOMPARE(search(find, ByTitle, QString()), QStringList{keys[0].mid(5)});
            for (const QString& other : names)
                for (const QString& hit : search(find, ByTitle, sql::entryText(other + QStringLiteral("的日记"))))
                    QVERIFY2(hit == keys[0].mid(5), qPrintable(name + QStringLiteral(" sees ") + other));
            signOut();
        }
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
