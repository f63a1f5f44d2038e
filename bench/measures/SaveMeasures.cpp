// Saving an entry: the editor's INSERT and UPDATE statements, built by sql:: and sent through DiaryDb, until
// they are durable. Bare: the same values (with ' turned
// into ’) bound into a prepared INSERT or UPDATE on a connection with the same journal and sync settings (rollback
// journal, full sync), in autocommit. Entries added by the measure are deleted afterwards and the changed entry gets
// its old text back, so the cached diary stays as generated.

#include "Bare.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/view/FormView.h"
#include "ui/write/DiaryTextBox.h"
#include "ui/write/FormWrite.h"

#include <array>

namespace measures {
namespace {

constexpr long long kEntries = 100000;
const QString kTitle = QStringLiteral("基准'测试");
const QString kChangedTitle = QStringLiteral("基准'修改");
const QString kDate = QStringLiteral("2009-09-08");
const QString kWeek = QStringLiteral("星期二");
const QString kWeather = QStringLiteral("大雨");

// Two bodies of about 1 650 characters (the middle of the generated range), each with apostrophes.
const std::array<QString, 2>& bodies() {
    static const std::array<QString, 2> texts = [] {
        const benchgen::TextSource source(77, 256 * 1024);
        return std::array<QString, 2>{
            QString::fromUtf8(source.body(11, 1650)) + QStringLiteral("这是'引号'。"),
            QString::fromUtf8(source.body(12, 1650)) + QStringLiteral("又是'引号'。"),
        };
    }();
    return texts;
}

QString curly(QString text) {
    return text.replace(QChar(0x0027), QChar(0x2019));
}

bare::Db openForSaving(long long n) {
    bare::Db db = bare::openWarm(benchenv::databasePath(n));
    bare::exec(db.get(), "PRAGMA journal_mode = DELETE");
    bare::exec(db.get(), "PRAGMA synchronous = FULL");
    return db;
}

qint64 lastId(long long n) {
    bare::Db db = bare::openWarm(benchenv::databasePath(n));
    bare::Statement last(db.get(), "SELECT max(id) FROM diary");
    return last.step() ? last.integer(0) : 0;
}

// Deletes what the measure added (every id above before). The first time in a run it also deletes what an
// interrupted earlier run may have left, found by its title.
void deleteAddedEntries(long long n, qint64 before) {
    static bool leftoversGone = false;
    bare::Db db = openForSaving(n);
    bare::Statement added(db.get(), "DELETE FROM diary WHERE id > ?");
    added.bind(1, before);
    added.step();
    if (!leftoversGone) {
        bare::Statement leftovers(db.get(), "DELETE FROM diary WHERE diarytitle = ?");
        leftovers.bind(1, curly(kTitle).toUtf8());
        leftovers.step();
        leftoversGone = true;
    }
}

// The entry the change measures rewrite, and its text as generated.
struct Changed {
    qint64 id = 0;
    std::array<QByteArray, 5> values; // title, date, week, weather, body
};

Changed changedEntry(long long n) {
    bare::Db db = bare::openWarm(benchenv::databasePath(n));
    bare::Statement last(db.get(), "SELECT max(id) FROM diary WHERE username = ?");
    last.bind(1, benchgen::measuredAccount().name.toUtf8());
    Changed entry;
    if (last.step())
        entry.id = last.integer(0);
    bare::Statement read(db.get(), "SELECT diarytitle, diarydate, diaryweek, diaryweather, diarytext FROM diary "
                                   "WHERE id = ?");
    read.bind(1, entry.id);
    if (!entry.id || !read.step())
        benchenv::fatal(QStringLiteral("no entry to change"));
    for (int i = 0; i < 5; ++i)
        entry.values[std::size_t(i)] = read.utf8(i).toByteArray();
    return entry;
}

void restore(long long n, const Changed& entry) {
    bare::Db db = openForSaving(n);
    bare::Statement update(db.get(), "UPDATE diary SET diarytitle = ?, diarydate = ?, diaryweek = ?, "
                                     "diaryweather = ?, diarytext = ? WHERE id = ?");
    for (int i = 0; i < 5; ++i)
        update.bind(i + 1, entry.values[std::size_t(i)]);
    update.bind(6, entry.id);
    update.step();
}

// Each side's connection sees the other side's last write before its own measured save (unmeasured): a
// connection that finds the file changed drops its page cache, and ours, warm from the tree's query,
// holds far more pages than the bare one. In use no other writer interleaves, and the cache stays.
void catchUp(sqlite3* db) {
    bare::exec(db, "SELECT count(*) FROM users");
}
void catchUpOurs() {
    DiaryDb->OpenRecordset(sql::selectUserNames());
}

void insertPair(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    const qint64 before = lastId(n);
    bare::Db db = openForSaving(n);
    const QString user = benchgen::measuredAccount().name;
    Turns turns(state);
    std::size_t k = 0;
    for (auto _ : state) {
        const QString& body = bodies()[k++ % 2];
        turns.both(
            [&] {
                catchUpOurs();
                turns.time("ours", [&] {
                    DiaryDb->Execute(sql::insertDiary({0, CurrentUser, kTitle, kDate, kWeek, kWeather, body}));
                });
            },
            [&] {
                catchUp(db.get());
                turns.time("bare", [&] {
                    bare::Statement insert(db.get(), "INSERT INTO diary(username, diarytitle, diarydate, diaryweek, "
                                                     "diaryweather, diarytext) VALUES(?, ?, ?, ?, ?, ?)");
                    insert.bind(1, user.toUtf8());
                    insert.bind(2, curly(kTitle).toUtf8());
                    insert.bind(3, kDate.toUtf8());
                    insert.bind(4, kWeek.toUtf8());
                    insert.bind(5, curly(kWeather).toUtf8());
                    insert.bind(6, curly(body).toUtf8());
                    insert.step();
                });
            });
        turns.next();
    }
    turns.report();
    db.reset();
    deleteAddedEntries(n, before);
}

void updatePair(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    const Changed entry = changedEntry(n);
    bare::Db db = openForSaving(n);
    Turns turns(state);
    std::size_t k = 0;
    for (auto _ : state) {
        const QString& body = bodies()[k++ % 2];
        turns.both(
            [&] {
                catchUpOurs();
                turns.time("ours", [&] {
                    DiaryDb->Execute(sql::updateDiary({entry.id, {}, kChangedTitle, kDate, kWeek, kWeather, body}));
                });
                if (DiaryDb->RecordsAffected() != 1)
                    benchenv::fatal(QStringLiteral("the change reached %1 records").arg(DiaryDb->RecordsAffected()));
            },
            [&] {
                catchUp(db.get());
                turns.time("bare", [&] {
                    bare::Statement update(db.get(), "UPDATE diary SET diarytitle = ?, diarydate = ?, diaryweek = ?, "
                                                     "diaryweather = ?, diarytext = ? WHERE id = ?");
                    update.bind(1, curly(kChangedTitle).toUtf8());
                    update.bind(2, kDate.toUtf8());
                    update.bind(3, kWeek.toUtf8());
                    update.bind(4, curly(kWeather).toUtf8());
                    update.bind(5, curly(body).toUtf8());
                    update.bind(6, entry.id);
                    update.step();
                });
            });
        turns.next();
    }
    turns.report();
    db.reset();
    restore(n, entry);
}

} // namespace

// The whole save of a new entry in the editor: its save button (the question answered yes) until the main
// window is back with its tree rebuilt and repainted.
void saveCycle(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    const qint64 before = lastId(n);
    Turns turns(state);
    for (auto _ : state) {
        benchenv::useDiary(n);
        EditCondition.clear();
        ImportFilePath.clear();
        Form_Write* editor = platform::forms().show<Form_Write>();
        benchenv::settle();
        editor->Text_DiaryTitle->setText(kTitle);
        editor->RichTextBox_DiaryText->setStoredText(bodies()[0]);
        platform::MessageBox::setNextAnswer(platform::MessageBox::Answer::Yes);
        turns.time("ours", [&] {
            editor->Command_Insert_Click();
            benchenv::view()->repaint();
        });
        turns.next();
        if (platform::forms().isLoaded<Form_Write>() || !benchenv::view()->isVisible())
            benchenv::fatal(QStringLiteral("the save did not bring the main window back"));
        benchenv::settle();
        platform::MessageBox::clearShown();
    }
    turns.report();
    deleteAddedEntries(n, before);
    benchenv::view()->fv_RefreshTree();
}

void registerSave() {
    // The disk's latency swings by ten times within seconds: many short repetitions.
    add("save_new_entry", "pair", kEntries, insertPair, 10)->Repetitions(30);
    add("save_changed_entry", "pair", kEntries, updatePair, 10)->Repetitions(30);
    add("save_cycle", "ours", 10000, saveCycle, 5);
    add("save_cycle", "ours", kEntries, saveCycle, 5);
}

} // namespace measures
