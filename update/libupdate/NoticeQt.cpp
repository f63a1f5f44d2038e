#include "Notice.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QWidget>

namespace libupdate {
namespace {

// Runs on the application's thread: a non-modal box over the caller's window when it is still there.
void showMessageBox(const QString& title, const QString& text, std::int32_t window) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
    if (const QWidget* owner = window ? QWidget::find(static_cast<WId>(static_cast<std::uint32_t>(window))) : nullptr;
        owner && owner->isVisible()) {
        const QRect frame = owner->window()->frameGeometry();
        box->move(frame.center() - box->rect().center());
    }
}

} // namespace

void showSystemNotice(const std::string& title, const std::string& text, std::int32_t window) {
    // The notice needs the host's widget application; a host without one gets none.
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [title = QString::fromStdString(title), text = QString::fromStdString(text), window] {
            showMessageBox(title, text, window);
        },
        Qt::QueuedConnection);
}

} // namespace libupdate
