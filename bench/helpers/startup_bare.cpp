// qjl_bench_startup_bare <program-folder>: the bare program start-up is measured against. A QApplication
// with the same CJK font as the program's, the database opened with its key, the account names read, one
// window with an editable combo box holding them (nothing chosen yet, as the login window has it) shown.

#include "Bare.h"
#include "ShownReporter.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QWidget>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: qjl_bench_startup_bare <program-folder>\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QStringList names;
    {
        bare::Db db = bare::open(folder + QStringLiteral("/data.mdb"));
        bare::Statement query(db.get(), "SELECT username FROM users");
        while (query.step())
            names << query.text(0);
    }
    QApplication application(argc, argv);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSize(9);
    QApplication::setFont(font);
    QWidget window;
    window.setWindowTitle(QStringLiteral("青简录 - 用户登陆"));
    window.resize(369, 175);
    auto* combo = new QComboBox(&window);
    combo->setEditable(true);
    combo->addItems(names);
    combo->setCurrentIndex(-1);
    combo->setGeometry(128, 32, 153, 20);
    ShownReporter reporter(&window);
    application.installEventFilter(&reporter);
    window.show();
    return application.exec();
}
