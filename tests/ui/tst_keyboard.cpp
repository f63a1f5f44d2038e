// The windows as a keyboard user meets them: names taken as typed, Enter on buttons and in text boxes, and
// what a failure that no procedure handles leaves behind.
#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/Globals.h"
#include "app/Passwords.h"
#include "db/DaoError.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/login/FormLogin.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <map>

using platform::forms;
using platform::MessageBox;

namespace {
const QString kUser = QStringLiteral("张三");

// Makes the banner of the window named failing fail to be made, so that window cannot load.
void failLoadingOf(const QString& failing) {
    platform::Browser::setFactory([failing](QWidget* parent) -> platform::Browser* {
        if (parent && parent->objectName() == failing)
            throw dao::DaoError(3051, QStringLiteral("不能打开文件。"));
        return nullptr;
    });
}

bool shownUnhandledError() {
    const QStringList shown = MessageBox::shownTexts();
    return shown.size() == 1 && shown.front().contains(QStringLiteral("3051"));
}
} // namespace

class TestKeyboard : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    // The window named form, opened the way the program opens it; "Form_Register" is the login window's
    // registration view.
    platform::Form* open(const QString& form) {
        if (form == QLatin1String("Form_Login") || form == QLatin1String("Form_Register")) {
            Form_Login* login = forms().show<Form_Login>();
            if (form == QLatin1String("Form_Register"))
                login->Command_Register->click();
            return login;
        }
        CurrentUser = kUser;
        if (form == QLatin1String("Form_View"))
            return forms().show<Form_View>();
        if (form == QLatin1String("Form_Write"))
            return forms().show<Form_Write>();
        return forms().show<Form_Find>();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(); }
    void cleanup() { dropDiary(); }

    void typedNameIsTakenAsItStands_data() {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("signedIn");
        QTest::addColumn<QString>("notice");
        const QStringList annabelFirst{QStringLiteral("Annabel"), QStringLiteral("Anna")};
        QTest::newRow("prefix of a longer listed name, not an account")
            << QStringList{QStringLiteral("Annabel")} << "Anna"
            << ""
            << "查无此人哦。";
        QTest::newRow("prefix of a name listed before it") << annabelFirst << "Anna"
                                                           << "Anna"
                                                           << "";
        QTest::newRow("the longer name itself") << annabelFirst << "Annabel"
                                                << "Annabel"
                                                << "";
        QTest::newRow("other letter case, stored form signs in") << annabelFirst << "ANNA"
                                                                 << "Anna"
                                                                 << "";
    }
    void typedNameIsTakenAsItStands() {
        QFETCH(QStringList, listed);
        QFETCH(QString, typed);
        QFETCH(QString, signedIn);
        QFETCH(QString, notice);
        for (const QString& name : listed)
            m_diary->addUser(name, app::hashPassword(QStringLiteral("pw-") + name));
        Form_Login* login = forms().show<Form_Login>();
        QCOMPARE(login->Combo_UserName->count(), listed.size());
        QVERIFY(QTest::qWaitForWindowActive(login));
        login->Combo_UserName->setFocus();
        QTest::keyClicks(login->Combo_UserName, typed);
        QCOMPARE(login->Combo_UserName->currentText(), typed);
        login->Text_PassWord->setText(QStringLiteral("pw-") + (signedIn.isEmpty() ? typed : signedIn));
        QSignalSpy pressed(login->Command_Login, &QPushButton::clicked);
        // One Enter in the name box signs in: nothing completed to accept first.
        QTest::keyClick(login->Combo_UserName, Qt::Key_Return);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(CurrentUser, signedIn);
        QCOMPARE(MessageBox::shownTexts(), notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(forms().isLoaded<Form_View>(), !signedIn.isEmpty());
        if (!signedIn.isEmpty())
            QVERIFY(forms().loaded<Form_View>()->windowTitle().endsWith(QStringLiteral("【") + signedIn +
                                                                        QStringLiteral("】")));
        else
            QCOMPARE(login->Combo_UserName->currentText(), typed);
    }

    // Enter, with the focus on the given control, presses the given button and no other.
    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("pressed");
        const int enter = Qt::Key_Return;
        const std::map<QString, QStringList> buttons{
            {QStringLiteral("Form_Login"), {QStringLiteral("Command_Login"), QStringLiteral("Command_Register")}},
            {QStringLiteral("Form_Register"), {QStringLiteral("Command_RegYes"), QStringLiteral("Command_RegNo")}},
            {QStringLiteral("Form_View"),
             {QStringLiteral("Command_Insert"), QStringLiteral("Command_Delete"), QStringLiteral("Command_Updata"),
              QStringLiteral("Command_Find"), QStringLiteral("Command_Output"), QStringLiteral("Command_Input")}},
            {QStringLiteral("Form_Write"),
             {QStringLiteral("Command_Insert"), QStringLiteral("Command_Reset"), QStringLiteral("Command_Cancel")}},
            {QStringLiteral("Form_Find"), {QStringLiteral("Command_Find")}},
        };
        for (const auto& [form, names] : buttons)
            for (const QString& name : names)
                QTest::newRow(qPrintable(form + QLatin1Char('/') + name)) << form << name << enter << name;
        QTest::newRow("keypad Enter on 注册帐号") << "Form_Login"
                                                  << "Command_Register" << int(Qt::Key_Enter) << "Command_Register";
        QTest::newRow("Space on 注册帐号") << "Form_Login"
                                           << "Command_Register" << int(Qt::Key_Space) << "Command_Register";
        QTest::newRow("name box: the default button") << "Form_Login"
                                                      << "Combo_UserName" << enter << "Command_Login";
        QTest::newRow("password box: the default button") << "Form_Login"
                                                          << "Text_PassWord" << enter << "Command_Login";
        QTest::newRow("search words: 来查找") << "Form_Find"
                                              << "Text_KeyWords" << enter << "Command_Find";
        QTest::newRow("editor title: nothing, no default button") << "Form_Write"
                                                                  << "Text_DiaryTitle" << enter << "";
    }
    void enterPressesTheFocusedButton() {
        QFETCH(QString, form);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, pressed);
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        platform::Form* window = open(form);
        MessageBox::clearShown();
        // Every question is answered No, so no press goes further than its first box.
        for (int i = 0; i < 3; ++i)
            MessageBox::setNextAnswer(MessageBox::Answer::No);
        std::map<QString, std::unique_ptr<QSignalSpy>> clicks;
        for (QPushButton* button : window->findChildren<QPushButton*>())
            clicks[button->objectName()] = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
        auto* target = window->findChild<QWidget*>(focus);
        QVERIFY(target && target->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(window));
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key));
        for (const auto& [name, spy] : clicks)
            QVERIFY2(spy->count() == (name == pressed ? 1 : 0), qPrintable(name));
    }

    void failedChangeHandOverLeavesNoEditConditionBehind() {
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        auto* view = static_cast<Form_View*>(open(QStringLiteral("Form_View")));
        for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
            if (view->TreeView_Diary->node(i)->key == QStringLiteral("id = %1").arg(id))
                view->TreeView_Diary->selectNode(i);
        failLoadingOf(QStringLiteral("Form_Write"));
        view->Command_Updata->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("请选中一篇日记")});
        QVERIFY(view->isVisible());
        QVERIFY(EditCondition.isEmpty());

        platform::Browser::setFactory(nullptr);
        view->Command_Insert->click();
        QVERIFY(forms().isLoaded<Form_Write>());
        QCOMPARE(forms().loaded<Form_Write>()->mode(), Form_Write::Mode::New);
        QVERIFY(forms().loaded<Form_Write>()->Text_DiaryTitle->text().isEmpty());
    }

    // A failure that no procedure handles shows its number and description; the step that failed is undone,
    // so the user goes on in the window they were in, with everything it held.
    void unhandledFailureLeavesTheWindowsAsTheyWere_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("failing");
        QTest::newRow("sign-in: the main window cannot open") << "Form_Login"
                                                              << "Form_View";
        QTest::newRow("new entry: the editor cannot open") << "Form_View"
                                                           << "Form_Write";
        QTest::newRow("editor: the main window cannot come back") << "Form_Write"
                                                                  << "Form_View";
        QTest::newRow("search window: the main window cannot come back") << "Form_Find"
                                                                         << "Form_View";
    }
    void unhandledFailureLeavesTheWindowsAsTheyWere() {
        QFETCH(QString, from);
        QFETCH(QString, failing);
        m_diary->addUser(kUser, app::hashPassword(QStringLiteral("pw")));
        platform::Form* window = open(from);
        if (from == QLatin1String("Form_Login")) {
            CurrentUser.clear();
            auto* login = static_cast<Form_Login*>(window);
            login->Combo_UserName->setEditText(kUser);
            login->Text_PassWord->setText(QStringLiteral("pw"));
        }
        if (from == QLatin1String("Form_Write"))
            static_cast<Form_Write*>(window)->RichTextBox_DiaryText->setStoredText(QStringLiteral("未保存"));
        const int loaded = forms().loadedCount();
        failLoadingOf(failing);
        MessageBox::clearShown();

        const std::map<QString, QString> leave{{QStringLiteral("Form_Login"), QStringLiteral("Command_Login")},
                                               {QStringLiteral("Form_Write"), QStringLiteral("Command_Cancel")}};
        if (from == QLatin1String("Form_View"))
            static_cast<Form_View*>(window)->Command_Insert->click();
        else if (leave.count(from))
            window->findChild<QPushButton*>(leave.at(from))->click();
        else
            QVERIFY(!window->close());

        QVERIFY2(shownUnhandledError(), qPrintable(MessageBox::shownTexts().join(QLatin1Char('|'))));
        QVERIFY(window->isVisible());
        QCOMPARE(forms().loadedCount(), loaded);
        if (from == QLatin1String("Form_Login"))
            QVERIFY(CurrentUser.isEmpty());
        if (from == QLatin1String("Form_Write"))
            QCOMPARE(static_cast<Form_Write*>(window)->RichTextBox_DiaryText->storedText(), QStringLiteral("未保存"));

        // Once the failure is gone, the same step goes through.
        platform::Browser::setFactory(nullptr);
        MessageBox::clearShown();
        if (from == QLatin1String("Form_Login"))
            static_cast<Form_Login*>(window)->Command_Login->click();
        else if (from != QLatin1String("Form_View"))
            window->close();
        if (from != QLatin1String("Form_View")) {
            QVERIFY(forms().isLoaded<Form_View>());
            QVERIFY(!forms().isLoaded<Form_Login>() && !forms().isLoaded<Form_Write>() &&
                    !forms().isLoaded<Form_Find>());
        }
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
