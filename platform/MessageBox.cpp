#include "MessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace platform {
namespace {
struct TestState {
    bool on = false;
    std::deque<MessageBox::Answer> answers;
    std::vector<MessageBox::Request> shown;
};
TestState& state() {
    static TestState s;
    return s;
}

// The narrowest a box may be: a window manager's title bar holds the icon and up to three buttons beside the
// title, and a box only as wide as its short text leaves the title no room ("…"). Eight title-bar heights of
// the box's font cover the buttons and their padding on the common themes; the title's own width, drawn in
// bold as title bars do, comes on top.
int minimumBoxWidth(const QMessageBox* box, const QString& title) {
    QFont bold = box->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(title) + 8 * metrics.height();
}

QMessageBox* buildBox(const MessageBox::Request& request, const QString& title) {
    auto* box =
        new QMessageBox(QMessageBox::NoIcon, title, request.text, QMessageBox::NoButton, QApplication::activeWindow());
    // QMessageBox sizes itself to its text and ignores a minimum width; a spacer across its grid holds it.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(minimumBoxWidth(box, title), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    if (request.buttons == MessageBox::Buttons::Ok) {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    } else {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(request.defaultAnswer == MessageBox::Answer::No ? QMessageBox::No : QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    }
    return box;
}
} // namespace

QString MessageBox::applicationTitle() {
    // The product name, said here rather than as Qt's application display name: Qt appends that name to
    // every window title on X11 and Windows, which would change each window's caption.
    return QStringLiteral("青简录");
}

QString MessageBox::effectiveTitle(const Request& request) {
    return request.title.isEmpty() ? applicationTitle() : request.title;
}

MessageBox::Answer MessageBox::show(const Request& request) {
    auto& s = state();
    if (s.on) {
        Request recorded = request;
        recorded.title = effectiveTitle(request);
        s.shown.push_back(recorded);
        if (request.buttons == Buttons::Ok)
            return Answer::Ok;
        if (s.answers.empty())
            return request.defaultAnswer;
        Answer answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }
    QMessageBox* box = buildBox(request, effectiveTitle(request));
    int result = box->exec();
    delete box;
    if (request.buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MessageBox::showModeless(const Request& request) {
    auto& s = state();
    if (s.on) {
        Request recorded = request;
        recorded.title = effectiveTitle(request);
        recorded.modeless = true;
        s.shown.push_back(recorded);
        return;
    }
    QMessageBox* box = buildBox(request, effectiveTitle(request));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void MessageBox::setTestMode(bool on) {
    state().on = on;
    state().answers.clear();
    state().shown.clear();
}
bool MessageBox::testMode() {
    return state().on;
}
void MessageBox::setNextAnswer(Answer answer) {
    state().answers.push_back(answer);
}
std::vector<MessageBox::Request> MessageBox::takeShown() {
    return std::exchange(state().shown, {});
}
const std::vector<MessageBox::Request>& MessageBox::shown() {
    return state().shown;
}
QStringList MessageBox::shownTexts() {
    QStringList texts;
    for (const auto& r : state().shown)
        texts << r.text;
    return texts;
}
void MessageBox::clearShown() {
    state().shown.clear();
}

} // namespace platform
