#include "EntryContent.h"

#include <QStringList>

namespace reliability {

namespace {

// A small fixed generator (xorshift64*): the same series, number and version always give the same text.
class Generator {
public:
    explicit Generator(quint64 seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    quint64 next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    int below(int bound) { return int(next() % quint64(bound)); }

private:
    quint64 m_state;
};

quint64 seedOf(const QString& series, int number, int revision) {
    quint64 seed = 1469598103934665603ull;
    for (QChar c : series)
        seed = (seed ^ c.unicode()) * 1099511628211ull;
    seed = (seed ^ quint64(number)) * 1099511628211ull;
    return (seed ^ quint64(revision) << 32) * 1099511628211ull;
}

} // namespace

QString entryTitle(const QString& series, int number) {
    return QStringLiteral("第%1篇（%2）").arg(number).arg(series);
}

std::optional<int> entryNumber(const QString& series, const QString& title) {
    const QString suffix = QStringLiteral("篇（%1）").arg(series);
    if (!title.startsWith(QStringLiteral("第")) || !title.endsWith(suffix))
        return std::nullopt;
    bool ok = false;
    const int number = title.mid(1, title.size() - 1 - suffix.size()).toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

QString entryBody(const QString& series, int number, int revision) {
    static const QStringList pieces = {
        QStringLiteral("今天天气很好，"),
        QStringLiteral("我们去公园散步。"),
        QStringLiteral("It's fine. "),
        QStringLiteral("😀"),
        QStringLiteral("𠀀"),
        QStringLiteral("\r\n"),
        QStringLiteral("100% _x_ [y] "),
        QStringLiteral("\"引号\" "),
        QStringLiteral("--;"),
    };
    Generator generator(seedOf(series, number, revision));
    const int length = generator.below(8) == 0 ? 100000 + generator.below(60000) : 20 + generator.below(3000);
    QString body = QStringLiteral("第%1篇第%2版：").arg(number).arg(revision);
    while (body.size() < length)
        body += pieces[generator.below(int(pieces.size()))];
    return body;
}

QString entryWeather(int number, int revision) {
    static const QStringList words = {QStringLiteral("晴朗"), QStringLiteral("大雨"), QStringLiteral("小雪"),
                                      QStringLiteral("雨'夹雪")};
    return words[(number + revision) % words.size()];
}

} // namespace reliability
