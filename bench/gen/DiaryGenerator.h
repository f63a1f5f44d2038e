#pragma once

// Fills diary databases for the benchmarks: one measured account with N entries and four other accounts
// with as many entries each, interleaved in the table, so that every query has to filter by account.
// Inserting goes straight to SQLCipher in one transaction; this is set-up, never measured.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace benchgen {

struct Account {
    QString name;
    QString password;
};

// The five accounts; the first is the one every benchmark signs in as.
const std::array<Account, 5>& accounts();
inline const Account& measuredAccount() {
    return accounts()[0];
}

struct Options {
    qint64 entriesPerAccount = 1000;
    // Body length of the other four accounts' entries, in characters. They only need to be there, so a
    // machine short of disk may make them shorter; their entry counts never change.
    int otherBodyMinChars = 300;
    int otherBodyMaxChars = 3000;
    std::uint64_t seed = 20090908;
};

struct Summary {
    qint64 rows = 0;            // entries of all accounts
    qint64 measuredEntries = 0; // entries of the measured account
    qint64 measuredDates = 0;   // distinct dates among them
    qint64 bodyBytes = 0;       // UTF-8 bytes of all bodies
};

// Creates path with dao::createDiaryDatabase and fills it. Refuses an existing file.
bool generateDiary(const QString& path, const Options& options, Summary* summary, QString* error);

// The folder of the cached diary for n entries per account below root, and whether it is complete.
QString diaryFolder(const QString& root, qint64 n);
bool diaryReady(const QString& root, qint64 n);
// Generates the cached diary unless it is complete already (built under a temporary name, then renamed).
bool ensureDiary(const QString& root, qint64 n, const Options& options, QString* error, bool* generated = nullptr);

// Chinese text for bodies and import files: sentences of common words with punctuation, paragraphs ending
// in CR LF. Deterministic for a seed.
class TextSource {
public:
    explicit TextSource(std::uint64_t seed, qsizetype corpusBytes = 8 * 1024 * 1024);

    // About chars characters of UTF-8 text starting at a sentence picked by pick (any number). The view
    // points into the corpus and lives as long as this source.
    QByteArrayView body(std::uint64_t pick, int chars) const;
    const QByteArray& corpus() const { return m_corpus; }

private:
    QByteArray m_corpus;
    std::vector<qsizetype> m_sentenceStarts;
};

// A text file of exactly bytes bytes of GBK-encoded Chinese text with CR LF line ends.
bool writeGbkFile(const QString& path, qint64 bytes, QString* error);

} // namespace benchgen
