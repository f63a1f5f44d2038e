#include "Updater.h"

#include "platform/TextCodec.h"

#include <QCoreApplication>
#include <QLibrary>

#include <cstdint>

#ifndef QJL_MAKER_HOST
#error "QJL_MAKER_HOST must name the maker's web server (scheme and host)"
#endif

namespace update {
namespace {

UpdateCallObserver g_observer = nullptr;

// The maker's web server, fixed when the program is built.
QString makerHost() {
    QString host = QStringLiteral(QJL_MAKER_HOST);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

// int DoUpdate(int32_t window, const char* address): the text is in the ANSI code page; the result is unused.
// update.dll exports it with the Windows API calling convention, which differs from the default on 32-bit Windows.
#if defined(_WIN32)
using DoUpdateFunction = int(__stdcall*)(std::int32_t, const char*);
#else
using DoUpdateFunction = int (*)(std::int32_t, const char*);
#endif

} // namespace

QString bannerAddress(BannerPage page) {
    return makerHost() + (page == BannerPage::MainWindow ? QStringLiteral("/ad/201072632_1.html")
                                                         : QStringLiteral("/ad/201072632_2.html"));
}

QString updateTextAddress() {
    return makerHost() + QStringLiteral("/SiteBack/updateTxt/32.txt");
}

void CallDoUpdate(quint32 windowHandle, const QString& address) {
    if (g_observer) {
        g_observer(windowHandle, address);
        return;
    }
    // The library beside the program (libupdate.so, update.dll). It stays loaded for the rest of the run:
    // its check may still be working in the background after DoUpdate returns.
    QLibrary library(QCoreApplication::applicationDirPath() + QStringLiteral("/update"));
    const auto doUpdate = reinterpret_cast<DoUpdateFunction>(library.resolve("DoUpdate"));
    if (!doUpdate)
        return; // No updater shipped, or not a usable one: the check is optional and the user is not bothered.
    const QByteArray ansiAddress = platform::TextCodec::toAnsi(address); // zero-terminated
    doUpdate(static_cast<std::int32_t>(windowHandle), ansiAddress.constData());
}

void setUpdateCallObserverForTests(UpdateCallObserver observer) {
    g_observer = observer;
}

} // namespace update
