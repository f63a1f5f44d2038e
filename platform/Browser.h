#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace platform {

// The embedded web browser, asked only to navigate. The real view is made by the factory that the
// program installs at start-up; without one, a blank view stands in.
class Browser : public QWidget {
    Q_OBJECT
public:
    explicit Browser(QWidget* parent = nullptr) : QWidget(parent) {}
    virtual void Navigate(const QString& url) = 0;

    // The program's own page, shown in place of the requested one when that cannot be shown (no network,
    // name not found, refused, an HTTP error, no answer in time): a whole HTML document, shown with scripts
    // off and with nothing fetched for it. Set before Navigate; set again later (figures that came in), it
    // replaces the page where it is shown already.
    void setFallbackPage(const QString& html) {
        m_fallbackPage = html;
        fallbackPageChanged();
    }
    const QString& fallbackPage() const { return m_fallbackPage; }

    using Factory = std::function<Browser*(QWidget* parent)>;
    static Browser* create(QWidget* parent);
    static void setFactory(Factory factory);

    // Every address any browser was asked to show, oldest first (for tests and diagnostics).
    static QStringList navigations();
    static void clearNavigations();

protected:
    static void recordNavigation(const QString& url);
    virtual void fallbackPageChanged() {}

private:
    QString m_fallbackPage;
};

// A view that shows nothing: used where no web engine is built in, and in unit tests.
class BlankBrowser : public Browser {
    Q_OBJECT
public:
    explicit BlankBrowser(QWidget* parent = nullptr);
    void Navigate(const QString& url) override;
    QString currentUrl() const { return m_url; }

private:
    QString m_url;
};

} // namespace platform
