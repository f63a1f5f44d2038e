// The editor: what a save stores and refuses, the change and import modes it is opened in, every way out of
// it, and saves that fail with everything typed kept.

#include "support/Windows.h"

#include "platform/DateLocale.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace {
const QString kUser = QStringLiteral("张三");
const QString kAskSave = QStringLiteral("确定保存吗？");
using Mode = Form_Write::Mode;
const char* const kModeNames[] = {"new", "import", "change"}; // for the row names, by Mode
// What keeps a save from being stored.
enum class Fault { NoTitle, NoBody, NoTitleNorBody, AnsweredNo, TableGone, FileGone, EntryDeleted };
} // namespace

Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(Fault)

class TestFormWrite : public QObject, WindowFixture {
    Q_OBJECT
private:
    // The stored records: user, title, date, week, weather, text (the id left off).
    QList<QStringList> stored() {
        QList<QStringList> rows = storedRows(*m_diary->open(), QStringLiteral("diary"));
        for (QStringList& row : rows)
            row.removeFirst();
        return rows;
    }
    // An entry of kUser to change, handed to the editor as the main window does.
    void handOverEntry(const QString& body = QStringLiteral("正文")) {
        EditCondition = sql::entryKey(m_diary->addEntry(kUser, "标题", "1999-12-31", "星期五", "冰雹", body));
    }
    static void fill(Form_Write* editor, const QString& title, const QString& weather, const QString& body) {
        editor->Text_DiaryTitle->setText(title);
        editor->Combo_DiaryWeather->setEditText(weather);
        editor->RichTextBox_DiaryText->setPlainText(body);
    }
    static QStringList shownIn(const Form_Write* editor) {
        return {editor->Text_DiaryTitle->text(), editor->Text_DiaryDate->text(), editor->Label_DiaryWeek->text(),
                editor->Combo_DiaryWeather->currentText(), editor->RichTextBox_DiaryText->storedText()};
    }
    // What a new entry opens with: today's date and weekday, the first weather, nothing typed.
    static QStringList blank() {
        return {"", platform::DateLocale::shortDate(QDate(2009, 9, 8)), "星期二", "晴朗", ""};
    }
    // The editor has gone and handed the user back to the main window with both hand-over texts empty.
    static bool handedBack() {
        return windowsOnShow() == QStringList{"Form_View"} && ImportFilePath.isEmpty() && EditCondition.isEmpty();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(kUser); }
    void cleanup() { dropDiary(); }

    void newEntryIsInsertedAsTypedAfterTheQuestion() {
        Form_Write* editor = forms().show<Form_Write>();
        QCOMPARE(shownIn(editor), blank());
        fill(editor, QStringLiteral("  "), QStringLiteral("雾霾"), QStringLiteral("第一行\n第二行"));
        // Enter and Shift+Enter typed at the end.
        editor->RichTextBox_DiaryText->moveCursor(QTextCursor::End);
        QTest::keyClick(editor->RichTextBox_DiaryText, Qt::Key_Return);
        QTest::keyClicks(editor->RichTextBox_DiaryText, QStringLiteral("c"));
        QTest::keyClick(editor->RichTextBox_DiaryText, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(editor->RichTextBox_DiaryText, QStringLiteral("d"));
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskSave});
        const MessageBox::Request question = MessageBox::shown().front();
        QVERIFY(question.title == "青简录" && question.buttons == MessageBox::Buttons::YesNo &&
                question.defaultAnswer == MessageBox::Answer::Yes && handedBack());
        // Blanks count as a title; a weather not in the list is kept; every line break is CR LF.
        QCOMPARE(stored(),
                 (QList<QStringList>{{kUser, "  ", blank()[1], "星期二", "雾霾", "第一行\r\n第二行\r\nc\r\nd"}}));
    }

    // Change mode shows the stored entry and saves it exactly; Clear then empties it but stays a change.
    void changeModeSavesTheStoredEntryExactlyAndClearStaysAChange() {
        // Empty lines, lone LFs (one at each end), a no-break space and a tab.
        const QString body = QStringLiteral("\n一\r\n\r\n二\n仍是二\u00a0\t尾\r\n\n");
        m_diary->addEntry(kUser, "别的", "2001/1/1", "星期一", "晴朗", "别");
        handOverEntry(body);
        const QString changed = EditCondition;
        Form_Write* editor = forms().show<Form_Write>();
        QCOMPARE(editor->mode(), Form_Write::Mode::Change);
        QCOMPARE(shownIn(editor), (QStringList{"标题", "1999-12-31", "星期五", "冰雹", body}));
        editor->Command_Insert->click();
        QVERIFY(handedBack());
        QCOMPARE(stored()[1], (QStringList{kUser, "标题", "1999-12-31", "星期五", "冰雹", body}));
        QCOMPARE(stored()[0][1], QStringLiteral("别的"));

        EditCondition = changed;
        editor = forms().show<Form_Write>();
        editor->Combo_DiaryWeather->setEditText(QStringLiteral("自己写的"));
        editor->Command_Reset->click();
        QCOMPARE(shownIn(editor), (QStringList{"", "1999-12-31", "星期五", "晴朗", ""}));
        fill(editor, QStringLiteral("新标题"), QStringLiteral("晴朗"), QStringLiteral("新正文"));
        editor->Command_Insert->click();
        QCOMPARE(stored().mid(1), (QList<QStringList>{{kUser, "新标题", "1999-12-31", "星期五", "晴朗", "新正文"}}));
    }

    void everyWayOutEmptiesTheHandOverAndShowsTheMainWindow_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<bool>("closeBox"); // else 退出
        for (const Mode mode : {Mode::New, Mode::Import, Mode::Change})
            for (const bool closeBox : {true, false})
                QTest::addRow("%s, %s", kModeNames[int(mode)], closeBox ? "close box" : "退出") << mode << closeBox;
    }
    void everyWayOutEmptiesTheHandOverAndShowsTheMainWindow() {
        QFETCH(Mode, mode);
        QFETCH(bool, closeBox);
        handOverEntry();
        if (mode != Mode::Change)
            EditCondition.clear();
        if (mode == Mode::Import)
            ImportFilePath = writeFile(m_diary->filePath("in.txt"), "imported");
        Form_Write* editor = forms().show<Form_Write>();
        editor->Text_DiaryTitle->setText(QStringLiteral("typed"));
        QVERIFY(closeBox ? editor->close() : (editor->Command_Cancel->click(), true));
        QVERIFY(MessageBox::shownTexts().isEmpty() && handedBack());
        QCOMPARE(stored(), (QList<QStringList>{{kUser, "标题", "1999-12-31", "星期五", "冰雹", "正文"}}));
    }

    void importedFileBecomesTheBodyOfANewEntryEvenWhenAChangeWasHandedOver() {
        handOverEntry();
        ImportFilePath = writeFile(m_diary->filePath("in.txt"), "\r\n\xC4\xE3\xBA\xC3\r\nb\r\n");
        Form_Write* editor = forms().show<Form_Write>();
        QCOMPARE(editor->mode(), Form_Write::Mode::Import);
        QCOMPARE(shownIn(editor), (QStringList{"", blank()[1], "星期二", "晴朗", "你好\r\nb"}));
        editor->Text_DiaryTitle->setText(QStringLiteral("导入的"));
        editor->Command_Insert->click();
        QVERIFY(handedBack());
        QCOMPARE(stored().mid(1), (QList<QStringList>{{kUser, "导入的", blank()[1], "星期二", "晴朗", "你好\r\nb"}}));
    }

    void unusableHandOverOpensABlankNewEntry_data() {
        QTest::addColumn<QString>("file"); // to import, in the diary's folder; empty: the entry with id 4711 to change
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QString newEntry = QStringLiteral("，将作为新日记打开。");
        QTest::newRow("entry gone") << "" << QByteArray() << "这篇日记已经不在了" + newEntry;
        QTest::newRow("missing file") << "nowhere.txt" << QByteArray() << "这个文本文件打不开" + newEntry;
        QTest::newRow("NUL bytes") << "x.txt" << QByteArray("MZ\x90\x00\x03\x00", 6)
                                   << "这个文件不是文本文件" + newEntry;
        QTest::newRow("over 16 MiB") << "x.txt" << QByteArray(16 * 1024 * 1024 + 1, 'a')
                                     << "这个文件太大了（超过 16 MB）" + newEntry;
    }
    void unusableHandOverOpensABlankNewEntry() {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        if (file.isEmpty())
            EditCondition = QStringLiteral("id = 4711");
        else
            ImportFilePath = m_diary->filePath(file);
        if (!bytes.isEmpty())
            writeFile(ImportFilePath, bytes);
        Form_Write* editor = forms().show<Form_Write>();
        QCOMPARE(MessageBox::shownTexts(), QStringList{message});
        QCOMPARE(editor->mode(), Form_Write::Mode::New);
        QCOMPARE(shownIn(editor), blank());
    }

    // A save refused, declined or failed: the boxes say so, and the editor stays as it was, with everything
    // typed and what it was opened for; no half state is stored.
    void unsavedEntryKeepsTheEditorAndEverythingTyped_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("shown"); // a pattern of the boxes, one a line
        const QString failed = kAskSave + QStringLiteral("\n日记没能保存（错误 3\\d{3}：.+）。写好的内容都还在。");
        using enum Fault;
        QTest::newRow("no title") << Mode::New << NoTitle << "标题忘写了！";
        QTest::newRow("no body") << Mode::New << NoBody << "正文还没开动的。";
        QTest::newRow("neither: the title first") << Mode::Change << NoTitleNorBody << "标题忘写了！";
        QTest::newRow("answered No") << Mode::Change << AnsweredNo << kAskSave;
        for (const Mode mode : {Mode::New, Mode::Change})
            for (const Fault fault : {TableGone, FileGone})
                QTest::addRow("%s, %s gone", kModeNames[int(mode)], fault == TableGone ? "table" : "file")
                    << mode << fault << failed;
        QTest::newRow("change, entry deleted meanwhile")
            << Mode::Change << EntryDeleted << kAskSave + "\n这篇日记已经不在了，修改没有保存。写好的内容都还在。";
    }
    void unsavedEntryKeepsTheEditorAndEverythingTyped() {
        QFETCH(Mode, mode);
        QFETCH(Fault, fault);
        QFETCH(QString, shown);
        using enum Fault;
        if (mode == Mode::Change)
            handOverEntry();
        const QString condition = EditCondition;
        Form_Write* editor = forms().show<Form_Write>();
        const bool noTitle = fault == NoTitle || fault == NoTitleNorBody,
                   noBody = fault == NoBody || fault == NoTitleNorBody;
        fill(editor, noTitle ? "" : "我的标题", "多云", noBody ? "" : "写了\n很多");
        const QStringList typed = shownIn(editor);
        if (fault == AnsweredNo)
            MessageBox::setNextAnswer(MessageBox::Answer::No);
        if (fault == TableGone)
            QCOMPARE(rawSql(m_diary->databasePath(), "DROP TABLE diary"), QStringList());
        else if (fault == FileGone)
            QVERIFY(QFile::remove(m_diary->databasePath()));
        else if (fault == EntryDeleted)
            m_diary->open()->Execute(sql::deleteDiaryWhere(condition));
        const QList<QStringList> before = fault == TableGone || fault == FileGone ? QList<QStringList>() : stored();
        editor->Command_Insert->click();
        const QString texts = MessageBox::shownTexts().join('\n');
        QVERIFY2(QRegularExpression('^' + shown + '$').match(texts).hasMatch(), qPrintable(texts));
        QCOMPARE(windowsOnShow() + shownIn(editor), QStringList{"Form_Write"} + typed);
        QCOMPARE(editor->mode(), mode);
        QCOMPARE(EditCondition, condition);
        if (!before.isEmpty())
            QCOMPARE(stored(), before);
    }

    // data.mdb replaced under the open editor (a restore, a sync tool): the save goes to the file now in place,
    // once; a change goes there only while that file still holds the entry as the user's.
    void saveFindingTheFileReplacedStoresInTheFileInPlace_data() {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("ownerThere"); // the changed entry's owner in the file put in place
        QTest::addColumn<bool>("saved");
        QTest::newRow("new entry") << false << kUser << true;
        QTest::newRow("change") << true << kUser << true;
        QTest::newRow("change, the entry is another account's there") << true << "李四" << false;
    }
    void saveFindingTheFileReplacedStoresInTheFileInPlace() {
        QFETCH(bool, change);
        QFETCH(QString, ownerThere);
        QFETCH(bool, saved);
        handOverEntry();
        if (!change)
            EditCondition.clear();
        Form_Write* editor = forms().show<Form_Write>();
        fill(editor, "我的标题", "多云", "写了很多");
        const QStringList typed = shownIn(editor);
        // The file put in place: a copy with one more entry and the changed entry's owner as given.
        const QString replacement = m_diary->filePath("replacement.mdb");
        QVERIFY(QFile::copy(m_diary->databasePath(), replacement));
        QCOMPARE(rawSql(replacement, "INSERT INTO diary(username, diarytitle) VALUES('李四', '那边的');"
                                     "UPDATE diary SET username = '" +
                                         ownerThere + "' WHERE id = 1"),
                 QStringList());
        QCOMPARE(std::rename(QFile::encodeName(replacement).constData(),
                             QFile::encodeName(m_diary->databasePath()).constData()),
                 0);
        const QList<QStringList> there = stored();

        editor->Command_Insert->click();
        const QStringList entry{kUser, "我的标题", typed[1], typed[2], "多云", "写了很多"};
        if (saved) {
            QVERIFY(handedBack());
            const QList<QStringList> expected =
                change ? QList<QStringList>{entry, there[1]} : there + QList<QStringList>{entry};
            QCOMPARE(stored(), expected);
        } else {
            QCOMPARE(MessageBox::shownTexts(),
                     QStringList({kAskSave, "这篇日记已经不在了，修改没有保存。写好的内容都还在。"}));
            QCOMPARE(windowsOnShow() + shownIn(editor), QStringList{"Form_Write"} + typed);
            QCOMPARE(stored(), there);
        }
    }
};

QTEST_MAIN(TestFormWrite)
#include "tst_formwrite.moc"
