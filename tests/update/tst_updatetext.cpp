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
        const auto row = [](const char* name, const char* first, const char* second, const char* order) {
            QTest::newRow(name) << QByteArray(first) << QByteArray(second) << QByteArray(order);
        };
        row("missing parts are zero", "1.0", "1.0.0", "=");
        row("numbers, not text", "1.10", "1.9", ">");
        row("empty", "", "1.0", "");
        row("letters", "1.2a", "1.0", "");
        row("negative", "1.-2", "1.0", "");
        row("part too long", "1.1234567890", "1.0", "");
        row("too many parts", "1.2.3.4.5.6.7.8.9", "1.0", "");
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
        const auto row = [](const char* name, const char* address, const QStringList& read) {
            QTest::newRow(name) << QByteArray(address) << read;
        };
        row("port", "http://127.0.0.1:8080/a.txt", {"127.0.0.1", "8080", "/a.txt", "127.0.0.1:8080"});
        row("IPv6", "http://[::1]:81/x", {"::1", "81", "/x", "[::1]:81"});
        row("default port, blanks and ANSI bytes encoded, fragment dropped",
            "http://example.org/\xB8\xFC\xD0\xC2 1.txt?a=1&b=2#top",
            {"example.org", "80", "/%B8%FC%D0%C2%201.txt?a=1&b=2", "example.org"});
        row("https", "https://example.org/x", {"example.org", "443", "/x", "example.org"});
        for (const char* refused :
             {"ftp://example.org/x", "http://example.org:65536/x", "http://a@example.org/x", "http://[::1/x"})
            row(refused, refused, {});
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
        const auto row = [](const char* name, const QByteArray& text, const char* version, const char* download) {
            QTest::newRow(name) << text << QString(version) << QString(download);
        };
        row("byte-order mark and blanks", "\xEF\xBB\xBF 2.0\t\r\n  http://x/y.exe \r\n", "2.0", "http://x/y.exe");
        row("Chinese address", "2.0\nhttp://x/青.exe\n", "2.0", "http://x/青.exe");
        row("one line only", "2.0\r\n", "", "");
        row("control character", "2.0\r\nhttp://x/\x1b[0m\r\n", "", "");
        row("broken UTF-8", "2.0\r\nhttp://x/\xE9\x9D\r\n", "", "");
        row("overlong UTF-8", "2.0\r\nhttp://x/\xC0\xAF\r\n", "", "");
        row("address too long", "2.0\r\nhttp://x/" + QByteArray(3000, 'a') + "\r\n", "", "");
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
