// The updater library's reading of addresses, update texts and version numbers: everything it reads comes
// from the network and is trusted in nothing.

#include "UpdateText.h"

#include <QTest>

using namespace libupdate;

namespace {

void columns() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
}
void row(const char* name, const QByteArray& text, const QByteArray& expected) {
    QTest::newRow(name) << text << expected;
}

} // namespace

class TestUpdateText : public QObject {
    Q_OBJECT
private slots:
    // text: two versions; expected: how the first compares to the second, then the second to the first;
    // empty when either is not a version number.
    void versionsCompareNumerically_data() {
        columns();
        row("missing parts are zero", "1.0 1.0.0", "==");
        row("numbers, not text", "1.10 1.9", "><");
        row("empty", " 1.0", "");
        row("letters", "1.2a 1.0", "");
        row("negative", "1.-2 1.0", "");
        row("part too long", "1.1234567890 1.0", "");
        row("too many parts", "1.2.3.4.5.6.7.8.9 1.0", "");
    }
    void versionsCompareNumerically() {
        QFETCH(QByteArray, text);
        const QList<QByteArray> versions = text.split(' ');
        const auto order = [](const QByteArray& a, const QByteArray& b) -> QByteArray {
            const std::optional<int> c = compareVersions(a.toStdString(), b.toStdString());
            return !c ? "" : *c < 0 ? "<" : *c > 0 ? ">" : "=";
        };
        QTEST(order(versions[0], versions[1]) + order(versions[1], versions[0]), "expected");
    }

    // expected: host, port, target and Host header joined by blanks; empty when the address is refused.
    void addressesAreRead_data() {
        columns();
        row("port", "http://127.0.0.1:8080/a.txt", "127.0.0.1 8080 /a.txt 127.0.0.1:8080");
        row("IPv6", "http://[::1]:81/x", "::1 81 /x [::1]:81");
        row("default port, blanks and ANSI bytes encoded, fragment dropped",
            "http://example.org/\xB8\xFC\xD0\xC2 1.txt?a=1&b=2#top",
            "example.org 80 /%B8%FC%D0%C2%201.txt?a=1&b=2 example.org");
        row("https", "https://example.org/x", "example.org 443 /x example.org");
        row("ftp", "ftp://example.org/x", "");
        row("port too big", "http://example.org:65536/x", "");
        row("user info", "http://a@example.org/x", "");
        row("unclosed bracket", "http://[::1/x", "");
    }
    void addressesAreRead() {
        QFETCH(QByteArray, text);
        const std::optional<HttpAddress> parsed = parseHttpAddress(text.toStdString());
        const std::string read =
            parsed ? parsed->host + ' ' + parsed->port + ' ' + parsed->target + ' ' + parsed->hostHeader : "";
        QTEST(QByteArray::fromStdString(read), "expected");
    }

    // expected: version and download address joined by '|'; empty when the text is refused.
    void updateTextIsVersionThenAddress_data() {
        columns();
        row("byte-order mark and blanks", "\xEF\xBB\xBF 2.0\t\r\n  http://x/y.exe \r\n", "2.0|http://x/y.exe");
        row("Chinese address", "2.0\nhttp://x/青.exe\n", "2.0|http://x/青.exe");
        row("one line only", "2.0\r\n", "");
        row("control character", "2.0\r\nhttp://x/\x1b[0m\r\n", "");
        row("broken UTF-8", "2.0\r\nhttp://x/\xE9\x9D\r\n", "");
        row("overlong UTF-8", "2.0\r\nhttp://x/\xC0\xAF\r\n", "");
        row("address too long", "2.0\r\nhttp://x/" + QByteArray(3000, 'a') + "\r\n", "");
    }
    void updateTextIsVersionThenAddress() {
        QFETCH(QByteArray, text);
        const std::optional<UpdateText> read = parseUpdateText(text.toStdString());
        QTEST(read ? QByteArray::fromStdString(read->version + '|' + read->download) : QByteArray(), "expected");
    }
};

QTEST_APPLESS_MAIN(TestUpdateText)
#include "tst_updatetext.moc"
