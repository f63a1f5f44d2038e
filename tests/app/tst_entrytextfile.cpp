// The entry text file: the export's exact bytes (code page 936: GB18030 with 0x80 for €; CR LF; no byte-order
// mark) and its failures on a full disk or in a locked folder, the import's decoding and line rule, and the files
// it refuses.

#include "support/FailDevice.h"
#include "support/TestSupport.h"

#include "app/EntryTextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(entrytextfile::Entry)

using namespace entrytextfile;

namespace {
const Entry kEntry{QStringLiteral("T"), QStringLiteral("日期：2009-09-07 星期一"), QStringLiteral("晴朗"),
                   QStringLiteral("A\r\nB")};
// kEntry as written by iconv -t GB18030, an encoder that is not ours.
const QByteArray kEntryBytes =
    QByteArray::fromHex("b1eacce2a3ba540d0ac8d5c6daa3ba323030392d30392d303720d0c7c6dad2bb0d0a"
                        "ccecc6f8a3bac7e7c0ca0d0ac4dac8dda3ba410d0a420d0a");

// Runs what as an ordinary user: root may write into any folder, so a folder's permissions mean nothing to it.
bool asOrdinaryUser(const std::function<bool()>& what) {
    if (geteuid() != 0)
        return what();
    const pid_t child = fork();
    if (child == 0)
        _exit(setgid(65534) == 0 && setuid(65534) == 0 && what() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

class TestEntryTextFile : public QObject {
    Q_OBJECT
private slots:
    void exportLayout_data() {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("five lines, GBK, CR LF, no BOM") << kEntry << kEntryBytes;
        QTest::newRow("nothing on show") << Entry{}
                                         << QByteArray::fromHex("b1eacce2a3ba0d0a0d0accecc6f8a3ba0d0ac4dac8dda3ba0d0a");
        QTest::newRow("the euro sign as code page 936's 0x80")
            << Entry{QStringLiteral("1€"), {}, {}, {}}
            << QByteArray::fromHex("b1eacce2a3ba31800d0a0d0accecc6f8a3ba0d0ac4dac8dda3ba0d0a");
        QTest::newRow("beyond GBK, in GB18030")
            << Entry{QStringLiteral("𠀀"), {}, {}, {}}
            << QByteArray::fromHex("b1eacce2a3ba953282360d0a0d0accecc6f8a3ba0d0ac4dac8dda3ba0d0a");
    }
    void exportLayout() {
        QFETCH(Entry, entry);
        QFETCH(QByteArray, bytes);
        QCOMPARE(exportBytes(entry), bytes);
        // Written to a device that fails (a full disk) before the last byte, the export has failed.
        for (const qint64 room : {bytes.size() - 1, bytes.size()}) {
            FailDevice device(room);
            QVERIFY(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            QCOMPARE(write(device, entry), room == bytes.size());
            QVERIFY(room < bytes.size() || device.data() == bytes);
        }
    }

    // In a folder the user cannot write to, the file is rewritten in place if it allows it, and the export
    // fails (never half-written and "succeeded") if not.
    void exportInALockedFolder() {
        const auto read = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        const auto enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        for (const bool fileWritable : {true, false}) {
            QTemporaryDir dir;
            const QString path = testsupport::writeFile(dir.filePath(QStringLiteral("old.txt")), QByteArray(500, 'x'));
            QFile::setPermissions(path, fileWritable ? read | write : read);
            QFile::setPermissions(dir.path(), read | enter);
            QCOMPARE(asOrdinaryUser([&] { return exportToFile(path, kEntry); }), fileWritable);
            QCOMPARE(testsupport::contentsOf(path), fileWritable ? kEntryBytes : QByteArray(500, 'x'));
            QFile::setPermissions(dir.path(), read | write | enter);
        }
    }

    void importDecodeAndLineRule_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("body");
        const auto none = int(Problem::None);
        QTest::newRow("GBK") << QByteArray::fromHex("bdf1cceccfc2d3ea") << none << QStringLiteral("今天下雨");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF\xE4\xBB\x8A") << none << QStringLiteral("今");
        // Where the bytes read both ways, a sentence of UTF-8 is UTF-8 and a short text is code page 936.
        QTest::newRow("UTF-8 without BOM, six characters")
            << QStringLiteral("今天天气很好").toUtf8() << none << QStringLiteral("今天天气很好");
        QTest::newRow("short UTF-8, its GBK reading beyond GB2312")
            << QByteArray("\xE4\xBD\xA0\xE5\xA5\xBD") << none << QStringLiteral("你好");
        QTest::newRow("short GBK that is valid UTF-8")
            << QByteArray("\xCD\xB7\xCD\xB4") << none << QStringLiteral("头痛");
        QTest::newRow("0x80 is the euro sign") << QByteArray("100\x80") << none << QStringLiteral("100€");
        QTest::newRow("GB18030 four-byte") << QByteArray::fromHex("9439fc36d3ea") << none << QStringLiteral("😀雨");
        QTest::newRow("leading empty lines go") << QByteArray("\r\n\r\nX\r\n\r\nY") << none << "X\r\n\r\nY";
        QTest::newRow("lone CR ends a line, lone LF stays") << QByteArray("A\rB\nC\r\n") << none << "A\r\nB\nC";
        QTest::newRow("trailing empty lines stay") << QByteArray("A\r\n\r\n\r\n") << none << "A\r\n\r\n";
        QTest::newRow("empty file") << QByteArray() << none << QString();
        QTest::newRow("binary") << QByteArray("A\0B", 3) << int(Problem::NotText) << QString();
        QTest::newRow("UTF-16 with U+0000")
            << QByteArray::fromHex("fffe41000000") << int(Problem::NotText) << QString();
        QTest::newRow("too large") << QByteArray(kMaxFileBytes + 1, 'a') << int(Problem::TooLarge) << QString();
    }
    void importDecodeAndLineRule() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, problem);
        QFETCH(QString, body);
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        const Result result = read(device);
        QCOMPARE(int(result.problem), problem);
        QCOMPARE(result.body, body);
    }

    void importFailures() {
        FailDevice failing(3, kEntryBytes);
        QVERIFY(failing.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        QCOMPARE(read(failing).problem, Problem::CannotOpen);
        QTemporaryDir dir;
        QCOMPARE(readFile(dir.path()).problem, Problem::CannotOpen);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("missing.txt"))).problem, Problem::CannotOpen);
        // A named pipe nobody writes to is refused at once instead of waited on.
        const QString pipe = dir.filePath(QStringLiteral("pipe.txt"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QCOMPARE(readFile(pipe).problem, Problem::CannotOpen);
    }
};

QTEST_MAIN(TestEntryTextFile)
#include "tst_entrytextfile.moc"
