#pragma once

#include <QString>

class QWidget;

namespace platform {

// The common Save and Open dialogs. A cancelled dialog returns an empty name.
// Tests switch on the test mode and queue the names the "user" picks (an empty name is a cancel).
class FileDialog {
public:
    struct Request {
        bool save = false;
        QString filter;
    };

    static QString getSaveFileName(QWidget* parent, const QString& filter);
    static QString getOpenFileName(QWidget* parent, const QString& filter);

    // The filter in Qt's form: "*.txt(文本文件) | *.txt" becomes one type, "*.txt(文本文件) (*.txt)", shown by
    // its description "*.txt(文本文件)".
    static QString toQtFilter(const QString& filter);

    static void setTestMode(bool on);
    static void setNextFileName(const QString& name);
    static int shownCount();
    static Request lastRequest();

private:
    static QString run(QWidget* parent, const QString& filter, bool save);
};

} // namespace platform
