// qjl_bench_startup <program-folder>: starts as the program does (the application object, Main(), the login
// window with its list of names) on the data.mdb in <program-folder>, and reports when the login window is
// first painted. A benchmark helper only: the program itself takes no arguments.

#include "ShownReporter.h"
#include "db/DiaryDatabase.h"
#include "platform/FormRegistry.h"
#include "startup/Startup.h"
#include "ui/login/FormLogin.h"

#include <QApplication>

namespace {
// Watches every window as it is shown and reports the login window's first paint.
class LoginWatcher : public ShownReporter {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched == platform::forms().loaded<Form_Login>())
            watch(static_cast<QWidget*>(watched));
        return ShownReporter::eventFilter(watched, event);
    }
};
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: qjl_bench_startup <program-folder>\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    DiaryApplication application(argc, argv);
    dao::setProgramFolderForTests(folder);
    LoginWatcher watcher;
    application.installEventFilter(&watcher);
    if (!Main())
        return 1;
    return application.exec();
}
