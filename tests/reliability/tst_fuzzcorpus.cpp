// The fuzzers' seed corpora, and inputs they once failed on, replayed through the same checks in every
// build, so a fault they found stays found without clang or libFuzzer.

#include "support/TestSupport.h"

#include "checks/ImportChecks.h"
#include "checks/StatementChecks.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestFuzzCorpus : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_folder;
    std::unique_ptr<fuzzcheck::StatementChecker> m_statements;

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        m_statements = std::make_unique<fuzzcheck::StatementChecker>(m_folder.filePath(QStringLiteral("data.mdb")));
    }
    void cleanupTestCase() { m_statements.reset(); }

    // Imported files must give a valid body; texts run as a statement or bound as a value must be safe.
    void fuzzInputIsSafe_data() {
        QTest::addColumn<bool>("statement");
        QTest::addColumn<QByteArray>("bytes");
        for (const bool statement : {false, true}) {
            const QDir folder(QStringLiteral(QJL_FUZZ_CORPUS "/") + (statement ? "statement" : "import"));
            const QStringList names = folder.entryList(QDir::Files, QDir::Name);
            QVERIFY2(names.size() >= 10, qPrintable(folder.path()));
            for (const QString& name : names)
                QTest::addRow("%s", qPrintable(folder.dirName() + '/' + name))
                    << statement << testsupport::contentsOf(folder.filePath(name));
        }
        QTest::newRow("UTF-16 LE, high surrogate alone") << false << QByteArray("\xFF\xFE\x3D\xD8\x41\x00", 6);
        QTest::newRow("UTF-16 LE, low surrogate alone") << false << QByteArray("\xFF\xFE\x41\x00\x00\xDE", 6);
        QTest::newRow("UTF-16 LE, pair reversed") << false << QByteArray("\xFF\xFE\x00\xDE\x3D\xD8", 6);
        QTest::newRow("UTF-16 LE, high surrogate last") << false << QByteArray("\xFF\xFE\x41\x00\x3D\xD8", 6);
        QTest::newRow("UTF-16 BE, high surrogate before CR")
            << false << QByteArray("\xFE\xFF\xD8\x3D\x00\x0D\x00\x0A", 8);
        QTest::newRow("UTF-16 LE, odd length") << false << QByteArray("\xFF\xFE\x41\x00\x42", 5);
        QTest::newRow("UTF-8, surrogate encoded") << false << QByteArray("\xED\xA0\x80\x0D\x0A\x41");
        QTest::newRow("NUL and CR") << false << QByteArray("\x00\x0D\x00\x0D\x0A", 5);
        QTest::newRow("empty") << true << QByteArray();
        QTest::newRow("NUL inside a value") << true << QByteArray("a\0b", 3);
        QTest::newRow("only a quote") << true << QByteArray("'");
        QTest::newRow("closing the value early") << true << QByteArray("x', 'y', 'z', 'w', 'v', 'u') --");
        QTest::newRow("deep nesting") << true << QByteArray("Select * from diary where ") + QByteArray(200, '(');
        QTest::newRow("many comparisons")
            << true << QByteArray("Select * from diary where id = 1") + QByteArray(" or id = 1").repeated(250);
    }
    void fuzzInputIsSafe() {
        QFETCH(bool, statement);
        QFETCH(QByteArray, bytes);
        const QString fault =
            statement ? m_statements->check(QString::fromUtf8(bytes)) : fuzzcheck::checkImportedBytes(bytes);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
