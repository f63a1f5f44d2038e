// The windows as a keyboard user meets them: names taken as typed, Enter on buttons and in text boxes, and
// what a failure that no procedure handles leaves behind.
#include "support/Windows.h"

#include "app/Passwords.h"
#include "db/DaoError.h"
#include "platform/MessageBox.h"
#include "ui/find/FormFind.h"
#include "ui/login/FormLogin.h"
#include "ui/write/FormWrite.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <map>

using platform::forms;
using platform::MessageBox;
using testsupport::windowsOnShow;

class TestKeyboard : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    const QString kUser = QStringLiteral("张三");
    // The window named form, opened the way the program opens it.
    platform::Form* open(const QString& form) {
        if (form == "Form_Login")
            return forms().show<Form_Login>();
        CurrentUser = kUser;
        if (form == "Form_View")
            return forms().show<Form_View>();
        return form == "Form_Write" ? static_cast<platform::Form*>(forms().show<Form_Write>())
                                    : forms().show<Form_Find>();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(); }
    void cleanup() { dropDiary(); }

    void typedNameIsTakenAsItStands_data() {
        // The accounts in stored order joined by '|', the name typed, the account signed in (empty: "查无此人哦。").
        QTest::addColumn<QStringList>("row");
        QTest::newRow("prefix of a longer listed name") << QStringList{"Annabel", "Anna", ""};
        QTest::newRow("prefix of a name listed before it") << QStringList{"Annabel|Anna", "Anna", "Anna"};
        QTest::newRow("other letter case, stored form signs in") << QStringList{"Annabel|Anna", "ANNA", "Anna"};
    }
    void typedNameIsTakenAsItStands() {
        QFETCH(QStringList, row);
        const QString &listed = row[0], &typed = row[1], &signedIn = row[2];
        for (const QString& name : listed.split('|'))
            m_diary->addUser(name, app::hashPassword(QStringLiteral("pw-") + name));
        Form_Login* login = forms().show<Form_Login>();
        QVERIFY(QTest::qWaitForWindowActive(login));
        login->Combo_UserName->setFocus();
        QTest::keyClicks(login->Combo_UserName, typed);
        login->Text_PassWord->setText(QStringLiteral("pw-") + (signedIn.isEmpty() ? typed : signedIn));
        // One Enter in the name box signs in: nothing completed to accept first.
        QTest::keyClick(login->Combo_UserName, Qt::Key_Return);
        QCOMPARE(CurrentUser, signedIn);
        QCOMPARE(MessageBox::shownTexts(), signedIn.isEmpty() ? QStringList{"查无此人哦。"} : QStringList());
        // The name as typed stays in the box, or the main window names the account signed in.
        QCOMPARE(signedIn.isEmpty() ? login->Combo_UserName->currentText() : forms().loaded<Form_View>()->windowTitle(),
                 signedIn.isEmpty() ? typed : "青简录 - 日记查看 - 当前帐号：【" + signedIn + "】");
    }

    // With the focus on a control, Enter presses the given button and no other.
    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<QStringList>("row"); // window, focused control, button pressed
        // A window, then each control focused in it, "=pressed" after it when that is another button ("-": none).
        for (const QString& r : QStringList{
                 "Form_Login Command_Register Text_PassWord=Command_Login Command_RegNo",
                 "Form_View Command_Insert Command_Delete Command_Updata Command_Find Command_Output Command_Input",
                 "Form_Write Command_Insert Command_Reset Command_Cancel Text_DiaryTitle=-",
                 "Form_Find Text_KeyWords=Command_Find"})
            for (const QString& c : r.split(' ').mid(1))
                QTest::addRow("%s %s", qPrintable(r.section(' ', 0, 0)), qPrintable(c.section('=', 0, 0)))
                    << QStringList{r.section(' ', 0, 0), c.section('=', 0, 0), c.section('=', -1)};
    }
    void enterPressesTheFocusedButton() {
        QFETCH(QStringList, row);
        const QString &form = row[0], &focus = row[1], &pressed = row[2];
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        platform::Form* window = open(form);
        if (focus == "Command_RegNo") // in the registration view
            qobject_cast<Form_Login*>(window)->Command_Register->click();
        // Every question is answered No, so no press goes further than its first box.
        for (int i = 0; i < 3; ++i)
            MessageBox::setNextAnswer(MessageBox::Answer::No);
        std::map<QString, std::unique_ptr<QSignalSpy>> clicks;
        for (QPushButton* button : window->findChildren<QPushButton*>())
            clicks[button->objectName()] = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
        auto* target = window->findChild<QWidget*>(focus);
        QVERIFY(target && target->isVisible() && QTest::qWaitForWindowActive(window));
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key_Return);
        for (const auto& [name, spy] : clicks)
            QVERIFY2(spy->count() == (name == pressed ? 1 : 0), qPrintable(name));
    }

    // A failure that no procedure handles shows its number and description;
    // the step that failed is undone, so the user goes on in the window they were in, with everything it held
    // and no hand-over left behind. Without the failure, the same step goes through.
    void unhandledFailureLeavesTheWindowsAsTheyWere_data() {
        // The window, the button pressed (empty: the close box), the window that cannot load, the box shown.
        QTest::addColumn<QStringList>("row");
        const auto row = [](const char* tag, const QString& from, const QString& step, const QString& failing,
                            const QString& shown = QStringLiteral("运行时错误 '3051'：\n\n不能打开文件。")) {
            QTest::newRow(tag) << QStringList{from, step, failing, shown};
        };
        row("sign-in: the main window cannot open", "Form_Login", "Command_Login", "Form_View");
        row("editor: the main window cannot come back", "Form_Write", "Command_Cancel", "Form_View");
        row("search window: the main window cannot come back", "Form_Find", "", "Form_View");
    }
    void unhandledFailureLeavesTheWindowsAsTheyWere() {
        QFETCH(QStringList, row);
        const QString &from = row[0], &step = row[1], &failing = row[2], &shown = row[3];
        m_diary->addUser(kUser, app::hashPassword(QStringLiteral("pw")));
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        platform::Form* window = open(from);
        if (auto* view = qobject_cast<Form_View*>(window))
            view->TreeView_Diary->selectNode(2); // the entry
        if (auto* login = qobject_cast<Form_Login*>(window)) {
            login->Combo_UserName->setEditText(kUser);
            login->Text_PassWord->setText(QStringLiteral("pw"));
        }
        if (auto* editor = qobject_cast<Form_Write*>(window))
            editor->RichTextBox_DiaryText->setStoredText(QStringLiteral("未保存"));
        const QString user = CurrentUser;
        const QStringList before = windowsOnShow();
        const auto press = [&] {
            step.isEmpty() ? void(window->close()) : window->findChild<QPushButton*>(step)->click();
        };
        // The banner of the failing window cannot be made, so that window cannot load.
        platform::Browser::setFactory([failing](QWidget* parent) -> platform::Browser* {
            if (parent && parent->objectName() == failing)
                throw dao::DaoError(3051, QStringLiteral("不能打开文件。"));
            return nullptr;
        });
        press();
        QCOMPARE(MessageBox::shownTexts(), QStringList{shown});
        QVERIFY(windowsOnShow() == before && EditCondition.isEmpty() && CurrentUser == user);
        if (auto* editor = qobject_cast<Form_Write*>(window))
            QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QStringLiteral("未保存"));
        platform::Browser::setFactory(nullptr);
        press();
        QCOMPARE(windowsOnShow(), QStringList{failing});
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
