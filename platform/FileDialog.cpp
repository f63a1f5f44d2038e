#include "FileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>

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
    // "description | pattern" pairs, separated by bars.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList qtFilters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        // A description that starts with its own pattern ("*.txt(文本文件)") is shown by its name alone.
        static const QRegularExpression leadingPattern(QStringLiteral("^\\*\\.[^(（\\s]*\\s*[(（](.*)[)）]$"));
        const auto match = leadingPattern.match(description);
        if (match.hasMatch())
            description = match.captured(1).trimmed();
        qtFilters << QStringLiteral("%1 (%2)").arg(description, pattern);
    }
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
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), qtFilter)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), qtFilter);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& filter) { return run(parent, filter, true); }
QString FileDialog::getOpenFileName(QWidget* parent, const QString& filter) { return run(parent, filter, false); }

void FileDialog::setTestMode(bool on) {
    state() = TestState{};
    state().on = on;
}
void FileDialog::setNextFileName(const QString& name) { state().names.push_back(name); }
int FileDialog::shownCount() { return state().shown; }
FileDialog::Request FileDialog::lastRequest() { return state().last; }

} // namespace platform
