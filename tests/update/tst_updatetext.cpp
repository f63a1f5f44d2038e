// The updater library's reading of addresses, HTTP answers, update texts and version numbers.

#include "UpdateText.h"

#include <QTest>

using namespace libupdate;

namespace {
constexpr int kNotAVersion = 99;
}

class TestUpdateText : public QObject {
    Q_OBJECT
private slots:
    void versionsCompareNumerically_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order"); // -1, 0, 1, or kNotAVersion
        QTest::newRow("equal") << "1.0.0"
                               << "1.0.0" << 0;
        QTest::newRow("missing parts are zero") << "1.0"
                                                << "1.0.0" << 0;
        QTest::newRow("single part") << "2"
                                     << "1.99.99" << 1;
        QTest::newRow("patch newer") << "1.0.1"
                                     << "1.0.0" << 1;
        QTest::newRow("older") << "0.9.9"
                               << "1.0.0" << -1;
        QTest::newRow("numbers, not text") << "1.10"
                                           << "1.9" << 1;
        QTest::newRow("leading zeros") << "01.002"
                                       << "1.2" << 0;
        QTest::newRow("fourth part") << "1.0.0.1"
                                     << "1.0.0" << 1;
        QTest::newRow("surrounding blanks") << " 1.2 "
                                            << "1.2" << 0;
        QTest::newRow("empty") << ""
                               << "1.0" << kNotAVersion;
        QTest::newRow("trailing dot") << "1."
                                      << "1.0" << kNotAVersion;
        QTest::newRow("leading dot") << ".1"
                                     << "1.0" << kNotAVersion;
        QTest::newRow("double dot") << "1..2"
                                    << "1.0" << kNotAVersion;
        QTest::newRow("letters") << "1.2a"
                                 << "1.0" << kNotAVersion;
        QTest::newRow("prefix v") << "v1.2"
                                  << "1.0" << kNotAVersion;
        QTest::newRow("negative") << "1.-2"
                                  << "1.0" << kNotAVersion;
        QTest::newRow("inner blank") << "1 2"
                                     << "1.0" << kNotAVersion;
        QTest::newRow("part too long") << "1.1234567890"
                                       << "1.0" << kNotAVersion;
        QTest::newRow("too many parts") << "1.2.3.4.5.6.7.8.9"
                                        << "1.0" << kNotAVersion;
    }
    void versionsCompareNumerically() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const std::optional<int> forward = compareVersions(a.toStdString(), b.toStdString());
        const std::optional<int> backward = compareVersions(b.toStdString(), a.toStdString());
        QCOMPARE(forward ? (*forward > 0) - (*forward < 0) : kNotAVersion, order);
        QCOMPARE(backward ? -((*backward > 0) - (*backward < 0)) : kNotAVersion, order);
        QCOMPARE(isNewer(a.toStdString(), b.toStdString()), order == 1);
    }

    void addressesAreRead_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("hostHeader");
        QTest::newRow("plain") << QByteArray("http://update.example/SiteBack/updateTxt/32.txt") << true
                               << QByteArray("update.example") << QByteArray("80")
                               << QByteArray("/SiteBack/updateTxt/32.txt") << QByteArray("update.example");
        QTest::newRow("port") << QByteArray("http://127.0.0.1:8080/a.txt") << true << QByteArray("127.0.0.1")
                              << QByteArray("8080") << QByteArray("/a.txt") << QByteArray("127.0.0.1:8080");
        QTest::newRow("no path") << QByteArray("http://example.org") << true << QByteArray("example.org")
                                 << QByteArray("80") << QByteArray("/") << QByteArray("example.org");
        QTest::newRow("query kept, fragment dropped")
            << QByteArray("http://example.org/u.txt?a=1&b=2#top") << true << QByteArray("example.org")
            << QByteArray("80") << QByteArray("/u.txt?a=1&b=2") << QByteArray("example.org");
        QTest::newRow("query right after host")
            << QByteArray("http://example.org?x") << true << QByteArray("example.org") << QByteArray("80")
            << QByteArray("/?x") << QByteArray("example.org");
        QTest::newRow("scheme in capitals") << QByteArray("HTTP://Example.org/x") << true << QByteArray("Example.org")
                                            << QByteArray("80") << QByteArray("/x") << QByteArray("Example.org");
        QTest::newRow("IPv6") << QByteArray("http://[::1]:81/x") << true << QByteArray("::1") << QByteArray("81")
                              << QByteArray("/x") << QByteArray("[::1]:81");
        QTest::newRow("blanks and ANSI bytes encoded")
            << QByteArray("http://example.org/\xB8\xFC\xD0\xC2 1.txt") << true << QByteArray("example.org")
            << QByteArray("80") << QByteArray("/%B8%FC%D0%C2%201.txt") << QByteArray("example.org");
        QTest::newRow("https") << QByteArray("https://example.org/x") << true << QByteArray("example.org")
                               << QByteArray("443") << QByteArray("/x") << QByteArray("example.org");
        QTest::newRow("ftp") << QByteArray("ftp://example.org/x") << false << QByteArray() << QByteArray()
                             << QByteArray() << QByteArray();
        QTest::newRow("no scheme") << QByteArray("example.org/x") << false << QByteArray() << QByteArray()
                                   << QByteArray() << QByteArray();
        QTest::newRow("empty host") << QByteArray("http:///x") << false << QByteArray() << QByteArray() << QByteArray()
                                    << QByteArray();
        QTest::newRow("port zero") << QByteArray("http://example.org:0/x") << false << QByteArray() << QByteArray()
                                   << QByteArray() << QByteArray();
        QTest::newRow("port too big") << QByteArray("http://example.org:65536/x") << false << QByteArray()
                                      << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("port not a number") << QByteArray("http://example.org:8o/x") << false << QByteArray()
                                           << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("user info") << QByteArray("http://a@example.org/x") << false << QByteArray() << QByteArray()
                                   << QByteArray() << QByteArray();
        QTest::newRow("unclosed bracket")
            << QByteArray("http://[::1/x") << false << QByteArray() << QByteArray() << QByteArray() << QByteArray();
    }
    void addressesAreRead() {
        QFETCH(QByteArray, address);
        QFETCH(bool, valid);
        const std::optional<HttpAddress> parsed = parseHttpAddress(address.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (!valid)
            return;
        QTEST(QByteArray::fromStdString(parsed->host), "host");
        QTEST(QByteArray::fromStdString(parsed->port), "port");
        QTEST(QByteArray::fromStdString(parsed->target), "target");
        QTEST(QByteArray::fromStdString(parsed->hostHeader), "hostHeader");
    }

    void updateTextIsVersionThenAddress_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("download");
        QTest::newRow("CR LF") << QByteArray("1.2.0\r\nhttp://x/y.exe\r\n") << true << "1.2.0"
                               << "http://x/y.exe";
        QTest::newRow("no final line break") << QByteArray("1.2.0\nhttp://x/y.exe") << true << "1.2.0"
                                             << "http://x/y.exe";
        QTest::newRow("byte-order mark and blanks")
            << QByteArray("\xEF\xBB\xBF 2.0\t\r\n  http://x/y.exe \r\n") << true << "2.0"
            << "http://x/y.exe";
        QTest::newRow("Chinese address") << QByteArray("2.0\nhttp://x/\xE9\x9D\x92.exe\n") << true << "2.0"
                                         << QStringLiteral("http://x/青.exe");
        QTest::newRow("one line only") << QByteArray("2.0\r\n") << false << QString() << QString();
        QTest::newRow("no line break") << QByteArray("2.0") << false << QString() << QString();
        QTest::newRow("blank second line")
            << QByteArray("2.0\r\n \r\nhttp://x/\r\n") << false << QString() << QString();
        QTest::newRow("blank first line") << QByteArray("\r\n2.0\r\nhttp://x/\r\n") << false << QString() << QString();
        QTest::newRow("not a version") << QByteArray("new!\r\nhttp://x/\r\n") << false << QString() << QString();
        QTest::newRow("control character")
            << QByteArray("2.0\r\nhttp://x/\x1b[0m\r\n") << false << QString() << QString();
        QTest::newRow("broken UTF-8") << QByteArray("2.0\r\nhttp://x/\xE9\x9D\r\n") << false << QString() << QString();
        QTest::newRow("overlong UTF-8") << QByteArray("2.0\r\nhttp://x/\xC0\xAF\r\n") << false << QString()
                                        << QString();
        QTest::newRow("address too long")
            << QByteArray("2.0\r\nhttp://x/" + QByteArray(3000, 'a') + "\r\n") << false << QString() << QString();
    }
    void updateTextIsVersionThenAddress() {
        QFETCH(QByteArray, body);
        QFETCH(bool, valid);
        const std::optional<UpdateText> text = parseUpdateText(body.toStdString());
        QCOMPARE(text.has_value(), valid);
        if (!valid)
            return;
        QTEST(QString::fromStdString(text->version), "version");
        QTEST(QString::fromStdString(text->download), "download");
    }

    void noticeNamesVersionAndAddress() {
        const UpdateText update{"3.1", "http://x/青简录.exe"};
        const QString text = QString::fromStdString(noticeText(update));
        QVERIFY(text.contains(QStringLiteral("3.1")));
        QVERIFY(text.contains(QStringLiteral("http://x/青简录.exe")));
        QCOMPARE(QString::fromStdString(noticeTitle()), QStringLiteral("青简录"));
    }
};

QTEST_APPLESS_MAIN(TestUpdateText)
#include "tst_updatetext.moc"
