#include "Updater.h"

namespace update {
namespace {
UpdateCallObserver g_observer = nullptr;
const QString kHost = QStringLiteral("http://update.qingjianlu.invalid");
} // namespace

QString bannerAddress(BannerPage page) {
    return kHost + (page == BannerPage::MainWindow ? QStringLiteral("/ad/201072632_1.html")
                                                   : QStringLiteral("/ad/201072632_2.html"));
}

QString updateTextAddress() { return kHost + QStringLiteral("/SiteBack/updateTxt/32.txt"); }

void CallDoUpdate(quint32 windowHandle, const QString& address) {
    if (g_observer)
        g_observer(windowHandle, address);
}

void setUpdateCallObserverForTests(UpdateCallObserver observer) { g_observer = observer; }

} // namespace update
