#include "Startup.h"

#include "app/AutoBackup.h"
#include "app/ErrorRules.h"
#include "db/DaoError.h"
#include "db/DiaryDatabase.h"
#include "db/JetFile.h"
#include "platform/FormRegistry.h"
#include "platform/WebEngineBrowser.h"
#include "resources/ApplicationIcon.h"
#include "ui/login/FormLogin.h"

#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

DiaryApplication::DiaryApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // No application display name: Qt would append it to every window caption. The product name that
    // message boxes carry is platform::MessageBox::applicationTitle().
    setApplicationName(QStringLiteral("qingjianlu"));
    // Matches the installed desktop entry, so desktops show its name and icon for the program's windows.
    setDesktopFileName(QStringLiteral("qingjianlu"));
    // Windows that are loaded but hidden keep the program alive; it ends when the last one unloads.
    setQuitOnLastWindowClosed(false);
}

bool DiaryApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        app::reportUnhandledError(app::currentFailure());
    }
    return false;
}

namespace app {

QFont uiFont() {
    QFont font = QApplication::font();
    // A CJK font, explicitly, so every caption renders the same everywhere: Noto Sans CJK SC on Linux,
    // Microsoft YaHei on Windows, then older common Chinese fonts.
    for (const char* family : {"Noto Sans CJK SC", "Microsoft YaHei", "WenQuanYi Micro Hei", "SimSun"}) {
        if (QFontDatabase::hasFamily(QLatin1String(family))) {
            font = QFont{QLatin1String(family)};
            break;
        }
    }
    // 9 points is 180 twips, the height the windows give a one-line label, and 12 pixels at 96 dots per
    // inch. Given in points, the font follows the screen's logical DPI exactly as the twips geometry does
    // (platform/Twips), so captions keep fitting their controls at 150 % and 200 %.
    font.setPointSize(9);
    return font;
}

} // namespace app

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
    // Every window, whatever opens it, carries the program's icon.
    QApplication::setWindowIcon(resources::applicationIcon());
    QApplication::setFont(app::uiFont());
    return ok;
}

namespace {

// What the start-up box says when data.mdb is the old Windows program's Access file: this program cannot
// open it, nothing was changed, and how to bring its diary over. Restoring a backup would be no help there.
QString oldAccessFileNotice() {
    return QStringLiteral(
        "\n\ndata.mdb 是旧版日记程序的 Access（Jet）数据库文件，本程序不能直接打开它，也没有改动它。\n"
        "要把其中的帐号和日记搬过来，先关闭本程序，再在程序文件夹里运行：\n"
        "mv data.mdb data-old.mdb\n"
        "./mkdiarydb data.mdb\n"
        "./qingjianlu-data migrate --from-access data-old.mdb");
}

} // namespace

bool Main() {
    InitControlClasses();
    platform::installWebBrowser();
    try {
        platform::forms().show<Form_Login>();
    } catch (const dao::DaoError& error) {
        // Without its database the program cannot start: say why, name the newest backup, and end.
        const bool oldAccessFile = dao::isJetFile(dao::diaryDatabasePath());
        app::reportUnhandledError(error.number(),
                                  error.description() +
                                      (oldAccessFile ? oldAccessFileNotice() : app::restoreHint(error.number())));
        return false;
    }
    return true;
}
