// The updater library's reading of addresses, update texts and version numbers: everything it reads comes
// from the network and is trusted in nothing.

#include "UpdateText.h"

#include <QTest>

using namespace libupdate;

namespace {

constexpr int kNotAVersion = 99;

void version(const char* name, const char* a, const char* b, int order) {
    QTest::newRow(name) << QByteArray(a) << QByteArray(b) << order;
}
// expected: host, port, target and Host header joined by blanks; empty when the address is refused.
void address(const char* name, const QByteArray& text, const char* expected) {
    QTest::newRow(name) << text << QByteArray(expected);
}
// expected: version and download address joined by '|'; empty when the text is refused.
void updateText(const char* name, const QByteArray& body, const QString& expected) {
    QTest::newRow(name) << body << expected;
}

} // namespace

class TestUpdateText : public QObject {
    Q_OBJECT
private slots:
    void versionsCompareNumerically_data() {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order"); // -1, 0, 1, or kNotAVersion
        version("missing parts are zero", "1.0", "1.0.0", 0);
        version("older", "0.9.9", "1.0.0", -1);
        version("numbers, not text", "1.10", "1.9", 1);
        version("empty", "", "1.0", kNotAVersion);
        version("letters", "1.2a", "1.0", kNotAVersion);
        version("negative", "1.-2", "1.0", kNotAVersion);
        version("part too long", "1.1234567890", "1.0", kNotAVersion);
        version("too many parts", "1.2.3.4.5.6.7.8.9", "1.0", kNotAVersion);
    }
    void versionsCompareNumerically() {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        const auto sign = [](std::optional<int> c) { return c ? (*c > 0) - (*c < 0) : kNotAVersion; };
        QCOMPARE(sign(compareVersions(a.toStdString(), b.toStdString())), order);
        const int backward = sign(compareVersions(b.toStdString(), a.toStdString()));
        QCOMPARE(backward == kNotAVersion ? backward : -backward, order);
        QCOMPARE(isNewer(a.toStdString(), b.toStdString()), order == 1);
    }

    void addressesAreRead_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        address("plain", "http://update.example/SiteBack/updateTxt/32.txt",
                "update.example 80 /SiteBack/updateTxt/32.txt update.example");
        address("port", "http://127.0.0.1:8080/a.txt", "127.0.0.1 8080 /a.txt 127.0.0.1:8080");
        address("query kept, fragment dropped", "http://example.org/u.txt?a=1&b=2#top",
                "example.org 80 /u.txt?a=1&b=2 example.org");
        address("IPv6", "http://[::1]:81/x", "::1 81 /x [::1]:81");
        address("blanks and ANSI bytes encoded", "http://example.org/\xB8\xFC\xD0\xC2 1.txt",
                "example.org 80 /%B8%FC%D0%C2%201.txt example.org");
        address("https", "https://example.org/x", "example.org 443 /x example.org");
        address("ftp", "ftp://example.org/x", "");
        address("port too big", "http://example.org:65536/x", "");
        address("user info", "http://a@example.org/x", "");
        address("unclosed bracket", "http://[::1/x", "");
    }
    void addressesAreRead() {
        QFETCH(QByteArray, text);
        const std::optional<HttpAddress> parsed = parseHttpAddress(text.toStdString());
        const std::string read =
            parsed ? parsed->host + ' ' + parsed->port + ' ' + parsed->target + ' ' + parsed->hostHeader : "";
        QTEST(QByteArray::fromStdString(read), "expected");
    }

    void updateTextIsVersionThenAddress_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        updateText("byte-order mark and blanks", "\xEF\xBB\xBF 2.0\t\r\n  http://x/y.exe \r\n", "2.0|http://x/y.exe");
        updateText("Chinese address", "2.0\nhttp://x/\xE9\x9D\x92.exe\n", QStringLiteral("2.0|http://x/青.exe"));
        updateText("one line only", "2.0\r\n", "");
        updateText("control character", "2.0\r\nhttp://x/\x1b[0m\r\n", "");
        updateText("broken UTF-8", "2.0\r\nhttp://x/\xE9\x9D\r\n", "");
        updateText("overlong UTF-8", "2.0\r\nhttp://x/\xC0\xAF\r\n", "");
        updateText("address too long", "2.0\r\nhttp://x/" + QByteArray(3000, 'a') + "\r\n", "");
    }
    void updateTextIsVersionThenAddress() {
        QFETCH(QByteArray, body);
        const std::optional<UpdateText> text = parseUpdateText(body.toStdString());
        QTEST(text ? QString::fromStdString(text->version + '|' + text->download) : QString(), "expected");
    }
};

QTEST_APPLESS_MAIN(TestUpdateText)
#include "tst_updatetext.moc"
