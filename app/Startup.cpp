#include "Startup.h"

#include "app/Notice.h"
#include "db/DaoError.h"
#include "platform/FormRegistry.h"
#include "platform/WebEngineBrowser.h"
#include "ui/login/FormLogin.h"

#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

DiaryApplication::DiaryApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("qingjianlu"));
    setApplicationDisplayName(QStringLiteral("青简录"));
    // Windows that are loaded but hidden keep the program alive; it ends when the last one unloads.
    setQuitOnLastWindowClosed(false);
}

bool DiaryApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const dao::DaoError& error) {
        app::reportUnhandledError(error);
    } catch (const std::exception& error) {
        app::reportUnhandledError(dao::errEngine, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

bool InitControlClasses() {
    bool ok = true;
    // Standard buttons and dialogs read as on a Chinese system (确定, 是, 否, 取消), whatever the system's language.
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto* translator = new QTranslator(qApp);
        if (translator->load(QLatin1String(name), translations))
            QCoreApplication::installTranslator(translator);
        else {
            delete translator;
            ok = false;
        }
    }
    // A CJK font, explicitly, so every caption renders the same everywhere.
    for (const char* family : {"Noto Sans CJK SC", "Microsoft YaHei", "WenQuanYi Micro Hei", "SimSun"}) {
        if (QFontDatabase::hasFamily(QLatin1String(family))) {
            QFont font{QLatin1String(family)};
            font.setPointSize(9);
            QApplication::setFont(font);
            break;
        }
    }
    return ok;
}

bool Main() {
    InitControlClasses();
    platform::installWebBrowser();
    try {
        platform::forms().show<Form_Login>();
    } catch (const dao::DaoError& error) {
        // Without its database the program cannot start: say why and end.
        app::reportUnhandledError(error);
        return false;
    }
    return true;
}
