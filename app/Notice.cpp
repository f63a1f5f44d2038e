#include "Notice.h"

#include "db/DaoError.h"
#include "platform/MessageBox.h"

using platform::MessageBox;

void ShowNotice(const QString& text) {
    MessageBox::show({text, QStringLiteral("青简录"), MessageBox::Buttons::Ok, MessageBox::Answer::Ok});
}

namespace app {

void showAppMessage(const QString& text) {
    MessageBox::show({text, QString(), MessageBox::Buttons::Ok, MessageBox::Answer::Ok});
}

bool askYesNo(const QString& text) {
    return MessageBox::show({text, QStringLiteral("青简录"), MessageBox::Buttons::YesNo, MessageBox::Answer::Yes}) ==
           MessageBox::Answer::Yes;
}

void reportUnhandledError(int number, const QString& description) {
    showAppMessage(QStringLiteral("运行时错误 '%1'：\n\n%2").arg(number).arg(description));
}

void reportUnhandledError(const dao::DaoError& error) {
    reportUnhandledError(error.number(), error.description());
}

} // namespace app
