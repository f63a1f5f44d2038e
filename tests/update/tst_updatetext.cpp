// The updater library's reading of addresses, update texts and version numbers: everything it reads comes
// from the network and is trusted in nothing.

#include "UpdateText.h"

#include <QTest>

using namespace libupdate;

namespace {
// How the first version compares to the second: "<", "=", ">", or empty when either is refused.
QByteArray order(const QByteArray& a, const QByteArray& b) {
    const std::optional<int> c = compareVersions(a.toStdString(), b.toStdString());
    return !c ? "" : *c < 0 ? "<" : *c > 0 ? ">" : "=";
}
} // namespace

class TestUpdateText : public QObject {
    Q_OBJECT
private slots:
    void versionsCompareByNumberOrAreRefused_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QByteArray>("order"); // empty: refused
        QTest::newRow("missing parts are zero") << QByteArray("1.0") << QByteArray("1.0.0") << QByteArray("=");
        QTest::newRow("numbers, not text") << QByteArray("1.10") << QByteArray("1.9") << QByteArray(">");
        QTest::newRow("empty") << QByteArray("") << QByteArray("1.0") << QByteArray();
        QTest::newRow("letters") << QByteArray("1.2a") << QByteArray("1.0") << QByteArray();
        QTest::newRow("negative") << QByteArray("1.-2") << QByteArray("1.0") << QByteArray();
        QTest::newRow("part too long") << QByteArray("1.1234567890") << QByteArray("1.0") << QByteArray();
        QTest::newRow("too many parts") << QByteArray("1.2.3.4.5.6.7.8.9") << QByteArray("1.0") << QByteArray();
    }
    void versionsCompareByNumberOrAreRefused() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QByteArray, order);
        QCOMPARE(::order(first, second), order);
        const QByteArray reversed = order == "<" ? ">" : order == ">" ? "<" : order;
        QCOMPARE(::order(second, first), reversed);
    }

    void addressIsReadOrRefused_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QStringList>("read"); // host, port, target, Host header; empty: refused
        QTest::newRow("port") << QByteArray("http://127.0.0.1:8080/a.txt")
                              << QStringList{"127.0.0.1", "8080", "/a.txt", "127.0.0.1:8080"};
        QTest::newRow("IPv6") << QByteArray("http://[::1]:81/x") << QStringList{"::1", "81", "/x", "[::1]:81"};
        QTest::newRow("default port, blanks and ANSI bytes encoded, fragment dropped")
            << QByteArray("http://example.org/\xB8\xFC\xD0\xC2 1.txt?a=1&b=2#top")
            << QStringList{"example.org", "80", "/%B8%FC%D0%C2%201.txt?a=1&b=2", "example.org"};
        QTest::newRow("https") << QByteArray("https://example.org/x")
                               << QStringList{"example.org", "443", "/x", "example.org"};
        QTest::newRow("ftp") << QByteArray("ftp://example.org/x") << QStringList();
        QTest::newRow("port too big") << QByteArray("http://example.org:65536/x") << QStringList();
        QTest::newRow("user info") << QByteArray("http://a@example.org/x") << QStringList();
        QTest::newRow("unclosed bracket") << QByteArray("http://[::1/x") << QStringList();
    }
    void addressIsReadOrRefused() {
        QFETCH(QByteArray, address);
        QStringList read;
        if (const std::optional<HttpAddress> parsed = parseHttpAddress(address.toStdString()))
            for (const std::string* part : {&parsed->host, &parsed->port, &parsed->target, &parsed->hostHeader})
                read << QString::fromStdString(*part);
        QTEST(read, "read");
    }

    void updateTextIsReadOrRefused_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("version"); // empty: refused
        QTest::addColumn<QString>("download");
        QTest::newRow("byte-order mark and blanks")
            << QByteArray("\xEF\xBB\xBF 2.0\t\r\n  http://x/y.exe \r\n") << "2.0"
            << "http://x/y.exe";
        QTest::newRow("Chinese address") << QByteArray("2.0\nhttp://x/青.exe\n") << "2.0"
                                         << "http://x/青.exe";
        QTest::newRow("one line only") << QByteArray("2.0\r\n") << ""
                                       << "";
        QTest::newRow("control character") << QByteArray("2.0\r\nhttp://x/\x1b[0m\r\n") << ""
                                           << "";
        QTest::newRow("broken UTF-8") << QByteArray("2.0\r\nhttp://x/\xE9\x9D\r\n") << ""
                                      << "";
        QTest::newRow("overlong UTF-8") << QByteArray("2.0\r\nhttp://x/\xC0\xAF\r\n") << ""
                                        << "";
        QTest::newRow("address too long") << "2.0\r\nhttp://x/" + QByteArray(3000, 'a') + "\r\n"
                                          << ""
                                          << "";
    }
    void updateTextIsReadOrRefused() {
        QFETCH(QByteArray, text);
        const std::optional<UpdateText> parsed = parseUpdateText(text.toStdString());
        QTEST(parsed ? QString::fromStdString(parsed->version) : QString(), "version");
        QTEST(parsed ? QString::fromStdString(parsed->download) : QString(), "download");
    }
};

QTEST_APPLESS_MAIN(TestUpdateText)
#include "tst_updatetext.moc"
