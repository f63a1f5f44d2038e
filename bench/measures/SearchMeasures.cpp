// The search window's search, by each of its five fields, against the same search written by hand: the
// account's entries selected directly, the same substring test (QString::contains, letter case counted) on
// the chosen field, and the same six texts kept for every hit. The hand-written one reads a hit's other
// fields only for hits, and the body in the scan only when the body is what it searches, as a careful
// programmer would.

#include "Bare.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultList.h"
#include "ui/find/ResultModel.h"

#include <QCoreApplication>
#include <QEvent>

#include <array>
#include <vector>

namespace measures {
namespace {

constexpr long long kEntries = 100000;

struct Search {
    const char* field;
    int choice; // index in Combo_KeyWords
    const char* column;
    const char* keyword;
};

// The keywords are the examples the search window itself offers.
const std::array<Search, 5> kSearches{{
    {"title", 0, "diarytitle", "杯具"},
    {"date", 1, "diarydate", "2009-09-08"},
    {"week", 2, "diaryweek", "星期一"},
    {"weather", 3, "diaryweather", "大雨"},
    {"body", 4, "diarytext", "今天"},
}};

Form_Find* findWindow() {
    auto* form = platform::forms().loaded<Form_Find>();
    if (!form) {
        form = platform::forms().show<Form_Find>();
        benchenv::settle();
    }
    return form;
}

bool matches(const QString& text, const QString& keyword) {
    return !text.isEmpty() && text.contains(keyword, Qt::CaseSensitive);
}

// fast: the account's rows found through the NOCASE index that holds every short field.
std::vector<ResultRow> bareSearch(sqlite3* db, const QByteArray& user, const Search& search, const QString& keyword,
                                  bool fast = false) {
    std::vector<ResultRow> rows;
    const QByteArray account = fast ? " WHERE username = ? COLLATE NOCASE" : " WHERE username = ?";
    if (search.choice == 4) {
        const QByteArray bodySql =
            "SELECT id, diarytitle, diarydate, diaryweek, diaryweather, diarytext FROM diary" + account;
        bare::Statement scan(db, bodySql.constData());
        scan.bind(1, user);
        while (scan.step()) {
            QString body = scan.text(5);
            if (!matches(body, keyword))
                continue;
            ResultRow& row = rows.emplace_back();
            row.cells = {QString::number(scan.integer(0)),
                         scan.text(1),
                         scan.text(2),
                         scan.text(3),
                         scan.text(4),
                         std::move(body)};
        }
        return rows;
    }
    const QByteArray scanSql = QByteArray("SELECT id, ") + search.column + " FROM diary" + account;
    bare::Statement scan(db, scanSql.constData());
    bare::Statement hit(db, "SELECT diarytitle, diarydate, diaryweek, diaryweather, diarytext FROM diary WHERE id = ?");
    scan.bind(1, user);
    while (scan.step()) {
        if (!matches(scan.text(1), keyword))
            continue;
        hit.bind(1, scan.integer(0));
        if (hit.step()) {
            ResultRow& row = rows.emplace_back();
            row.cells = {
                QString::number(scan.integer(0)), hit.text(0), hit.text(1), hit.text(2), hit.text(3), hit.text(4)};
        }
        hit.reset();
    }
    return rows;
}

template <int Choice> void searchPair(benchmark::State& state, long long n) {
    const Search& search = kSearches[Choice];
    const QString keyword = QString::fromUtf8(search.keyword);
    bare::Db db = bare::openWarm(benchenv::databasePath(n));
    bare::Db fastDb = bare::openFast(benchenv::databasePath(n));
    const QByteArray user = benchgen::measuredAccount().name.toUtf8();
    std::vector<ResultRow> rows;
    Form_Find* form = nullptr;
    Turns turns(state);
    for (auto _ : state) {
        turns.all(
            [&] {
                benchenv::useDiary(n);
                form = findWindow();
                form->Combo_KeyWords->setCurrentIndex(search.choice);
                form->Text_KeyWords->setText(keyword);
                turns.time("ours", [&] { form->Command_Find_Click(); });
                benchenv::settle();
                platform::MessageBox::clearShown();
            },
            [&] {
                turns.time("bare", [&] {
                    rows = {}; // the previous list goes first, as the window's does
                    rows = bareSearch(db.get(), user, search, keyword);
                });
            },
            [&] {
                turns.time("limit", [&] {
                    rows = {};
                    rows = bareSearch(fastDb.get(), user, search, keyword, true);
                });
            });
        turns.next();
        if (form->results()->rowCount() != int(rows.size()))
            benchenv::fatal(QStringLiteral("the search found %1 entries, the bare one %2")
                                .arg(form->results()->rowCount())
                                .arg(rows.size()));
    }
    turns.report();
    state.counters["hits"] = double(rows.size());
    form->PopMenu_List_Clear_Click(); // give the rows' memory back before the next measure
}

// Watches the result list's viewport and notes when the first paint showing a row is done.
class FirstRowPainted : public QObject {
public:
    FirstRowPainted(QWidget* viewport, const ResultModel* rows) : m_viewport(viewport), m_rows(rows) {
        m_viewport->installEventFilter(this);
    }
    ~FirstRowPainted() override { m_viewport->removeEventFilter(this); }
    bool seen() const { return m_seen; }
    benchenv::Clock::time_point when() const { return m_when; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_seen || watched != m_viewport || event->type() != QEvent::Paint || m_rows->rowCount() == 0)
            return false;
        // Let the view paint (through the filters installed before this one), then take the time.
        m_viewport->removeEventFilter(this);
        QCoreApplication::sendEvent(m_viewport, event);
        m_when = benchenv::Clock::now();
        m_seen = true;
        return true;
    }

private:
    QWidget* m_viewport;
    const ResultModel* m_rows;
    bool m_seen = false;
    benchenv::Clock::time_point m_when;
};

// The body search's first hit on screen: from the click until the list has painted its first row.
void firstBodyHit(benchmark::State& state, long long n) {
    const QString keyword = QString::fromUtf8(kSearches[4].keyword);
    Form_Find* form = nullptr;
    Turns turns(state);
    for (auto _ : state) {
        benchenv::useDiary(n);
        form = findWindow();
        form->PopMenu_List_Clear_Click();
        benchenv::settle();
        form->Combo_KeyWords->setCurrentIndex(kSearches[4].choice);
        form->Text_KeyWords->setText(keyword);
        FirstRowPainted painted(form->ListView_Result->viewport(), form->results());
        const auto start = benchenv::startMeasure();
        form->Command_Find_Click();
        if (!painted.seen())
            benchenv::fatal(QStringLiteral("the body search painted no row while it ran"));
        turns.add("ours", std::chrono::duration<double>(painted.when() - start).count());
        turns.next();
        benchenv::settle();
        platform::MessageBox::clearShown();
    }
    turns.report();
    form->PopMenu_List_Clear_Click();
}

template <int Choice> void addSearch() {
    add(std::string("search_") + kSearches[Choice].field, "pair", kEntries, searchPair<Choice>, 1);
}

} // namespace

void registerSearch() {
    addSearch<0>();
    addSearch<1>();
    addSearch<2>();
    addSearch<3>();
    addSearch<4>();
    add("search_body_first_hit", "ours", kEntries, firstBodyHit, 3);
}

} // namespace measures
