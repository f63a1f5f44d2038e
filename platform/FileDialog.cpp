#include "FileDialog.h"

#include <QFileDialog>

#include <deque>

namespace platform {
namespace {
struct TestState {
    bool on = false;
    std::deque<QString> names;
    int shown = 0;
    FileDialog::Request last;
};
TestState& state() {
    static TestState s;
    return s;
}
} // namespace

QString FileDialog::toQtFilter(const QString& filter) {
    // "description | pattern" pairs, separated by bars. Qt reads the pattern from the last parentheses; the
    // dialogs are told to hide it, so the user sees each description as it is written.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList qtFilters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        qtFilters << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), parts[i + 1].trimmed());
    return qtFilters.join(QStringLiteral(";;"));
}

QString FileDialog::run(QWidget* parent, const QString& filter, bool save) {
    auto& s = state();
    if (s.on) {
        ++s.shown;
        s.last = {save, filter};
        if (s.names.empty())
            return {};
        QString name = s.names.front();
        s.names.pop_front();
        return name;
    }
    const QString qtFilter = toQtFilter(filter);
    const QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), qtFilter, nullptr, options)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), qtFilter, nullptr, options);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& filter) {
    return run(parent, filter, true);
}
QString FileDialog::getOpenFileName(QWidget* parent, const QString& filter) {
    return run(parent, filter, false);
}

void FileDialog::setTestMode(bool on) {
    state() = TestState{};
    state().on = on;
}
void FileDialog::setNextFileName(const QString& name) {
    state().names.push_back(name);
}
int FileDialog::shownCount() {
    return state().shown;
}
FileDialog::Request FileDialog::lastRequest() {
    return state().last;
}

} // namespace platform
