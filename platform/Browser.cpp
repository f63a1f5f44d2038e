#include "Browser.h"

#include <QPalette>

namespace platform {
namespace {
Browser::Factory& factory() {
    static Browser::Factory f;
    return f;
}
QStringList& log() {
    static QStringList l;
    return l;
}
} // namespace

Browser* Browser::create(QWidget* parent) {
    if (factory())
        if (Browser* browser = factory()(parent))
            return browser;
    return new BlankBrowser(parent);
}

void Browser::setFactory(Factory f) {
    factory() = std::move(f);
}
QStringList Browser::navigations() {
    return log();
}
void Browser::clearNavigations() {
    log().clear();
}
void Browser::recordNavigation(const QString& url) {
    log().append(url);
}

BlankBrowser::BlankBrowser(QWidget* parent) : Browser(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void BlankBrowser::Navigate(const QString& url) {
    m_url = url;
    recordNavigation(url);
}

} // namespace platform
