// The fuzzers' seed corpora, with the inputs they once failed on, replayed through the same checks in every
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
    fuzzcheck::StatementChecker m_statements{m_folder.filePath("data.mdb")};

private slots:
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
    }
    void fuzzInputIsSafe() {
        QFETCH(bool, statement);
        QFETCH(QByteArray, bytes);
        const QString fault =
            statement ? m_statements.check(QString::fromUtf8(bytes)) : fuzzcheck::checkImportedBytes(bytes);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
