// Reading a 16 MiB GBK text file by the import rule: the editor's entrytextfile::read (the file read, the
// check for binary content, platform::TextCodec::decodeTextFile and joinImportedLines) against reading the
// file and decoding it with glibc's iconv (GBK to UTF-8) and QString::fromUtf8. And, reported on its own,
// the time until the editor is on screen with the file's text in its body.

#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "app/EntryTextFile.h"
#include "app/Globals.h"
#include "platform/FormRegistry.h"
#include "ui/write/FormWrite.h"

#include <QFile>
#include <QFileInfo>

#include <iconv.h>

namespace measures {
namespace {

constexpr qint64 kFileBytes = 16 * 1024 * 1024;

QString importFile() {
    const QString path = benchenv::dataRoot() + QStringLiteral("/import-16MiB-gbk.txt");
    if (QFileInfo(path).size() != kFileBytes) {
        QString error;
        if (!benchgen::writeGbkFile(path, kFileBytes, &error))
            benchenv::fatal(error);
    }
    return path;
}

QString iconvRead(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        benchenv::fatal(file.errorString());
    QByteArray bytes = file.readAll();
    // GBK needs at most 3 bytes of UTF-8 for each 2 bytes, ASCII 1 for 1.
    QByteArray utf8(bytes.size() * 3 / 2 + 16, Qt::Uninitialized);
    iconv_t converter = iconv_open("UTF-8", "GBK");
    char* in = bytes.data();
    std::size_t inLeft = std::size_t(bytes.size());
    char* out = utf8.data();
    std::size_t outLeft = std::size_t(utf8.size());
    const std::size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == std::size_t(-1))
        benchenv::fatal(QStringLiteral("iconv could not decode %1").arg(path));
    return QString::fromUtf8(utf8.constData(), utf8.size() - qsizetype(outLeft));
}

void readPair(benchmark::State& state, long long) {
    const QString path = importFile();
    qsizetype ours = 0;
    qsizetype bare = 0;
    Turns turns(state);
    for (auto _ : state) {
        turns.both(
            [&] {
                entrytextfile::Result result;
                turns.time("ours", [&] { result = entrytextfile::readFile(path); });
                if (result.problem != entrytextfile::Problem::None)
                    benchenv::fatal(QStringLiteral("the import refused %1").arg(path));
                ours = result.body.size();
            },
            [&] {
                QString text;
                turns.time("bare", [&] { text = iconvRead(path); });
                bare = text.size();
            });
        turns.next();
    }
    turns.report();
    state.counters["chars"] = double(ours);
    state.counters["bare_chars"] = double(bare);
}

// From the import's hand-over to the editor on screen with the whole file in its body.
void editorShowsOurs(benchmark::State& state, long long) {
    const QString path = importFile();
    // The editor's unload brings back the main window: have it loaded, on whichever diary.
    if (!benchenv::diaryInUse())
        benchenv::useDiary(1000);
    for (auto _ : state) {
        ImportFilePath = path;
        const auto start = benchenv::startMeasure();
        Form_Write* editor = platform::forms().show<Form_Write>();
        editor->repaint();
        state.SetIterationTime(benchenv::secondsSince(start));
        if (editor->mode() != Form_Write::Mode::Import)
            benchenv::fatal(QStringLiteral("the editor did not import %1").arg(path));
        platform::forms().unload(editor);
        benchenv::settle();
    }
}

} // namespace

void registerImport() {
    add("import_16MiB_gbk", "pair", kFileBytes, readPair, 3)->Repetitions(15);
    add("import_editor_shows", "ours", kFileBytes, editorShowsOurs, 1);
}

} // namespace measures
