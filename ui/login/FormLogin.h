#pragma once

#include "platform/FormRegistry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The first window: signs an account in, or registers a new one and signs it in at once.
class Form_Login : public platform::Form {
    Q_OBJECT
public:
    Form_Login();

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Event procedures.
    void Command_Login_Click();
    void Command_Register_Click();
    void Command_RegYes_Click();
    void Command_RegNo_Click();

    // The procedures they run.
    void FillUserList();
    void SignIn();
    void ShowRegisterView();
    void ShowLoginView();
    void RegisterAccount();

    QGroupBox* Frame_Login;
    QComboBox* Combo_UserName;
    QLabel* Label_UserName;
    QLabel* Label_PassWord;
    QLineEdit* Text_PassWord;
    QGroupBox* Frame_Register;
    QLabel* Label_RegUserName;
    QLineEdit* Text_RegUserName;
    QLabel* Label_RegPassWord;
    QLineEdit* Text_RegPassWord;
    QLabel* Label_RegPassWordC;
    QLineEdit* Text_RegPassWordC;
    QPushButton* Command_Login;
    QPushButton* Command_Register;
    QPushButton* Command_RegNo;
    QPushButton* Command_RegYes;

private:
    void setView(bool registration);
};
