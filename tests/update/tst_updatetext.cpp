// The updater library's reading of addresses, update texts and version numbers: everything it reads comes
// from the network and is trusted in nothing.

#include "UpdateText.h"

#include <QTest>

using namespace libupdate;

class TestUpdateText : public QObject {
    Q_OBJECT
private slots:
    // reader: what reads the text. expected, for "version": how the first of two versions compares to the
    // second, then the second to the first; for "address": host, port, target and Host header joined by
    // blanks; for "update text": version and download address joined by '|'. Empty when the text is refused.
    void textIsReadOrRefused_data() {
        QTest::addColumn<QByteArray>("reader");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* reader, const char* name, const QByteArray& text, const QByteArray& expected) {
            QTest::addRow("%s: %s", reader, name) << QByteArray(reader) << text << expected;
        };
        row("version", "missing parts are zero", "1.0 1.0.0", "==");
        row("version", "numbers, not text", "1.10 1.9", "><");
        row("version", "empty", " 1.0", "");
        row("version", "letters", "1.2a 1.0", "");
        row("version", "negative", "1.-2 1.0", "");
        row("version", "part too long", "1.1234567890 1.0", "");
        row("version", "too many parts", "1.2.3.4.5.6.7.8.9 1.0", "");
        row("address", "port", "http://127.0.0.1:8080/a.txt", "127.0.0.1 8080 /a.txt 127.0.0.1:8080");
        row("address", "IPv6", "http://[::1]:81/x", "::1 81 /x [::1]:81");
        row("address", "default port, blanks and ANSI bytes encoded, fragment dropped",
            "http://example.org/\xB8\xFC\xD0\xC2 1.txt?a=1&b=2#top",
            "example.org 80 /%B8%FC%D0%C2%201.txt?a=1&b=2 example.org");
        row("address", "https", "https://example.org/x", "example.org 443 /x example.org");
        row("address", "ftp", "ftp://example.org/x", "");
        row("address", "port too big", "http://example.org:65536/x", "");
        row("address", "user info", "http://a@example.org/x", "");
        row("address", "unclosed bracket", "http://[::1/x", "");
        row("update text", "byte-order mark and blanks", "\xEF\xBB\xBF 2.0\t\r\n  http://x/y.exe \r\n",
            "2.0|http://x/y.exe");
        row("update text", "Chinese address", "2.0\nhttp://x/青.exe\n", "2.0|http://x/青.exe");
        row("update text", "one line only", "2.0\r\n", "");
        row("update text", "control character", "2.0\r\nhttp://x/\x1b[0m\r\n", "");
        row("update text", "broken UTF-8", "2.0\r\nhttp://x/\xE9\x9D\r\n", "");
        row("update text", "overlong UTF-8", "2.0\r\nhttp://x/\xC0\xAF\r\n", "");
        row("update text", "address too long", "2.0\r\nhttp://x/" + QByteArray(3000, 'a') + "\r\n", "");
    }
    void textIsReadOrRefused() {
        QFETCH(QByteArray, reader);
        QFETCH(QByteArray, text);
        const std::string input = text.toStdString();
        std::string read;
        if (reader == "version") {
            const QList<QByteArray> versions = text.split(' ');
            const auto order = [](const QByteArray& a, const QByteArray& b) -> std::string {
                const std::optional<int> c = compareVersions(a.toStdString(), b.toStdString());
                return !c ? "" : *c < 0 ? "<" : *c > 0 ? ">" : "=";
            };
            read = order(versions[0], versions[1]) + order(versions[1], versions[0]);
        } else if (reader == "address") {
            if (const std::optional<HttpAddress> parsed = parseHttpAddress(input))
                read = parsed->host + ' ' + parsed->port + ' ' + parsed->target + ' ' + parsed->hostHeader;
        } else if (const std::optional<UpdateText> parsed = parseUpdateText(input)) {
            read = parsed->version + '|' + parsed->download;
        }
        QTEST(QByteArray::fromStdString(read), "expected");
    }
};

QTEST_APPLESS_MAIN(TestUpdateText)
#include "tst_updatetext.moc"
