// qingjianlu-data run in-process: the JSON export and import as a lossless round trip, a RedNotebook journal
// written by RedNotebook's own storage code, the yearly files, the figures of stats, and every refusal (wrong
// password, unknown account, existing output, missing folder, damaged source) with its exit code, its message,
// and nothing written.

#include "support/TestSupport.h"

#include "tools/data/Commands.h"
#include "tools/data/DiaryFile.h"
#include "tools/data/Json.h"

#include "app/Passwords.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace datatool;

namespace {

struct Ran {
    int code = -1;
    QStringList out;
    QStringList err;
};

// Runs the tool on the test's data.mdb with the password given as if typed.
Ran runTool(const QStringList& arguments, const QString& password = QStringLiteral("口令")) {
    static int seconds = 0; // every backup gets a name of its own
    Ran ran;
    Io io;
    io.out = [&ran](const QString& line) { ran.out << line; };
    io.err = [&ran](const QString& line) { ran.err << line; };
    io.errRaw = [](const QString&) {};
    io.readPassword = [password](bool) { return std::optional<QString>(password); };
    io.now = [] { return QDateTime(QDate(2026, 12, 8), QTime(4, 0)).addSecs(++seconds); };
    ran.code = run(arguments, io);
    return ran;
}

// An account's entries in id order, each as title, date, weekday, weather, body ("NULL" for no value).
QList<QStringList> entriesOf(const QString& user) {
    QList<QStringList> rows;
    DiaryFile diary(dao::diaryDatabasePath());
    diary.forEachEntry(user, [&rows](const Entry& entry) {
        QStringList row;
        for (const auto* field : {&entry.title, &entry.date, &entry.weekday, &entry.weather, &entry.body})
            row << (field->isNull() ? QStringLiteral("NULL") : *field);
        rows << row;
        return true;
    });
    return rows;
}

// Every file under the folder with its size and time, to see that nothing was written.
QStringList folderState(const QString& folder) {
    QStringList state;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        state << info.fileName() + QLatin1Char(' ') + QString::number(info.size()) +
                     (info.isDir() ? folderState(info.filePath()).join(QLatin1Char(',')) : QString());
    return state;
}

} // namespace

class TestDataTool : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::TempDiary> m_diary;
    QString m_hash; // of "口令", made once: hashing is slow by design

    QString path(const QString& name) const { return m_diary->filePath(name); }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        m_hash = app::hashPassword(QStringLiteral("口令"));
    }
    void init() {
        m_diary = std::make_unique<testsupport::TempDiary>();
        m_diary->addUser(QStringLiteral("张三"), m_hash);
        m_diary->addUser(QStringLiteral("王五"), m_hash);
    }
    void cleanup() { m_diary.reset(); }

    void jsonRoundTripIsLossless() {
        const QList<QStringList> written{
            {"春日", "2009/9/8", "星期二", "大雨", "今天去了公园。\r\n我’很开心。\r\n"},
            {"𠀀 beyond GBK", "2009/9/9", "星期三", "", "𠀀𪚥\r\n\r\n\"quotes\", \\ and a\ttab"},
            {"NULL", "NULL", "NULL", "NULL", "NULL"},
            {"no day", "某年某日", "星期几", "晴朗", "a lone\nLF stays"},
        };
        for (const QStringList& row : written) {
            if (row[0] == "NULL")
                QCOMPARE(testsupport::rawSql(m_diary->databasePath(), "INSERT INTO diary(username) VALUES('张三')"),
                         QStringList());
            else
                m_diary->addEntry("张三", row[0], row[1], row[2], row[3], row[4]);
        }
        m_diary->addEntry("李四", "not 张三's", "2009/9/8", "星期二", "", "must not leave");
        QCOMPARE(entriesOf("张三"), written);

        Ran ran = runTool({"export", "--user", "ZHANG三", "--format", "json", "--output", path("all.json")});
        QCOMPARE(ran.code, 3); // no such account: names are compared ignoring case, not rewritten
        ran = runTool({"export", "--user", "张三", "--format", "json", "--output", path("all.json")});
        QCOMPARE(ran.code, 0);
        // An independent reader finds the layout and the nulls.
        const QJsonObject root = QJsonDocument::fromJson(testsupport::contentsOf(path("all.json"))).object();
        QCOMPARE(root.value("format").toString(), "qingjianlu-diary");
        QCOMPARE(root.value("version").toInt(), 1);
        QCOMPARE(root.value("user").toString(), "张三");
        const QJsonArray entries = root.value("entries").toArray();
        QCOMPARE(entries.size(), written.size());
        QVERIFY(entries[2].toObject().value("title").isNull() && entries[2].toObject().contains("body"));
        QCOMPARE(entries[1].toObject().value("body").toString(), written[1][4]);

        ran = runTool({"import", "--user", "王五", "--from", "json", path("all.json")});
        QCOMPARE(ran.code, 0);
        const QStringList backups = QDir(path("backup")).entryList(QDir::Files);
        QCOMPARE(backups.size(), 1);
        QCOMPARE(ran.out, (QStringList{"已先备份到 " + QDir::toNativeSeparators(path("backup/" + backups[0])) +
                                           "。Backed up first to " +
                                           QDir::toNativeSeparators(path("backup/" + backups[0])) + ".",
                                       "已导入 4 篇，跳过已有的 0 篇。Added 4 entries, skipped 0 already there."}));
        QCOMPARE(entriesOf("王五"), written);
        // The same import again adds nothing.
        ran = runTool({"import", "--user", "王五", "--from", "json", path("all.json")});
        QCOMPARE(ran.out.last(), "已导入 0 篇，跳过已有的 4 篇。Added 0 entries, skipped 4 already there.");
        QCOMPARE(entriesOf("王五"), written);
    }

    void storedBytesThatAreNotUtf8StillMakeJson() {
        // The export copies the stored bytes as they are; bytes that are not UTF-8 (written by another client)
        // would make the file unreadable, so such a text goes out as the program reads it.
        QCOMPARE(testsupport::rawSql(m_diary->databasePath(),
                                     "INSERT INTO diary(username, diarytitle, diarytext) VALUES('张三', 'ok', "
                                     "CAST(X'61E4B862' AS TEXT))"),
                 QStringList());
        QCOMPARE(runTool({"export", "--user", "张三", "--format", "json", "--output", path("all.json")}).code, 0);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(testsupport::contentsOf(path("all.json")), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject entry = document.object().value("entries").toArray().at(0).toObject();
        QCOMPARE(entry.value("title").toString(), "ok");
        QCOMPARE(entry.value("body").toString(), QString::fromUtf8("a\xe4\xb8"
                                                                   "b"));
    }

    void importWritesDatesAsTheEditorDoes() {
        // A hand-made file: dates in other spellings, apostrophes; line breaks kept as the file has them.
        testsupport::writeFile(path("in.json"),
                               "{\"format\": \"qingjianlu-diary\", \"version\": 1, \"user\": \"x\", \"entries\": [\n"
                               "{\"id\": 7, \"title\": \"It\'s\", \"date\": \"2010-01-01\", \"weekday\": "
                               "\"Friday\", \"weather\": \"rain\'s\", \"body\": \"a\\nb\'\"},\n"
                               "{\"title\": \"t\", \"date\": \"2012年2月29日\", \"body\": \"c\\rd\"},\n"
                               "{\"id\": 1e3, \"title\": \"\\u4e2d\\ud840\\udc00\", \"date\": null, \"body\": "
                               "\"\\\"\\\\\\/\\b\\f\\t\\u0001\", \"extra\": {\"a\": [1, \"]\"]}}]}");
        QCOMPARE(runTool({"import", "--user", "王五", "--from", "json", path("in.json")}).code, 0);
        QCOMPARE(entriesOf("王五"), (QList<QStringList>{{"It’s", "2010/1/1", "星期五", "rain’s", "a\nb’"},
                                                        {"t", "2012/2/29", "星期三", "NULL", "c\rd"},
                                                        {"中𠀀", "NULL", "NULL", "NULL", "\"\\/\b\f\t\x01"}}));
    }

    void jsonFileIsCheckedWholeBeforeAnythingIsRead_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // a part of it; empty: the file is fine
        QTest::addColumn<int>("entries");
        const QByteArray head = "{\"format\": \"qingjianlu-diary\", \"version\": 1, \"user\": \"u\", \"entries\": ";
        QTest::newRow("keys in another order") << QByteArray("{\"entries\": [{\"title\": \"a\"}], \"user\": \"u\", "
                                                             "\"version\": 1, \"format\": \"qingjianlu-diary\"}")
                                               << "" << 1;
        QTest::newRow("brackets inside texts") << head + "[{\"title\": \"}]\\\"{[\"}, {\"body\": \"\\\\\"}]}"
                                               << "" << 2;
        QTest::newRow("no entries") << head + "[]}\n"
                                    << "" << 0;
        QTest::newRow("text after the end") << head + "[]} x"
                                            << "不是完整的 JSON 文件" << 0;
        QTest::newRow("cut inside a text") << head + "[{\"title\": \"ab"
                                           << "不是完整的 JSON 文件" << 0;
        QTest::newRow("empty file") << QByteArray() << "不是完整的 JSON 文件" << 0;
        QTest::newRow("another version") << QByteArray(head).replace("1,", "2,") + "[]}"
                                         << "不是青简录导出的" << 0;
        QTest::newRow("entries not a list") << head + "{}}"
                                            << "不是青简录导出的" << 0;
        QTest::newRow("unknown escape in a text") << head + "[{\"body\": \"\\q\"}]}"
                                                  << "第 1 篇日记的字段不是文字" << 1;
        QTest::newRow("line break unescaped in a text") << head + "[{\"body\": \"a\nb\"}]}"
                                                        << "第 1 篇日记的字段不是文字" << 1;
        QTest::newRow("bytes that are not UTF-8") << head + "[{\"body\": \"\xe4\xb8\"}]}"
                                                  << "第 1 篇日记的字段不是文字" << 1;
        QTest::newRow("an entry that is no object") << head + "[1]}"
                                                    << "第 1 篇日记的字段不是文字" << 1;
    }
    void jsonFileIsCheckedWholeBeforeAnythingIsRead() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(int, entries);
        json::Header header;
        const QString problem = json::check(bytes, &header);
        QVERIFY2(error.isEmpty() ? problem.isEmpty() : problem.contains(error), qPrintable(problem));
        QCOMPARE(header.entries, entries);
    }

    void redNotebookJournalComesInWithItsDates_data() {
        QTest::addColumn<QString>("style"); // how the month file is written, see below
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("text"); // as typed in RedNotebook
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("two paragraphs") << "block" << 8
                                        << "First line\n\nIt's \"quoted\" 中文: yes\n  indented # hash\n"
                                        << "First line"
                                        << "First line\r\n\r\nIt’s \"quoted\" 中文: yes\r\n  "
                                           "indented # hash\r\n";
        QTest::newRow("title after blank lines, cut at 30")
            << "block" << 9 << "  \n\n   开头空行之后的第一行有三十多个字：一二三四五六七八九十一二三四五六七八九十\nx"
            << "开头空行之后的第一行有三十多个字：一二三四五六七八九十一二三"
            << "  \r\n\r\n   开头空行之后的第一行有三十多个字：一二三四五六七八九十一二三四五六七八九十\r\nx";
        const QString longLine = QString("long words wrapped by the writer ").repeated(6);
        QTest::newRow("long line folded in the file") << "block" << 10 << longLine + "\n" + longLine
                                                      << longLine.left(30).trimmed() << longLine + "\r\n" + longLine;
        QTest::newRow("beyond the BMP, tab, trailing blanks") << "block" << 11 << "𝄞 tab\there, trailing   "
                                                              << "𝄞 tab\there, trailing"
                                                              << "𝄞 tab\there, trailing   ";
        QTest::newRow("looks like a list") << "block" << 12 << "- dash\n- list"
                                           << "- dash"
                                           << "- dash\r\n- list";
        QTest::newRow("looks like a number") << "block" << 13 << "123"
                                             << "123"
                                             << "123";
        QTest::newRow("backslash and CR LF") << "block" << 14 << "C:\\path\r\nwindows"
                                             << "C:\\path"
                                             << "C:\\path\r\nwindows";
        QTest::newRow("long line of one word, CJK") << "block" << 30 << QString("汉字").repeated(60)
                                                    << QString("汉字").repeated(15) << QString("汉字").repeated(60);
        // Older PyYAML wrote a day that holds only scalars in flow style, and YAML written by hand or other
        // tools may hold block scalars: each read as PyYAML reads it.
        QTest::newRow("flow day") << "flow" << 8 << "It's \"quoted\", {braces}: [x]\n\n  # not a comment"
                                  << "It’s \"quoted\", {braces}: [x]"
                                  << "It’s \"quoted\", {braces}: [x]\r\n\r\n  # not a comment";
        QTest::newRow("flow day, plain text folded over lines")
            << "flow" << 9 << longLine.trimmed() << longLine.left(30).trimmed() << longLine.trimmed();
        QTest::newRow("flow month with a category") << "flow document" << 10 << "a, b} c: d\nnext"
                                                    << "a, b} c: d"
                                                    << "a, b} c: d\r\nnext";
        QTest::newRow("literal, kept trailing breaks") << "|" << 11 << "a\nb\n\n"
                                                       << "a"
                                                       << "a\r\nb\r\n\r\n";
        QTest::newRow("literal, stripped, more indented") << "|" << 12 << "x\n  y\nz"
                                                          << "x"
                                                          << "x\r\n  y\r\nz";
        QTest::newRow("literal, indentation indicator") << "|" << 13 << "  leading blanks\nsecond\n"
                                                        << "leading blanks"
                                                        << "  leading blanks\r\nsecond\r\n";
        QTest::newRow("folded, breaks and more indented") << ">" << 14 << "a long line\nnext\n\nthird\n  more\nback"
                                                          << "a long line"
                                                          << "a long line\r\nnext\r\n\r\nthird\r\n  more\r\nback";
        QTest::newRow("folded, long line wrapped")
            << ">" << 15 << longLine + "\n" + longLine << longLine.left(30).trimmed() << longLine + "\r\n" + longLine;
    }
    void redNotebookJournalComesInWithItsDates() {
        QFETCH(QString, style);
        QFETCH(int, day);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, body);
        // The journal written by RedNotebook's own storage code, with a day that carries a category besides
        // ("block", as it writes today); "flow" and "flow document": the same code with PyYAML's flow style
        // for leaf collections or for all (no category on the day for "flow"); "|" and ">": every text with a
        // line break as a literal or folded block scalar.
        const QString script = QStringLiteral(
            "import sys, json, functools\nsys.path.insert(0, sys.argv[1])\nfrom rednotebook import storage\n"
            "from rednotebook.data import Month\nm = Month(2009, 9)\nd = json.loads(sys.stdin.read())\n"
            "m.get_day(d['day']).content = {'text': d['text']}\n"
            "if d['style'] != 'flow': m.get_day(d['day']).content['Work'] = {'Meeting': None}\n"
            "m.get_day(1).content = {'text': '', 'Work': {'Only a tag': None}}\n"
            "flow = {'flow': None, 'flow document': True}.get(d['style'], False)\n"
            "storage.yaml.dump = functools.partial(storage.yaml.dump, default_flow_style=flow)\n"
            "if d['style'] in ('|', '>'): storage.Dumper.add_representer(str, lambda dumper, s: "
            "dumper.represent_scalar('tag:yaml.org,2002:str', s, style=d['style'] if '\\n' in s else None))\n"
            "m.edited = True\nstorage.save_months_to_disk({(2009, 9): m}, sys.argv[2], exit_imminent=True)\n");
        QDir().mkpath(path("journal"));
        QProcess python;
        python.start("python3", {"-c", script, QJL_REDNOTEBOOK_DIR, path("journal")});
        if (!python.waitForStarted())
            QSKIP("python3 is not installed");
        python.write(QJsonDocument(QJsonObject{{"style", style}, {"day", day}, {"text", text}}).toJson());
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(60000));
        if (python.exitCode() != 0 && python.readAllStandardError().contains("No module named"))
            QSKIP("RedNotebook or PyYAML is not installed");
        QCOMPARE(python.exitCode(), 0);

        Ran ran = runTool({"import", "--user", "王五", "--from", "rednotebook", path("journal")});
        QCOMPARE(ran.code, 0);
        const QDate date(2009, 9, day);
        const QStringList expected{title, date.toString("yyyy/M/d"),
                                   QLocale(QLocale::Chinese).dayName(date.dayOfWeek()), "", body};
        QCOMPARE(entriesOf("王五"), QList<QStringList>{expected});
        ran = runTool({"import", "--user", "王五", "--from", "rednotebook", path("journal")});
        QCOMPARE(ran.out.last(), "已导入 0 篇，跳过已有的 1 篇。Added 0 entries, skipped 1 already there.");
    }

    void refusalsWriteNothing_data() {
        QTest::addColumn<QStringList>("arguments"); // paths relative to the test's folder
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString right = "口令";
        const QStringList exportAs{"export", "--user", "张三", "--format"};
        QTest::newRow("wrong password") << exportAs + QStringList{"json", "--output", "out.json"} << "口令 " << 3
                                        << "口令不对哦！Wrong password.";
        QTest::newRow("unknown account") << QStringList{"stats", "--user", "赵六"} << right << 3
                                         << "查无此人哦。No such account.";
        QTest::newRow("empty password") << QStringList{"stats", "--user", "张三"} << "" << 3 << "口令不对哦！";
        QTest::newRow("existing output") << exportAs + QStringList{"json", "--output", "exists.json"} << right << 1
                                         << "已经存在";
        QTest::newRow("existing output folder")
            << exportAs + QStringList{"md", "--output", "journal"} << right << 1 << "已经存在";
        QTest::newRow("folder that is not there")
            << exportAs + QStringList{"json", "--output", "nowhere/out.json"} << right << 1 << "无法写入";
        QTest::newRow("import, wrong password")
            << QStringList{"import", "--user", "张三", "--from", "json", "cut.json"} << "x" << 3 << "口令不对哦！";
        QTest::newRow("damaged json") << QStringList{"import", "--user", "张三", "--from", "json", "cut.json"} << right
                                      << 1 << "不是完整的 JSON 文件";
        QTest::newRow("json of another program")
            << QStringList{"import", "--user", "张三", "--from", "json", "exists.json"} << right << 1
            << "不是青简录导出的 JSON 日记文件";
        QTest::newRow("json entry with a number for a text")
            << QStringList{"import", "--user", "张三", "--from", "json", "number.json"} << right << 1
            << "第 2 篇日记的字段不是文字";
        QTest::newRow("damaged RedNotebook month")
            << QStringList{"import", "--user", "张三", "--from", "rednotebook", "journal"} << right << 1
            << "2009-09.txt”已损坏，第 4 行";
        QTest::newRow("RedNotebook day as a list")
            << QStringList{"import", "--user", "张三", "--from", "rednotebook", "list"} << right << 1
            << "2009-09.txt”已损坏，第 2 行";
        QTest::newRow("RedNotebook text as an alias")
            << QStringList{"import", "--user", "张三", "--from", "rednotebook", "alias"} << right << 1
            << "2009-09.txt”已损坏，第 3 行";
        QTest::newRow("RedNotebook block scalar less indented below")
            << QStringList{"import", "--user", "张三", "--from", "rednotebook", "dedented"} << right << 1
            << "2009-09.txt”已损坏，第 2 行";
        QTest::newRow("folder without month files")
            << QStringList{"import", "--user", "张三", "--from", "rednotebook", "nothing"} << right << 1
            << "没有 RedNotebook 的月份文件";
        QTest::newRow("unknown format") << exportAs + QStringList{"pdf", "--output", "x"} << right << 2 << "usage:";
        QTest::newRow("no account named") << QStringList{"stats"} << right << 2 << "usage:";
        QTest::newRow("unknown option") << QStringList{"stats", "--user", "张三", "--verbose"} << right << 2
                                        << "usage:";
        QTest::newRow("no database") << QStringList{"stats", "--user", "张三", "--database", "none.mdb"} << right << 1
                                     << "找不到日记数据库";
    }
    void refusalsWriteNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(int, code);
        QFETCH(QString, message);
        m_diary->addEntry("张三", "t", "2009/9/8", "星期二", "", "b");
        testsupport::writeFile(path("exists.json"), "{\"a\": 1}");
        testsupport::writeFile(path("number.json"), R"({"format": "qingjianlu-diary", "version": 1, "entries": [
{"title": "fine"}, {"title": 5}]})");
        QVERIFY(runTool({"export", "--user", "张三", "--format", "json", "--output", path("whole.json")}).code == 0);
        testsupport::writeFile(path("cut.json"), testsupport::contentsOf(path("whole.json")).chopped(5));
        QVERIFY(QFile::remove(path("whole.json")));
        QDir().mkpath(path("journal"));
        QDir().mkpath(path("nothing"));
        testsupport::writeFile(path("journal/2009-09.txt"), "8:\n  text: fine\n9:\n  text: \"not ended\n");
        for (const auto& [folder, month] : {std::pair{"list", "8: {text: fine}\n9: [a, b]\n"},
                                            std::pair{"alias", "8:\n  Work: &x {a: b}\n  text: *x\n"},
                                            std::pair{"dedented", "8:\n  text: |\n     five\n    four\n"}}) {
            QDir().mkpath(path(folder));
            testsupport::writeFile(path(folder) + "/2009-09.txt", month);
        }
        const QString before = QDir::currentPath();
        QDir::setCurrent(m_diary->folder());
        const QStringList state = folderState(m_diary->folder());
        const QByteArray database = testsupport::contentsOf(m_diary->databasePath());

        const Ran ran = runTool(arguments, password);
        QDir::setCurrent(before);
        QCOMPARE(ran.code, code);
        QVERIFY2(ran.err.join('\n').contains(message), qPrintable(ran.err.join('\n')));
        QVERIFY(ran.out.isEmpty());
        QCOMPARE(folderState(m_diary->folder()), state);
        QCOMPARE(testsupport::contentsOf(m_diary->databasePath()), database);
    }

    void yearlyFilesInDateOrder_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("in2009"); // what 2009's file holds, in this order
        QTest::newRow("md") << "md" << QStringList{"2009.md", "2010.md", "undated.md"}
                            << "# 张三 · 2009\n\n## 2009/9/8 星期二\n\n### <b>早</b>\n\n天气：晴朗\n\nA\nB\n\n"
                               "### 晚\n\n天气：\n\nC\n\n## 2009/12/31 星期四\n\n### 年末\n\n天气：雪\n\nD\n";
        QTest::newRow("txt") << "txt" << QStringList{"2009.txt", "2010.txt", "undated.txt"}
                             << "标题：<b>早</b>\r\n日期：2009/9/8 星期二\r\n天气：晴朗\r\n内容：A\r\nB\r\n\r\n"
                                "标题：晚\r\n日期：2009/9/8 星期二\r\n天气：\r\n内容：C\r\n\r\n"
                                "标题：年末\r\n日期：2009/12/31 星期四\r\n天气：雪\r\n内容：D\r\n";
        QTest::newRow("html") << "html" << QStringList{"2009.html", "2010.html", "undated.html"}
                              << "<h2>2009/9/8 星期二</h2>\n<article><h3>&lt;b&gt;早&lt;/b&gt;</h3><p class=\"meta\">"
                                 "天气：晴朗</p><div class=\"body\">A\nB</div></article>\n";
    }
    void yearlyFilesInDateOrder() {
        QFETCH(QString, format);
        QFETCH(QStringList, files);
        QFETCH(QString, in2009);
        // Written out of date order; two on one day keep the order they were written in.
        m_diary->addEntry("张三", "新年", "2010/1/1", "星期五", "", "E");
        m_diary->addEntry("张三", "年末", "2009/12/31", "星期四", "雪", "D");
        m_diary->addEntry("张三", "<b>早</b>", "2009/9/8", "星期二", "晴朗", "A\r\nB");
        m_diary->addEntry("张三", "晚", "2009/9/8", "星期二", "", "C");
        m_diary->addEntry("张三", "某日", "某日", "", "", "F");
        QDir().mkpath(path("books"));
        const QStringList arguments{"export", "--user", "张三", "--format", format, "--output", path("books")};
        QCOMPARE(runTool(arguments).code, 1);
        QCOMPARE(runTool(arguments + QStringList{"--force"}).code, 0);
        QCOMPARE(QDir(path("books")).entryList(QDir::Files), files);
        const QString year = QString::fromUtf8(testsupport::contentsOf(path("books/") + files[0]));
        QVERIFY2(year.contains(in2009), qPrintable(year));
        if (format == "html")
            QVERIFY(year.startsWith("<!DOCTYPE html>") && year.contains("@media print"));
        // Only the temporary folder's leftovers would show here.
        QCOMPARE(QDir(m_diary->folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"books", "data.mdb"}));
    }

    void statsCountsDaysRunsAndCharacters() {
        m_diary->addEntry("张三", "一", "2009/9/8", "星期二", "", "今天 下雨\r\nok");
        m_diary->addEntry("张三", "二", "2009/9/8", "星期二", "", "𠀀");
        m_diary->addEntry("张三", "三", "2009/9/9", "星期三", "", "");
        m_diary->addEntry("张三", "四", "2009/9/10", "星期四", "", "");
        m_diary->addEntry("张三", "五", "2010/1/1", "星期五", "", "");
        m_diary->addEntry("张三", "六", "2010/1/2", "星期六", "", "");
        m_diary->addEntry("张三", "七", "某日", "", "", "");
        const Ran ran = runTool({"stats", "--user", "张三"});
        QCOMPARE(ran.code, 0);
        QCOMPARE(ran.out,
                 (QStringList{"日记篇数 entries: 7", "写日记的天数 days written: 6", "第一天 first date: 2009-09-08",
                              "最后一天 last date: 2010-01-02", "2009 年篇数 entries in 2009: 4",
                              "2010 年篇数 entries in 2010: 2", "日期不明的篇数 entries without a readable date: 1",
                              "字数 characters written: 14", "最长连续天数 longest run of consecutive days: 3"}));
    }
};

QTEST_GUILESS_MAIN(TestDataTool)
#include "tst_datatool.moc"
