// The login window: signing in and registering, the order of their checks and their exact messages, the two
// views of the window, and a start-up without a database.

#include "support/Windows.h"

class TestFormLogin : public QObject, WindowFixture {
    Q_OBJECT
private:
    static bool inLoginView(const Form_Login* login) {
        return login->windowTitle() == QStringLiteral("青简录 - 用户登陆") && login->Frame_Login->isVisible() &&
               login->Command_Login->isVisible() && !login->Frame_Register->isVisible() &&
               !login->Command_RegYes->isVisible();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(); }
    void cleanup() { dropDiary(); }

    // A registration refused with its message and everything typed kept, or the account stored (no password as
    // typed) and signed in; then a sign-in from a fresh login window. Accounts "taken" and "äbc" exist.
    void registrationChecksInOrderThenSignsIn_data() {
        // Typed to register (name, password, confirmation); the registration's refusal (empty: registered and
        // signed in); then typed to sign in (name, password); the sign-in's message (empty: signed in as the
        // registered name).
        for (const char* column : {"name", "password", "confirmation", "refusal", "signInName", "signInPassword"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, const QString& name, const QString& password, const QString& confirmation,
                            const QString& refusal, const QString& signInName = {}, const QString& signInPassword = {},
                            const QString& message = {}) {
            QTest::newRow(tag) << name << password << confirmation << refusal << signInName << signInPassword
                               << message;
        };
        const QString incomplete = QStringLiteral("请完整填写姓名和口令！");
        const QString taken = QStringLiteral("帐号已存在，请尝试换个。");
        row("empty confirmation beats a taken name", "TAKEN", "a", "", incomplete);
        row("empty name", "", "a", "a", incomplete);
        row("passwords differ in case", "new", "abc", "ABC", "两次密码输入不一致！");
        row("name taken in other case", "TAKEN", "a", "a", taken);
        row("name taken, non-ASCII case", "ÄBC", "a", "a", taken);
        const QString signInIncomplete = QStringLiteral("请完整填写你的姓名和你的口令！");
        row("same name and password", "O'Brien 李", "Pa'ss", "Pa'ss", {}, "O'Brien 李", "Pa'ss");
        row("password in other case", "zhang San", "Pa'ss", "Pa'ss", {}, "zhang San", "pa'ss", "口令不对哦！");
        row("no such person", "zhang San", "Pa'ss", "Pa'ss", {}, "li si", "Pa'ss", "查无此人哦。");
        row("empty password", "zhang San", "Pa'ss", "Pa'ss", {}, "zhang San", "", signInIncomplete);
        row("empty name", "zhang San", "Pa'ss", "Pa'ss", {}, "", "Pa'ss", signInIncomplete);
    }
    void registrationChecksInOrderThenSignsIn() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(QString, refusal);
        QFETCH(QString, signInName);
        QFETCH(QString, signInPassword);
        QFETCH(QString, message);
        m_diary->addUser(QStringLiteral("taken"), QStringLiteral("x"));
        m_diary->addUser(QStringLiteral("äbc"), QStringLiteral("x"));
        Form_Login* login = forms().show<Form_Login>();
        login->Command_Register->click();
        login->Text_RegUserName->setText(name);
        login->Text_RegPassWord->setText(password);
        login->Text_RegPassWordC->setText(confirmation);
        QCOMPARE(login->windowTitle(), QStringLiteral("青简录 - 用户注册"));
        login->Command_RegYes->click();
        QCOMPARE(windowsOnShow() + MessageBox::shownTexts(),
                 (refusal.isEmpty() ? QStringList{"Form_View"} : QStringList{"Form_Login", refusal}));
        const QList<QStringList> users = storedRows(*m_diary->open(), QStringLiteral("users"));
        if (!refusal.isEmpty()) {
            QVERIFY(users.size() == 2 && login->Frame_Register->isVisible() && login->Text_RegUserName->text() == name);
            return;
        }
        // Limit 1, no password as typed.
        QVERIFY(CurrentUser == name && users.size() == 3 && users[2][1] == "1" && users[2][3] != password);

        resetProgramState();
        login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText(signInName);
        login->Text_PassWord->setText(signInPassword);
        login->Command_Login->click();
        QCOMPARE(MessageBox::shownTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(CurrentUser, message.isEmpty() ? name : QString());
        QCOMPARE(windowsOnShow(), QStringList{message.isEmpty() ? "Form_View" : "Form_Login"});
        QVERIFY(message.isEmpty() ||
                (MessageBox::shown().front().title == "青简录" && login->Combo_UserName->currentText() == signInName));
    }

    // The window starts in the login view, the names in stored order and none chosen; closing the registration
    // view returns to it.
    void startsInTheLoginViewToWhichClosingTheRegistrationViewReturns() {
        m_diary->addUser(QStringLiteral("zhang"), QStringLiteral("x"));
        m_diary->addUser(QStringLiteral("Ä-li"), QStringLiteral("y"));
        Form_Login* login = forms().show<Form_Login>();
        QVERIFY(inLoginView(login));
        QVERIFY(login->Combo_UserName->count() == 2 && login->Combo_UserName->itemText(0) == "zhang" &&
                login->Combo_UserName->itemText(1) == "Ä-li" && login->Combo_UserName->currentText().isEmpty());
        login->Combo_UserName->setEditText(QStringLiteral("typed"));
        login->Command_Register->click();
        login->Text_RegPassWordC->setText(QStringLiteral("q"));
        QVERIFY(!login->close());
        QVERIFY(windowsOnShow() == QStringList{"Form_Login"} && inLoginView(login));
        QCOMPARE(login->Combo_UserName->currentText(), QStringLiteral("typed"));
        login->Command_Register->click();
        QCOMPARE(login->Text_RegPassWordC->text(), QStringLiteral("q"));
        login->Command_RegNo->click();
        QVERIFY(inLoginView(login));
        // In the login view the close box unloads the window.
        QVERIFY(login->close() && !forms().isLoaded<Form_Login>());
    }
};

QTEST_MAIN(TestFormLogin)
#include "tst_formlogin.moc"
