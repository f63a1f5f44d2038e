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
        // Typed name|password|confirmation; the registration's refusal (empty: registered and signed in); then
        // name|password typed to sign in; the sign-in's message (empty: signed in as the registered name).
        QTest::addColumn<QStringList>("row");
        const auto row = [](const char* tag, const QString& typed, const QString& refusal, const QString& signIn,
                            const QString& message) {
            QTest::newRow(tag) << QStringList{typed, refusal, signIn, message};
        };
        const QString incomplete = QStringLiteral("请完整填写姓名和口令！");
        const QString taken = QStringLiteral("帐号已存在，请尝试换个。");
        row("empty confirmation beats a taken name", "TAKEN|a|", incomplete, "", "");
        row("empty name", "|a|a", incomplete, "", "");
        row("passwords differ in case", "new|abc|ABC", "两次密码输入不一致！", "", "");
        row("name taken in other case", "TAKEN|a|a", taken, "", "");
        row("name taken, non-ASCII case", "ÄBC|a|a", taken, "", "");
        const QString signInIncomplete = QStringLiteral("请完整填写你的姓名和你的口令！");
        row("same name and password", "O'Brien 李|Pa'ss|Pa'ss", "", "O'Brien 李|Pa'ss", "");
        row("password in other case", "zhang San|Pa'ss|Pa'ss", "", "zhang San|pa'ss", "口令不对哦！");
        row("no such person", "zhang San|Pa'ss|Pa'ss", "", "li si|Pa'ss", "查无此人哦。");
        row("empty password", "zhang San|Pa'ss|Pa'ss", "", "zhang San|", signInIncomplete);
        row("empty name", "zhang San|Pa'ss|Pa'ss", "", "|Pa'ss", signInIncomplete);
    }
    void registrationChecksInOrderThenSignsIn() {
        QFETCH(QStringList, row);
        const QString &typed = row[0], &refusal = row[1], &signIn = row[2], &message = row[3];
        m_diary->addUser(QStringLiteral("taken"), QStringLiteral("x"));
        m_diary->addUser(QStringLiteral("äbc"), QStringLiteral("x"));
        Form_Login* login = forms().show<Form_Login>();
        login->Command_Register->click();
        login->Text_RegUserName->setText(typed.section('|', 0, 0));
        login->Text_RegPassWord->setText(typed.section('|', 1, 1));
        login->Text_RegPassWordC->setText(typed.section('|', 2, 2));
        QCOMPARE(login->windowTitle(), QStringLiteral("青简录 - 用户注册"));
        login->Command_RegYes->click();
        QCOMPARE(windowsOnShow() + MessageBox::shownTexts(),
                 (refusal.isEmpty() ? QStringList{"Form_View"} : QStringList{"Form_Login", refusal}));
        const QList<QStringList> users = storedRows(*m_diary->open(), QStringLiteral("users"));
        const QString name = typed.section('|', 0, 0);
        if (!refusal.isEmpty()) {
            QVERIFY(users.size() == 2 && login->Frame_Register->isVisible() && login->Text_RegUserName->text() == name);
            return;
        }
        // Limit 1, no password as typed.
        QVERIFY(CurrentUser == name && users.size() == 3 && users[2][1] == "1" && users[2][3] != "Pa'ss");

        resetProgramState();
        login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText(signIn.section('|', 0, 0));
        login->Text_PassWord->setText(signIn.section('|', 1));
        login->Command_Login->click();
        QCOMPARE(MessageBox::shownTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(CurrentUser, message.isEmpty() ? name : QString());
        QCOMPARE(windowsOnShow(), QStringList{message.isEmpty() ? "Form_View" : "Form_Login"});
        QVERIFY(message.isEmpty() || (MessageBox::shown().front().title == "青简录" &&
                                      login->Combo_UserName->currentText() == signIn.section('|', 0, 0)));
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
