#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/login/FormLogin.h"
#include "ui/view/FormView.h"

#include <QFile>
#include <QTest>

using platform::forms;
using platform::MessageBox;

class TestFormLogin : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

    Form_Login* openLogin() {
        Form_Login* login = forms().show<Form_Login>();
        return login;
    }
    void typeSignIn(Form_Login* login, const QString& name, const QString& password) {
        login->Combo_UserName->setEditText(name);
        login->Text_PassWord->setText(password);
    }
    void typeRegistration(Form_Login* login, const QString& name, const QString& password,
                          const QString& confirmation) {
        login->Command_Register->click();
        login->Text_RegUserName->setText(name);
        login->Text_RegPassWord->setText(password);
        login->Text_RegPassWordC->setText(confirmation);
    }
    // Registers through the window and returns to a fresh login window.
    void registerAccount(const QString& name, const QString& password) {
        Form_Login* login = openLogin();
        typeRegistration(login, name, password, password);
        login->Command_RegYes->click();
        QVERIFY(forms().isLoaded<Form_View>());
        forms().resetForTests();
        MessageBox::clearShown();
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
    }
    void init() {
        testsupport::resetProgramState();
        m_diary = std::make_unique<testsupport::TempDiary>();
    }
    void cleanup() {
        forms().resetForTests();
        m_diary.reset();
    }

    void startsInTheLoginViewWithNamesInDatabaseOrder() {
        m_diary->addUser(QStringLiteral("zhang"), QStringLiteral("x"));
        m_diary->addUser(QStringLiteral("Ä-li"), QStringLiteral("y"));
        Form_Login* login = openLogin();
        QCOMPARE(login->windowTitle(), QStringLiteral("青简录 - 用户登陆"));
        QVERIFY(login->Frame_Login->isVisible());
        QVERIFY(!login->Frame_Register->isVisible());
        QVERIFY(login->Command_Login->isVisible() && login->Command_Register->isVisible());
        QVERIFY(!login->Command_RegYes->isVisible() && !login->Command_RegNo->isVisible());
        QCOMPARE(login->Combo_UserName->count(), 2);
        QCOMPARE(login->Combo_UserName->itemText(0), QStringLiteral("zhang"));
        QCOMPARE(login->Combo_UserName->itemText(1), QStringLiteral("Ä-li"));
        QCOMPARE(login->Combo_UserName->currentText(), QString());
        QVERIFY(DiaryDb);
        QVERIFY(login->findChild<QWidget*>(QStringLiteral("Text_RegPassWordC")));
    }

    void firstAccountRegistersAndSignsIn() {
        Form_Login* login = openLogin();
        QCOMPARE(login->Combo_UserName->count(), 0);
        typeRegistration(login, QStringLiteral("O'Brien 李"), QStringLiteral("Pa'ss"), QStringLiteral("Pa'ss"));
        QCOMPARE(login->windowTitle(), QStringLiteral("青简录 - 用户注册"));
        login->Command_RegYes->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(CurrentUser, QStringLiteral("O'Brien 李"));
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(forms().loaded<Form_View>()->isVisible());
        QVERIFY(!forms().isLoaded<Form_Login>());

        // The password is not kept as typed.
        auto rs = m_diary->open()->OpenRecordset(QStringLiteral("Select * from users"));
        QCOMPARE(rs->RecordCount(), 1);
        QCOMPARE(rs->Fields(QStringLiteral("limit")).toLongLong(), 1);
        QVERIFY(rs->Fields(QStringLiteral("password")).toString() != QStringLiteral("Pa'ss"));
    }

    void signIn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("name in other case, stored form kept") << "ZHANG san"
                                                              << "Secret"
                                                              << "";
        QTest::newRow("password in other case") << "zhang San"
                                                << "secret"
                                                << "口令不对哦！";
        QTest::newRow("no such person") << "li si"
                                        << "Secret"
                                        << "查无此人哦。";
        QTest::newRow("empty password") << "zhang San"
                                        << ""
                                        << "请完整填写你的姓名和你的口令！";
        QTest::newRow("empty name") << ""
                                    << "Secret"
                                    << "请完整填写你的姓名和你的口令！";
        QTest::newRow("blanks are part of the name") << " zhang San"
                                                     << "Secret"
                                                     << "查无此人哦。";
        QTest::newRow("quote in the name is just a character") << "zhang San' OR '1'='1"
                                                               << "Secret"
                                                               << "查无此人哦。";
    }
    void signIn() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, message);
        registerAccount(QStringLiteral("zhang San"), QStringLiteral("Secret"));
        app::resetGlobals();
        Form_Login* login = openLogin();
        typeSignIn(login, name, password);
        login->Command_Login->click();
        if (message.isEmpty()) {
            QCOMPARE(MessageBox::shownTexts(), QStringList());
            QCOMPARE(CurrentUser, QStringLiteral("zhang San"));
            QVERIFY(!forms().isLoaded<Form_Login>());
        } else {
            QCOMPARE(MessageBox::shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::shown().front().title, QStringLiteral("青简录"));
            QVERIFY(CurrentUser.isEmpty());
            QVERIFY(login->isVisible());
            QCOMPARE(login->Combo_UserName->currentText(), name);
        }
    }

    void enterPressesSignIn() {
        Form_Login* login = openLogin();
        QTest::keyClick(login->Text_PassWord, Qt::Key_Return);
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("请完整填写你的姓名和你的口令！")});
    }

    void registrationChecksInOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty confirmation beats taken name") << "TAKEN"
                                                             << "a"
                                                             << ""
                                                             << "请完整填写姓名和口令！";
        QTest::newRow("empty name") << ""
                                    << "a"
                                    << "a"
                                    << "请完整填写姓名和口令！";
        QTest::newRow("passwords differ in case") << "new"
                                                  << "abc"
                                                  << "ABC"
                                                  << "两次密码输入不一致！";
        QTest::newRow("name taken in other case") << "TAKEN"
                                                  << "a"
                                                  << "a"
                                                  << "帐号已存在，请尝试换个。";
        QTest::newRow("name taken, non-ascii case") << "ÄBC"
                                                    << "a"
                                                    << "a"
                                                    << "帐号已存在，请尝试换个。";
    }
    void registrationChecksInOrder() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(QString, message);
        m_diary->addUser(QStringLiteral("taken"), QStringLiteral("x"));
        m_diary->addUser(QStringLiteral("äbc"), QStringLiteral("x"));
        Form_Login* login = openLogin();
        typeRegistration(login, name, password, confirmation);
        login->Command_RegYes->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{message});
        // These boxes carry the application's title.
        QCOMPARE(MessageBox::shown().front().title, MessageBox::applicationTitle());
        QVERIFY(login->Frame_Register->isVisible());
        QCOMPARE(login->Text_RegUserName->text(), name);
        auto rs = m_diary->open()->OpenRecordset(QStringLiteral("Select * from users"));
        rs->MoveLast();
        QCOMPARE(rs->RecordCount(), 2);
    }

    void closingTheRegistrationViewReturnsToLogin() {
        Form_Login* login = openLogin();
        typeSignIn(login, QStringLiteral("typed"), QStringLiteral("pw"));
        typeRegistration(login, QStringLiteral("new"), QStringLiteral("p"), QStringLiteral("q"));
        QVERIFY(!login->close());
        QVERIFY(forms().isLoaded<Form_Login>());
        QCOMPARE(login->windowTitle(), QStringLiteral("青简录 - 用户登陆"));
        QVERIFY(login->Frame_Login->isVisible() && login->Command_Login->isVisible() &&
                login->Command_Register->isVisible());
        QVERIFY(!login->Frame_Register->isVisible() && !login->Command_RegYes->isVisible());
        QCOMPARE(login->Combo_UserName->currentText(), QStringLiteral("typed"));
        login->Command_Register->click();
        QCOMPARE(login->Text_RegPassWordC->text(), QStringLiteral("q"));
        login->Command_RegNo->click();
        // In the login view the close box unloads the window.
        QVERIFY(login->close());
        QVERIFY(!forms().isLoaded<Form_Login>());
    }

    void startupWithoutDatabaseShowsTheErrorAndEnds() {
        QFile::remove(m_diary->databasePath());
        QVERIFY(!Main());
        QVERIFY(!forms().isLoaded<Form_Login>());
        const QStringList shown = MessageBox::shownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.front().contains(QStringLiteral("3024")), qPrintable(shown.front()));
        QVERIFY(!QFile::exists(m_diary->databasePath()));
    }
};

QTEST_MAIN(TestFormLogin)
#include "tst_formlogin.moc"
