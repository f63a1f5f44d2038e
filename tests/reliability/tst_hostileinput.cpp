// Hostile text typed into every box of the real windows (headless): quotes and SQL, wildcards, backslashes,
// emoji, characters beyond the basic plane, control characters, blanks at either end, a 10 000 character
// name and a 10 MB body. Every text comes back exactly as typed (but for ' turned into ’ in title, weather
// and body), no statement is changed by what was typed, and no account sees another account's entries.

#include "Reliability.h"

#include "app/EntryTextFile.h"

#include <QTextDocument>

using namespace reliability;

namespace {
enum Choice { ByTitle = 0, ByDate = 1, ByWeather = 3, ByBody = 4 };

// A left click on the entry's node; its text and the reading pane's title, weather and body.
QStringList readEntry(const QString& key) {
    Form_View* view = forms().loaded<Form_View>();
    const int node = nodeWithKey(view, key);
    if (node == 0)
        return {"no node"};
    leftClickNode(view, node);
    return {view->TreeView_Diary->node(node)->text, view->Text_Title->text(), view->Label_Weather->text(),
            entrytextfile::storedTextFromRaw(view->RichTextBox_DiaryText->document()->toRawText())};
}
} // namespace

class TestHostileInput : public QObject, WindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(); }
    void cleanup() { dropDiary(); }

    void typedTextComesBackExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ends the value list early") << "x', 'b', 'c'); DELETE FROM diary; -- ' OR '1'='1";
        QTest::newRow("quotes, comments, backslashes, wildcards")
            << "\"引号\" ; -- /* */ \\ C:\\t\\ % _ * ? [ ] [!a] # [diary] id = 1 NULL Select * from users";
        QTest::newRow("only a wildcard") << "%";
        QTest::newRow("a NUL inside") << QStringLiteral("前\0后");
        QTest::newRow("Jet's wildcard") << "*";
        QTest::newRow("emoji, beyond the basic plane, control characters, blanks at either end")
            << " \u3000😀👍🏽👨‍👩‍👧🇨🇳𠀀𪜀’'’\x01\x07\x1b\x7f\tb 两端\u3000 ";
        QTest::newRow("10 000 characters, 10 MB body") << QStringLiteral("长名'").repeated(3334).left(10000);
    }
    void typedTextComesBackExactly() {
        QFETCH(QString, text);
        const int bodyLines = text.size() == 10000 ? 500 : 1; // the long name's body: 10 MB
        const QString stored = sql::entryText(text);
        const QString body = ("正文：" + text + "\r\n第二行" + text).repeated(bodyLines);
        // An account that is nobody's business here: nothing typed may touch or show it.
        m_diary->addUser("旁人", "口令");
        m_diary->addEntry("旁人", "旁人的日记", "2009-09-01");
        const QStringList bystander = storedRows(*m_diary->open(), "diary")[0];

        // Registration signs the account in under exactly the typed name; it sees its entry, no other.
        QCOMPARE(logIn(true, text, text), QStringList());
        QVERIFY(forms().loaded<Form_View>()->windowTitle().endsWith("【" + text + "】"));
        // Written, then changed through the editor that shows what is stored, and read back each time; then
        // found by the stored text in every free-text field, and not by date.
        QString key;
        for (const QStringList& typed :
             {QStringList{text, text, body}, QStringList{stored + text, text + stored, body + text}}) {
            QCOMPARE(saveEntry(!key.isEmpty(), typed), QStringList());
            key = sql::entryKey(storedIds(*m_diary->open()).value(1));
            const QString title = sql::entryText(typed[0]);
            QCOMPARE(readEntry(key), (QStringList{title, title, sql::entryText(typed[1]), sql::entryText(typed[2])}));
        }
        QCOMPARE(nodeWithKey(forms().loaded<Form_View>(), sql::entryKey(bystander[0].toLongLong())), 0);
        forms().loaded<Form_View>()->Command_Find_Click();
        Form_Find* find = forms().loaded<Form_Find>();
        for (Choice choice : {ByTitle, ByDate, ByWeather, ByBody}) {
            find->Combo_KeyWords->setCurrentIndex(choice);
            find->Text_KeyWords->setText(choice == ByDate ? text : stored);
            find->Command_Find_Click();
            QCOMPARE(find->results()->rowCount(), choice == ByDate ? 0 : 1);
            QVERIFY(choice == ByDate || find->results()->text(0, 0) == key.mid(5));
        }
        resetProgramState();

        // Signing in again: the name and the password as typed, nothing else.
        const QString alwaysTrue = "x' OR 'a'='a";
        QCOMPARE(logIn(false, text, alwaysTrue), QStringList{"口令不对哦！"});
        QCOMPARE(logIn(false, text + alwaysTrue, text), QStringList{"查无此人哦。"});
        if (text.trimmed() != text)
            QCOMPARE(logIn(false, text.trimmed(), text), QStringList{"查无此人哦。"});
        QCOMPARE(logIn(false, text, text), QStringList());
        QCOMPARE(readEntry(key).value(1), sql::entryText(stored + text));

        // Nothing but the typed account and its one entry were added; the bystander's entry is as it was.
        QCOMPARE(storedRows(*m_diary->open(), "users").value(1).value(2), text);
        QCOMPARE(storedRows(*m_diary->open(), "diary").value(0), bystander);
        QCOMPARE(storedIds(*m_diary->open()).size(), 2);
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
