#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

class QWidget;

namespace platform {

// Modal message boxes. Tests switch on the test mode, queue answers and read what was shown;
// no real modal loop runs then.
class MessageBox {
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Request {
        QString text;
        QString title; // empty: the box carries the application's title
        Buttons buttons = Buttons::Ok;
        Answer defaultAnswer = Answer::Ok;
        bool modeless = false;
    };

    // Shows a modal box and returns the button the user chose. Closing a Yes/No box counts as No.
    static Answer show(const Request& request);

    // Shows a box that does not block its caller (for notices that arrive from the background).
    static void showModeless(const Request& request);

    // The title a box without its own title carries: the product name.
    static QString applicationTitle();

    // Test mode.
    static void setTestMode(bool on);
    static bool testMode();
    static void setNextAnswer(Answer answer);
    static std::vector<Request> takeShown();
    static const std::vector<Request>& shown();
    static QStringList shownTexts();
    static void clearShown();

private:
    static QString effectiveTitle(const Request& request);
};

} // namespace platform
