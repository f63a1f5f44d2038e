#include "FormLogin.h"

#include "platform/ButtonKeys.h"
#include "platform/Controls.h"

#include "app/AutoBackup.h"
#include "app/BackgroundWork.h"
#include "app/DiaryStore.h"
#include "app/ErrorRules.h"
#include "app/Globals.h"
#include "app/Notice.h"
#include "db/DiaryDatabase.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"
#include "ui/view/FormView.h"

using platform::forms;
using platform::Twips::place;

using platform::named;
using platform::plainLabel;

namespace {
const QString kLoginTitle = QStringLiteral("青简录 - 用户登陆");
const QString kRegisterTitle = QStringLiteral("青简录 - 用户注册");

QLineEdit* passwordBox(QWidget* parent, const char* name) {
    auto* box = named(new QLineEdit(parent), name);
    box->setEchoMode(QLineEdit::Password);
    // Every character shows as "*".
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    return box;
}

} // namespace

Form_Login::Form_Login() {
    setObjectName(QStringLiteral("Form_Login"));
    setWindowTitle(kLoginTitle);
    setAttribute(Qt::WA_DeleteOnClose, false);

    Frame_Login = named(new QGroupBox(QStringLiteral("用户登陆"), this), "Frame_Login");
    Combo_UserName = named(new QComboBox(Frame_Login), "Combo_UserName");
    Combo_UserName->setEditable(true);
    Combo_UserName->setInsertPolicy(QComboBox::NoInsert);
    // The name is read exactly as typed: no completion to a longer listed name, and Enter does not swap the
    // typed text for a listed name that differs from it only in letter case.
    Combo_UserName->setCompleter(nullptr);
    Combo_UserName->setDuplicatesEnabled(true);
    Label_UserName = plainLabel(Frame_Login, "Label_UserName", QStringLiteral("你的姓名："));
    Label_PassWord = plainLabel(Frame_Login, "Label_PassWord", QStringLiteral("你的口令："));
    Text_PassWord = passwordBox(Frame_Login, "Text_PassWord");

    Frame_Register = named(new QGroupBox(QStringLiteral("用户注册"), this), "Frame_Register");
    Label_RegUserName = plainLabel(Frame_Register, "Label_RegUserName", QStringLiteral("你的姓名："));
    Text_RegUserName = named(new QLineEdit(Frame_Register), "Text_RegUserName");
    Label_RegPassWord = plainLabel(Frame_Register, "Label_RegPassWord", QStringLiteral("你的口令："));
    Text_RegPassWord = passwordBox(Frame_Register, "Text_RegPassWord");
    Label_RegPassWordC = plainLabel(Frame_Register, "Label_RegPassWordC", QStringLiteral("确认口令："));
    Text_RegPassWordC = passwordBox(Frame_Register, "Text_RegPassWordC");

    Command_Login = named(new QPushButton(QStringLiteral("打开日记[&Enter]"), this), "Command_Login");
    Command_Register = named(new QPushButton(QStringLiteral("注册帐号[&R]"), this), "Command_Register");
    Command_RegNo = named(new QPushButton(QStringLiteral("取消注册"), this), "Command_RegNo");
    Command_RegYes = named(new QPushButton(QStringLiteral("确认注册"), this), "Command_RegYes");
    for (QPushButton* button : {Command_Login, Command_Register, Command_RegNo, Command_RegYes})
        button->setAutoDefault(false);
    setDefaultButton(Command_Login);
    platform::pressFocusedButtonOnEnter(this);

    // Geometry in twips, relative to each control's container.
    setFixedSize(platform::Twips::toPixels(5535, this), platform::Twips::toPixels(2625, this));
    place(Frame_Login, 120, 120, 5295, 2415);
    place(Combo_UserName, 1920, 480, 2295, 300);
    place(Label_UserName, 960, 520, 900, 180);
    place(Label_PassWord, 960, 1120, 900, 180);
    place(Text_PassWord, 1920, 1080, 2295, 270);
    place(Frame_Register, 120, 120, 5295, 2415);
    place(Label_RegUserName, 960, 405, 900, 180);
    place(Text_RegUserName, 1920, 360, 2535, 270);
    place(Label_RegPassWord, 960, 885, 900, 180);
    place(Text_RegPassWord, 1920, 840, 2535, 270);
    place(Label_RegPassWordC, 960, 1365, 900, 180);
    place(Text_RegPassWordC, 1920, 1320, 2535, 270);
    place(Command_Login, 720, 1800, 1815, 375);
    place(Command_Register, 3000, 1800, 1815, 375);
    place(Command_RegNo, 3000, 1920, 1695, 375);
    place(Command_RegYes, 840, 1920, 1695, 375);
    // Labels are sized to their text from their designed place, so no caption is clipped.
    for (QLabel* l : {Label_UserName, Label_PassWord, Label_RegUserName, Label_RegPassWord, Label_RegPassWordC})
        l->resize(l->sizeHint().expandedTo(l->size()));
    for (QPushButton* button : {Command_Login, Command_Register, Command_RegNo, Command_RegYes})
        button->raise();

    // Keyboard order as designed: the name, the password, then the registration boxes, then the buttons.
    QWidget::setTabOrder(Combo_UserName, Text_PassWord);
    QWidget::setTabOrder(Text_PassWord, Text_RegUserName);
    QWidget::setTabOrder(Text_RegUserName, Text_RegPassWord);
    QWidget::setTabOrder(Text_RegPassWord, Text_RegPassWordC);
    QWidget::setTabOrder(Text_RegPassWordC, Command_Login);
    QWidget::setTabOrder(Command_Login, Command_Register);
    QWidget::setTabOrder(Command_Register, Command_RegNo);
    QWidget::setTabOrder(Command_RegNo, Command_RegYes);

    connect(Command_Login, &QPushButton::clicked, this, [this] { Command_Login_Click(); });
    connect(Command_Register, &QPushButton::clicked, this, [this] { Command_Register_Click(); });
    connect(Command_RegYes, &QPushButton::clicked, this, [this] { Command_RegYes_Click(); });
    connect(Command_RegNo, &QPushButton::clicked, this, [this] { Command_RegNo_Click(); });

    Frame_Register->hide();
    Command_RegNo->hide();
    Command_RegYes->hide();
}

void Form_Login::Form_Load() {
    // Not handled here: without its database the program cannot start, and the caller ends it.
    FillUserList();
    // Centred on the screen by its outer size when shown.
    platform::WindowSizeLimit::centreWhenShown(this);
}

void Form_Login::Form_Unload(bool& cancel) {
    if (!Frame_Register->isHidden()) {
        cancel = true;
        ShowLoginView();
    }
}

void Form_Login::Command_Login_Click() {
    app::runHandled([this] { SignIn(); });
}
void Form_Login::Command_Register_Click() {
    ShowRegisterView();
}
void Form_Login::Command_RegYes_Click() {
    app::runHandled([this] { RegisterAccount(); });
}
void Form_Login::Command_RegNo_Click() {
    ShowLoginView();
}

void Form_Login::FillUserList() {
    DiaryDb = dao::OpenDiaryDatabase();
    const QStringList names = app::diaryStore().accountNames();
    if (names.isEmpty())
        return;
    Combo_UserName->addItems(names);
    Combo_UserName->setCurrentIndex(-1);
    Combo_UserName->setEditText(QString());
}

void Form_Login::SignIn() {
    const QString name = Combo_UserName->currentText();
    const QString password = Text_PassWord->text();
    if (password.isEmpty() || name.isEmpty()) {
        ShowNotice(QStringLiteral("请完整填写你的姓名和你的口令！"));
        return;
    }
    // Work in the background gives way until the main window is up.
    if (app::BackgroundWork* work = app::BackgroundWork::current())
        work->holdUntilIdle();
    const app::DiaryStore::SignIn account = app::diaryStore().checkPassword(name, password);
    if (account.check == app::DiaryStore::PasswordCheck::UnknownAccount) {
        ShowNotice(QStringLiteral("查无此人哦。"));
        return;
    }
    if (account.check == app::DiaryStore::PasswordCheck::WrongPassword) {
        ShowNotice(QStringLiteral("口令不对哦！"));
        return;
    }
    const QString signedInBefore = CurrentUser;
    CurrentUser = account.storedName;
    hide();
    try {
        forms().show<Form_View>();
    } catch (...) {
        // The main window could not be opened: the user is back where they were, in this window, not
        // signed in, and the failure goes on to this procedure's caller, which reports it.
        CurrentUser = signedInBefore;
        show();
        throw;
    }
    forms().unload(this);
    app::backUpAfterSignIn();
}

void Form_Login::setView(bool registration) {
    Frame_Register->setVisible(registration);
    Command_RegYes->setVisible(registration);
    Command_RegNo->setVisible(registration);
    Frame_Login->setVisible(!registration);
    Command_Login->setVisible(!registration);
    Command_Register->setVisible(!registration);
    setWindowTitle(registration ? kRegisterTitle : kLoginTitle);
}

void Form_Login::ShowRegisterView() {
    setView(true);
    Text_RegUserName->setFocus();
}

void Form_Login::ShowLoginView() {
    setView(false);
}

void Form_Login::RegisterAccount() {
    const QString name = Text_RegUserName->text();
    const QString password = Text_RegPassWord->text();
    const QString confirmation = Text_RegPassWordC->text();
    if (name.isEmpty() || password.isEmpty() || confirmation.isEmpty()) {
        app::showAppMessage(QStringLiteral("请完整填写姓名和口令！"));
        return;
    }
    if (password != confirmation) {
        app::showAppMessage(QStringLiteral("两次密码输入不一致！"));
        return;
    }
    const QString taken = QStringLiteral("帐号已存在，请尝试换个。");
    app::DiaryStore diary = app::diaryStore();
    if (diary.accountExists(name)) {
        app::showAppMessage(taken);
        return;
    }
    try {
        diary.createAccount(name, password);
    } catch (const dao::DaoError& error) {
        // Another copy of the program registered the same name since the check above.
        if (error.number() != dao::errDuplicateValue)
            throw;
        app::showAppMessage(taken);
        return;
    }
    ShowLoginView();
    Combo_UserName->setEditText(name);
    Text_PassWord->setText(password);
    SignIn();
}
