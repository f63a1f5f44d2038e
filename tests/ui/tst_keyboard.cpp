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

namespace {
// The window a case starts in; the login window also in its registration view.
enum class Window { Login, Registration, View, Write, Find };
} // namespace

Q_DECLARE_METATYPE(Window)

class TestKeyboard : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    const QString kUser = QStringLiteral("张三");
    // The window, opened the way the program opens it.
    platform::Form* open(Window window) {
        if (window == Window::Login || window == Window::Registration) {
            Form_Login* login = forms().show<Form_Login>();
            if (window == Window::Registration)
                login->Command_Register->click();
            return login;
        }
        CurrentUser = kUser;
        if (window == Window::View)
            return forms().show<Form_View>();
        if (window == Window::Write)
            return forms().show<Form_Write>();
        return forms().show<Form_Find>();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(); }
    void cleanup() { dropDiary(); }

    void typedNameIsTakenAsItStands_data() {
        QTest::addColumn<QStringList>("accounts"); // in stored order
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("signedIn"); // empty: "查无此人哦。"
        QTest::newRow("prefix of a longer listed name") << QStringList{"Annabel"} << "Anna"
                                                        << "";
        QTest::newRow("prefix of a name listed before it") << QStringList{"Annabel", "Anna"} << "Anna"
                                                           << "Anna";
        QTest::newRow("other letter case, stored form signs in") << QStringList{"Annabel", "Anna"} << "ANNA"
                                                                 << "Anna";
    }
    void typedNameIsTakenAsItStands() {
        QFETCH(QStringList, accounts);
        QFETCH(QString, typed);
        QFETCH(QString, signedIn);
        for (const QString& name : accounts)
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
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("pressed"); // empty: none
        const auto row = [](Window window, const char* focused, const char* pressed) {
            QTest::addRow("%s %s", window == Window::Registration ? "registration" : "", focused)
                << window << QString(focused) << QString(pressed);
        };
        row(Window::Login, "Command_Register", "Command_Register");
        row(Window::Login, "Text_PassWord", "Command_Login");
        row(Window::Registration, "Command_RegNo", "Command_RegNo");
        for (const char* button :
             {"Command_Insert", "Command_Delete", "Command_Updata", "Command_Find", "Command_Output", "Command_Input"})
            row(Window::View, button, button);
        for (const char* button : {"Command_Insert", "Command_Reset", "Command_Cancel"})
            row(Window::Write, button, button);
        row(Window::Write, "Text_DiaryTitle", "");
        row(Window::Find, "Text_KeyWords", "Command_Find");
    }
    void enterPressesTheFocusedButton() {
        QFETCH(Window, window);
        QFETCH(QString, focused);
        QFETCH(QString, pressed);
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        platform::Form* form = open(window);
        // Every question is answered No, so no press goes further than its first box.
        for (int i = 0; i < 3; ++i)
            MessageBox::setNextAnswer(MessageBox::Answer::No);
        std::map<QString, std::unique_ptr<QSignalSpy>> clicks;
        for (QPushButton* button : form->findChildren<QPushButton*>())
            clicks[button->objectName()] = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
        auto* target = form->findChild<QWidget*>(focused);
        QVERIFY(target && target->isVisible() && QTest::qWaitForWindowActive(form));
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key_Return);
        for (const auto& [name, spy] : clicks)
            QVERIFY2(spy->count() == (name == pressed ? 1 : 0), qPrintable(name));
    }

    // A failure that no procedure handles shows its number and description; the step that failed is undone, so
    // the user goes on in the window they were in, with everything it held and no hand-over left behind.
    // Without the failure, the same step goes through. (The hand-over to the editor: tst_handover.)
    void unhandledFailureLeavesTheWindowsAsTheyWere_data() {
        QTest::addColumn<Window>("from");
        QTest::addColumn<QString>("button");  // empty: the close box
        QTest::addColumn<QString>("failing"); // the window that cannot load
        const QString mainWindow = QStringLiteral("Form_View");
        QTest::newRow("sign-in: the main window cannot open") << Window::Login << "Command_Login" << mainWindow;
        QTest::newRow("editor: the main window cannot come back") << Window::Write << "Command_Cancel" << mainWindow;
        QTest::newRow("search window: the main window cannot come back") << Window::Find << "" << mainWindow;
    }
    void unhandledFailureLeavesTheWindowsAsTheyWere() {
        QFETCH(Window, from);
        QFETCH(QString, button);
        QFETCH(QString, failing);
        m_diary->addUser(kUser, app::hashPassword(QStringLiteral("pw")));
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        platform::Form* window = open(from);
        if (auto* login = qobject_cast<Form_Login*>(window)) {
            login->Combo_UserName->setEditText(kUser);
            login->Text_PassWord->setText(QStringLiteral("pw"));
        }
        if (auto* editor = qobject_cast<Form_Write*>(window))
            editor->RichTextBox_DiaryText->setStoredText(QStringLiteral("未保存"));
        const QString user = CurrentUser;
        const QStringList before = windowsOnShow();
        const auto press = [&] {
            button.isEmpty() ? void(window->close()) : window->findChild<QPushButton*>(button)->click();
        };
        // The banner of the failing window cannot be made, so that window cannot load.
        platform::Browser::setFactory([failing](QWidget* parent) -> platform::Browser* {
            if (parent && parent->objectName() == failing)
                throw dao::DaoError(3051, QStringLiteral("不能打开文件。"));
            return nullptr;
        });
        press();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"运行时错误 '3051'：\n\n不能打开文件。"});
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
