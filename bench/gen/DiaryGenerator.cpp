#include "DiaryGenerator.h"

#include "app/Passwords.h"
#include "db/DiaryDatabase.h"

#include <sqlite3.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <iconv.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <random>

namespace benchgen {
namespace {

// Words of everyday diary prose. Every character is a CJK ideograph, three bytes in UTF-8.
const char* const kWords[] = {
    "今天", "早上", "中午", "晚上", "天气", "心情", "朋友", "家人", "工作", "学习", "读书", "散步", "公园", "城市",
    "街道", "小雨", "阳光", "微风", "窗外", "桌上", "咖啡", "米饭", "面条", "电影", "音乐", "时间", "周末", "假期",
    "旅行", "车站", "火车", "飞机", "同事", "老师", "学生", "孩子", "父亲", "母亲", "姐姐", "弟弟", "邻居", "小猫",
    "开心", "难过", "平静", "忙碌", "疲惫", "轻松", "紧张", "安静", "热闹", "温暖", "寒冷", "明天", "昨天", "以后",
    "想起", "觉得", "希望", "打算", "决定", "发现", "记得", "忘记", "喜欢", "讨厌", "等待", "出发", "回来", "离开",
    "一起", "一个", "一些", "很多", "有点", "非常", "终于", "突然", "慢慢", "渐渐", "还是", "已经", "可能", "应该",
    "事情", "问题", "办法", "计划", "目标", "梦想", "回忆", "故事", "日子", "生活", "世界", "自己", "我们", "他们",
    "书店", "超市", "医院", "银行", "学校", "食堂", "宿舍", "房间", "厨房", "阳台", "花园", "河边", "山上", "海边",
    "春天", "夏天", "秋天", "冬天", "雪花", "树叶", "月亮", "星星", "晚霞", "清晨", "黄昏", "深夜", "信件", "电话",
    "写字", "画画", "做饭", "洗衣", "打扫", "跑步", "游泳", "下棋", "唱歌", "聊天", "思考", "整理", "收拾", "准备",
    "的",   "了",   "在",   "和",   "是",   "也",   "都",   "就",   "又",   "很",   "去",   "来",   "看",   "说",
};

const char* const kTitleWords[] = {"杯具", "心情", "周末", "晴天", "旅行", "读书", "加班", "回家", "小事", "雨夜",
                                   "随想", "生日", "考试", "搬家", "早餐", "散步", "电影", "朋友", "聚会", "工作",
                                   "春游", "秋思", "冬至", "夏夜", "见闻", "琐记", "感悟", "梦境", "远行", "归途",
                                   "老街", "新年", "端午", "中秋", "重逢", "离别", "初雪", "晚风", "灯下", "午后"};

const char* const kWeather[] = {"晴朗", "多云", "阴雨", "大雨", "小雨", "阵雨", "大雪", "小雪", "冰雹"};

const char* const kWeekdays[] = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};

const char* const kPassword = "vexol";

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementCloser {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

QString lastError(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

Statement prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}

void bindText(sqlite3_stmt* statement, int index, QByteArrayView text) {
    sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_STATIC);
}

// Rough size of the finished file, to see whether the disk can hold it.
qint64 estimatedBytes(const Options& options) {
    const qint64 measured = options.entriesPerAccount * (3 * (300 + 3000) / 2 + 200);
    const qint64 others =
        4 * options.entriesPerAccount * (3 * (options.otherBodyMinChars + options.otherBodyMaxChars) / 2 + 200);
    return (measured + others) * 11 / 10; // pages carry their own nonce and HMAC
}

} // namespace

const std::array<Account, 5>& accounts() {
    static const std::array<Account, 5> list{{
        {QStringLiteral("林小雨"), QStringLiteral("xiaoyu2009")},
        {QStringLiteral("王大明"), QStringLiteral("daming88")},
        {QStringLiteral("陈静"), QStringLiteral("chenjing")},
        {QStringLiteral("刘洋"), QStringLiteral("liuyang7")},
        {QStringLiteral("赵敏"), QStringLiteral("zhaomin1")},
    }};
    return list;
}

TextSource::TextSource(std::uint64_t seed, qsizetype corpusBytes) {
    std::mt19937_64 random(seed);
    auto below = [&random](std::size_t n) { return std::size_t(random() % n); };
    constexpr std::size_t wordCount = sizeof kWords / sizeof kWords[0];
    m_corpus.reserve(corpusBytes + 1024);
    while (m_corpus.size() < corpusBytes) {
        const int sentences = 2 + int(below(6));
        for (int s = 0; s < sentences; ++s) {
            m_sentenceStarts.push_back(m_corpus.size());
            const int words = 4 + int(below(11));
            for (int w = 0; w < words; ++w) {
                m_corpus += kWords[below(wordCount)];
                if (w + 1 < words && below(5) == 0)
                    m_corpus += "，";
            }
            const std::size_t end = below(10);
            m_corpus += end == 0 ? "！" : (end == 1 ? "？" : "。");
        }
        m_corpus += "\r\n";
    }
}

QByteArrayView TextSource::body(std::uint64_t pick, int chars) const {
    const qsizetype bytes = qsizetype(chars) * 3;
    // Only sentences far enough from the end to hold the longest body.
    std::size_t usable = m_sentenceStarts.size();
    while (usable > 1 && m_sentenceStarts[usable - 1] + bytes + 8 > m_corpus.size())
        --usable;
    const qsizetype start = m_sentenceStarts[std::size_t(pick % usable)];
    qsizetype end = std::min(start + bytes, m_corpus.size());
    // End on a character boundary and never between CR and LF.
    while (end < m_corpus.size() && (uchar(m_corpus[end]) & 0xC0) == 0x80)
        ++end;
    if (end < m_corpus.size() && m_corpus[end] == '\n')
        ++end;
    return QByteArrayView(m_corpus.constData() + start, end - start);
}

bool generateDiary(const QString& path, const Options& options, Summary* summary, QString* error) {
    if (!dao::createDiaryDatabase(path, error))
        return false;

    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        return fail(error, QStringLiteral("open %1: %2").arg(path, lastError(db.get())));
    sqlite3_key(db.get(), kPassword, int(std::strlen(kPassword)));
    // The diary's file format (SQLCipher 4 and later need telling). Set-up only: nothing needs to survive a
    // crash half-way, the file is renamed into place when done.
    rc = sqlite3_exec(db.get(),
                      "PRAGMA cipher_compatibility = 3; PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY; "
                      "PRAGMA cache_size = -131072; BEGIN;",
                      nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return fail(error, QStringLiteral("prepare %1: %2").arg(path, lastError(db.get())));

    Statement insertUser = prepare(db.get(), "INSERT INTO users(\"limit\", username, password) VALUES(1, ?, ?)");
    Statement insertEntry = prepare(db.get(), "INSERT INTO diary(username, diarytitle, diarydate, diaryweek, "
                                              "diaryweather, diarytext) VALUES(?, ?, ?, ?, ?, ?)");
    if (!insertUser || !insertEntry)
        return fail(error, QStringLiteral("prepare: %1").arg(lastError(db.get())));

    std::vector<QByteArray> names;
    for (const Account& account : accounts()) {
        names.push_back(account.name.toUtf8());
        const QByteArray hash = app::hashPassword(account.password).toUtf8();
        bindText(insertUser.get(), 1, names.back());
        bindText(insertUser.get(), 2, hash);
        if (sqlite3_step(insertUser.get()) != SQLITE_DONE)
            return fail(error, QStringLiteral("insert user: %1").arg(lastError(db.get())));
        sqlite3_reset(insertUser.get());
    }

    const TextSource text(options.seed);
    std::mt19937_64 random(options.seed * 31 + 7);
    auto between = [&random](int low, int high) { return low + int(random() % std::uint64_t(high - low + 1)); };
    constexpr std::size_t titleWords = sizeof kTitleWords / sizeof kTitleWords[0];

    Summary done;
    std::array<qint64, 5> written{};
    QDate date(2000, 1, 1);
    bool more = true;
    while (more) {
        more = false;
        const QByteArray dateText = date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
        const char* week = kWeekdays[date.dayOfWeek() - 1];
        for (std::size_t account = 0; account < names.size(); ++account) {
            // About three entries a day: one to five.
            const qint64 today = std::min<qint64>(between(1, 5), options.entriesPerAccount - written[account]);
            if (account == 0 && today > 0)
                ++done.measuredDates;
            for (qint64 k = 0; k < today; ++k) {
                const bool measured = account == 0;
                QByteArray title = kTitleWords[random() % titleWords];
                if (random() % 2)
                    title += kTitleWords[random() % titleWords];
                const int chars =
                    measured ? between(300, 3000) : between(options.otherBodyMinChars, options.otherBodyMaxChars);
                const QByteArrayView body = text.body(random(), chars);
                bindText(insertEntry.get(), 1, names[account]);
                bindText(insertEntry.get(), 2, title);
                bindText(insertEntry.get(), 3, dateText);
                bindText(insertEntry.get(), 4, QByteArrayView(week));
                bindText(insertEntry.get(), 5, QByteArrayView(kWeather[random() % 9]));
                bindText(insertEntry.get(), 6, body);
                if (sqlite3_step(insertEntry.get()) != SQLITE_DONE)
                    return fail(error, QStringLiteral("insert entry: %1").arg(lastError(db.get())));
                sqlite3_reset(insertEntry.get());
                ++done.rows;
                done.bodyBytes += body.size();
                if (measured)
                    ++done.measuredEntries;
            }
            written[account] += today;
            if (written[account] < options.entriesPerAccount)
                more = true;
        }
        date = date.addDays(1);
    }
    insertUser.reset();
    insertEntry.reset();
    if (sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(error, QStringLiteral("commit: %1").arg(lastError(db.get())));
    if (sqlite3_close(db.release()) != SQLITE_OK)
        return fail(error, QStringLiteral("close %1").arg(path));
    if (summary)
        *summary = done;
    return true;
}

QString diaryFolder(const QString& root, qint64 n) {
    return root + QStringLiteral("/diary-%1").arg(n);
}

bool diaryReady(const QString& root, qint64 n) {
    const QString folder = diaryFolder(root, n);
    return QFileInfo::exists(folder + QStringLiteral("/complete")) && QFileInfo::exists(folder + "/data.mdb");
}

bool ensureDiary(const QString& root, qint64 n, const Options& requested, QString* error, bool* generated) {
    if (generated)
        *generated = false;
    if (diaryReady(root, n))
        return true;
    if (!QDir().mkpath(root))
        return fail(error, QStringLiteral("cannot create %1").arg(root));

    Options options = requested;
    options.entriesPerAccount = n;
    const qint64 available = QStorageInfo(root).bytesAvailable();
    // Keep 4 GB free for everyone else on the machine.
    const qint64 reserve = 4LL * 1024 * 1024 * 1024;
    if (available >= 0 && estimatedBytes(options) + reserve > available) {
        options.otherBodyMinChars = 60;
        options.otherBodyMaxChars = 200;
        if (estimatedBytes(options) + reserve > available)
            return fail(error, QStringLiteral("not enough disk below %1 for %2 entries per account").arg(root).arg(n));
    }

    const QString folder = diaryFolder(root, n);
    const QString partial = folder + QStringLiteral(".partial-%1").arg(::getpid());
    QDir(folder).removeRecursively();
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial))
        return fail(error, QStringLiteral("cannot create %1").arg(partial));

    QElapsedTimer timer;
    timer.start();
    Summary summary;
    if (!generateDiary(partial + QStringLiteral("/data.mdb"), options, &summary, error)) {
        QDir(partial).removeRecursively();
        return false;
    }
    QFile marker(partial + QStringLiteral("/complete"));
    if (!marker.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("cannot write %1").arg(marker.fileName()));
    marker.write(QStringLiteral("entries_per_account=%1\nrows=%2\nmeasured_entries=%3\nmeasured_dates=%4\n"
                                "body_bytes=%5\nother_body_chars=%6-%7\nseed=%8\ngenerated_seconds=%9\n")
                     .arg(n)
                     .arg(summary.rows)
                     .arg(summary.measuredEntries)
                     .arg(summary.measuredDates)
                     .arg(summary.bodyBytes)
                     .arg(options.otherBodyMinChars)
                     .arg(options.otherBodyMaxChars)
                     .arg(options.seed)
                     .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1)
                     .toUtf8());
    marker.close();
    if (!QDir().rename(partial, folder))
        return fail(error, QStringLiteral("cannot rename %1 to %2").arg(partial, folder));
    if (generated)
        *generated = true;
    return true;
}

bool writeGbkFile(const QString& path, qint64 bytes, QString* error) {
    const TextSource text(4242, 2 * 1024 * 1024);
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == iconv_t(-1))
        return fail(error, QStringLiteral("iconv cannot convert UTF-8 to GBK"));
    QByteArray chunk(text.corpus().size(), Qt::Uninitialized);
    char* in = const_cast<char*>(text.corpus().constData());
    std::size_t inLeft = std::size_t(text.corpus().size());
    char* out = chunk.data();
    std::size_t outLeft = std::size_t(chunk.size());
    const std::size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == std::size_t(-1))
        return fail(error, QStringLiteral("iconv failed on the corpus"));
    chunk.truncate(chunk.size() - qsizetype(outLeft));

    QByteArray file;
    file.reserve(bytes);
    while (file.size() + chunk.size() <= bytes)
        file += chunk;
    // The rest: whole lines of the chunk, then ASCII padding to the exact size.
    const qsizetype room = bytes - file.size();
    const qsizetype lineEnd = chunk.lastIndexOf("\r\n", room - 2);
    if (lineEnd > 0)
        file += chunk.left(lineEnd + 2);
    if (file.size() < bytes)
        file.append(bytes - file.size(), '.');

    QSaveFile save(path);
    if (!save.open(QIODevice::WriteOnly) || save.write(file) != file.size() || !save.commit())
        return fail(error, QStringLiteral("cannot write %1").arg(path));
    return true;
}

} // namespace benchgen
