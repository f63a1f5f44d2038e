// The windows as a keyboard user meets them: names taken as typed, Enter on buttons and in text boxes, and
// what a failure that no procedure handles leaves behind, the hand-over to the editor among them.
#include "support/Windows.h"

#include "app/Passwords.h"
#include "db/DaoError.h"

#include <QSignalSpy>

#include <map>

namespace {
// The window a case starts in; the login window also in its registration view.
enum class Window { Login, Registration, View, Write, Find };
// What the user does there: a button, the close box, the search list's double click.
enum class Step { SignIn, Cancel, Close, New, Change, Import, OpenFound };
} // namespace

Q_DECLARE_METATYPE(Window)
Q_DECLARE_METATYPE(Step)

class TestKeyboard : public QObject, WindowFixture {
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

    // A window that cannot load (its banner cannot be made): the step that needed it is undone, so the user goes
    // on in the window they were in, with everything it showed and no hand-over or sign-in left behind; each
    // caller of the editor tells the user by its own rule. Once the window can load, the same step opens it for
    // the right task.
    void windowThatCannotLoadLeavesTheWindowsAsTheyWere_data() {
        QTest::addColumn<Window>("from");
        QTest::addColumn<Step>("step");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("shown");
        const QString view = QStringLiteral("Form_View"), editor = QStringLiteral("Form_Write");
        const QStringList box{"运行时错误 '3051'：\n\n不能打开文件。"};
        QTest::newRow("sign-in: the main window cannot open") << Window::Login << Step::SignIn << view << box;
        QTest::newRow("editor: the main window cannot come back") << Window::Write << Step::Cancel << view << box;
        QTest::newRow("search window: the main window cannot come back") << Window::Find << Step::Close << view << box;
        QTest::newRow("new entry") << Window::View << Step::New << editor << box;
        QTest::newRow("change") << Window::View << Step::Change << editor << QStringList{"请选中一篇日记"};
        QTest::newRow("import, silent") << Window::View << Step::Import << editor << QStringList();
        QTest::newRow("search result, silent") << Window::Find << Step::OpenFound << editor << QStringList();
    }
    void windowThatCannotLoadLeavesTheWindowsAsTheyWere() {
        QFETCH(Window, from);
        QFETCH(Step, step);
        QFETCH(QString, failing);
        m_diary->addUser(kUser, app::hashPassword(QStringLiteral("pw")));
        const qint64 entry = m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"));
        if (from != Window::Login)
            DiaryDb = m_diary->open();
        platform::Form* window = open(from);
        auto* login = qobject_cast<Form_Login*>(window);
        auto* view = qobject_cast<Form_View*>(window);
        auto* find = qobject_cast<Form_Find*>(window);
        auto* editor = qobject_cast<Form_Write*>(window);
        if (login) {
            login->Combo_UserName->setEditText(kUser);
            login->Text_PassWord->setText(QStringLiteral("pw"));
        } else if (view) {
            view->TreeView_Diary->selectNode(2);
        } else if (find) {
            find->Command_Find->click();
            find->ListView_Result->setCurrentIndex(find->results()->index(0, 0));
        } else {
            editor->RichTextBox_DiaryText->setStoredText(QStringLiteral("未保存"));
        }
        // What the window shows: the main window's pane and tree, the search rows, the editor's body.
        const auto shownBy = [&] {
            return view     ? paneTexts(view) + nodeTexts(view)
                   : find   ? QStringList{QString::number(find->results()->rowCount()), find->results()->text(0, 1)}
                   : editor ? QStringList{editor->RichTextBox_DiaryText->storedText()}
                            : QStringList{login->Combo_UserName->currentText()};
        };
        const auto press = [&] {
            if (step == Step::Import)
                FileDialog::setNextFileName(writeFile(m_diary->filePath("in.txt"), "导入"));
            if (step == Step::Close)
                window->close();
            else if (step == Step::OpenFound)
                find->ListView_Result_DblClick();
            else
                (step == Step::SignIn   ? login->Command_Login
                 : step == Step::Cancel ? editor->Command_Cancel
                 : step == Step::New    ? view->Command_Insert
                 : step == Step::Change ? view->Command_Updata
                                        : view->Command_Input)
                    ->click();
        };
        const QString user = CurrentUser;
        const QStringList windows = windowsOnShow(), shown = shownBy();
        platform::Browser::setFactory([failing](QWidget* parent) -> platform::Browser* {
            if (parent && parent->objectName() == failing)
                throw dao::DaoError(3051, QStringLiteral("不能打开文件。"));
            return nullptr;
        });
        press();
        QTEST(MessageBox::shownTexts(), "shown");
        QCOMPARE(windowsOnShow(), windows);
        QCOMPARE(shownBy(), shown);
        QVERIFY(EditCondition.isEmpty() && ImportFilePath.isEmpty() && CurrentUser == user);

        platform::Browser::setFactory(nullptr);
        press();
        QCOMPARE(windowsOnShow(), QStringList{failing});
        if (failing == QLatin1String("Form_Write")) {
            const auto mode = step == Step::New      ? Form_Write::Mode::New
                              : step == Step::Import ? Form_Write::Mode::Import
                                                     : Form_Write::Mode::Change;
            QCOMPARE(forms().loaded<Form_Write>()->mode(), mode);
            QCOMPARE(EditCondition, mode == Form_Write::Mode::Change ? sql::entryKey(entry) : QString());
        }
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
