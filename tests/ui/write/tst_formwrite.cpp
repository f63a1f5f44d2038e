#include "support/TestSupport.h"

#include "app/EntryTextFile.h"
#include "app/Globals.h"
#include "db/Connection.h"
#include "db/Dao.h"
#include "db/DaoInternal.h"
#include "platform/Browser.h"
#include "platform/DateLocale.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QFile>
#include <QTest>

using platform::forms;
using platform::MessageBox;

namespace {
const QString kUser = QStringLiteral("张三");
const QString kAskSave = QStringLiteral("确定保存吗？");
const QString kNoTitle = QStringLiteral("标题忘写了！");
const QString kNoBody = QStringLiteral("正文还没开动的。");
const QString kEntryGone = QStringLiteral("这篇日记已经不在了，将作为新日记打开。");

struct Entry {
    QString user, title, date, week, weather, text;
};
} // namespace

class TestFormWrite : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

    Form_Write* openEditor() { return forms().show<Form_Write>(); }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_diary->folder() + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    Entry stored(qint64 id) {
        auto rs = m_diary->open()->OpenRecordset(QStringLiteral("Select * from diary where id = %1").arg(id));
        if (rs->RecordCount() == 0)
            return {};
        auto field = [&](const char* name) { return dao::fieldText(rs->Fields(QLatin1String(name))); };
        return {field("username"),  field("diarytitle"),   field("diarydate"),
                field("diaryweek"), field("diaryweather"), field("diarytext")};
    }
    QList<qint64> storedIds() {
        auto rs = m_diary->open()->OpenRecordset(QStringLiteral("Select id from diary"));
        QList<qint64> ids;
        while (!rs->EOF()) {
            ids.append(rs->Fields(0).toLongLong());
            rs->MoveNext();
        }
        return ids;
    }
    // The one entry a save added.
    Entry onlyEntry() {
        const QList<qint64> ids = storedIds();
        if (ids.size() != 1)
            qWarning("expected one entry, found %d", int(ids.size()));
        return ids.isEmpty() ? Entry{} : stored(ids.front());
    }

    void fill(Form_Write* editor, const QString& title, const QString& weather, const QString& body) {
        editor->Text_DiaryTitle->setText(title);
        editor->Combo_DiaryWeather->setEditText(weather);
        editor->RichTextBox_DiaryText->setPlainText(body);
    }

    // The editor has gone and handed the user back to the main window with both hand-over texts empty.
    void verifyBackInMainWindow() {
        QVERIFY(!forms().isLoaded<Form_Write>());
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(forms().loaded<Form_View>()->isVisible());
        QVERIFY(ImportFilePath.isEmpty());
        QVERIFY(EditCondition.isEmpty());
    }
    void verifyEmptyNewEntry(Form_Write* editor) {
        QCOMPARE(editor->mode(), Form_Write::Mode::New);
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QString());
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("晴朗"));
        QCOMPARE(editor->Text_DiaryDate->text(), platform::DateLocale::shortDate(QDate(2009, 9, 8)));
        QCOMPARE(editor->Label_DiaryWeek->text(), QStringLiteral("星期二"));
    }

private slots:
    void initTestCase() { testsupport::enterTestMode(); }
    void init() {
        testsupport::resetProgramState();
        platform::Browser::clearNavigations();
        m_diary = std::make_unique<testsupport::TempDiary>();
        DiaryDb = m_diary->open();
        CurrentUser = kUser;
    }
    void cleanup() {
        forms().resetForTests();
        app::resetGlobals();
        m_diary.reset();
    }

    void newEntryWindowIsLaidOutAsDesigned() {
        Form_Write* editor = openEditor();
        QCOMPARE(editor->windowTitle(), QStringLiteral("青简录 - 填写日记"));
        const QSize client(platform::Twips::toPixels(9255, editor), platform::Twips::toPixels(6735, editor));
        QCOMPARE(editor->size(), client);
        QCOMPARE(editor->minimumSize(), client);
        QCOMPARE(editor->maximumSize(), client);
        QVERIFY(!(editor->windowFlags() & Qt::WindowMaximizeButtonHint));

        // The banner page is the first thing the load asks for.
        QCOMPARE(platform::Browser::navigations(), QStringList{update::bannerAddress(update::BannerPage::Editor)});
        QVERIFY(editor->WebBrowser_Ad);
        QCOMPARE(editor->WebBrowser_Ad->objectName(), QStringLiteral("WebBrowser_Ad"));

        QStringList weather;
        for (int i = 0; i < editor->Combo_DiaryWeather->count(); ++i)
            weather << editor->Combo_DiaryWeather->itemText(i);
        QCOMPARE(weather, (QStringList{"晴朗", "多云", "阴雨", "大雨", "小雨", "阵雨", "大雪", "小雪", "冰雹"}));
        QVERIFY(editor->Combo_DiaryWeather->isEditable());
        verifyEmptyNewEntry(editor);
        QVERIFY(!editor->Text_DiaryDate->isEnabled());
        QCOMPARE(editor->RichTextBox_DiaryText->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        for (QPushButton* button : {editor->Command_Insert, editor->Command_Reset, editor->Command_Cancel}) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
        }
        QVERIFY(!editor->defaultButton());
        QCOMPARE(editor->Command_Insert->text(), QStringLiteral("保存"));
        QCOMPARE(editor->Command_Reset->text(), QStringLiteral("清除"));
        QCOMPARE(editor->Command_Cancel->text(), QStringLiteral("退出"));
    }

    void controlsSitWhereDesigned_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips"); // an empty size: a label sized to its caption
        QTest::addColumn<QString>("caption");
        QTest::newRow("banner") << "WebBrowser_Ad" << QRect(0, 0, 9255, 975) << "";
        QTest::newRow("title label") << "Label_DiaryTitle" << QRect(120, 1120, 0, 0) << "标题：";
        QTest::newRow("title") << "Text_DiaryTitle" << QRect(720, 1080, 5415, 270) << "";
        QTest::newRow("weather label") << "Label_DiaryWeather" << QRect(6240, 1125, 0, 0) << "天气：";
        QTest::newRow("weather") << "Combo_DiaryWeather" << QRect(6840, 1080, 2295, 300) << "";
        QTest::newRow("body label") << "Label_DiaryText" << QRect(120, 1605, 0, 0) << "日记正文：";
        QTest::newRow("date label") << "Label_DiaryDate" << QRect(6240, 1605, 0, 0) << "日期：";
        QTest::newRow("date") << "Text_DiaryDate" << QRect(6840, 1560, 1695, 270) << "";
        QTest::newRow("weekday") << "Label_DiaryWeek" << QRect(8640, 1605, 0, 0) << "星期二";
        QTest::newRow("body") << "RichTextBox_DiaryText" << QRect(120, 1920, 9015, 4095) << "";
        QTest::newRow("save") << "Command_Insert" << QRect(600, 6120, 1815, 495) << "";
        QTest::newRow("clear") << "Command_Reset" << QRect(3720, 6120, 1935, 495) << "";
        QTest::newRow("close") << "Command_Cancel" << QRect(6720, 6120, 1935, 495) << "";
    }
    void controlsSitWhereDesigned() {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        Form_Write* editor = openEditor();
        auto* control = editor->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), editor);
        const QRect expected = platform::Twips::rect(twips.x(), twips.y(), twips.width(), twips.height(), editor);
        QCOMPARE(control->pos(), expected.topLeft());
        if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), caption);
            // Sized to its caption: nothing is clipped.
            QCOMPARE(label->size(), label->sizeHint());
            QVERIFY(editor->rect().contains(label->geometry()));
        } else {
            QCOMPARE(control->size(), expected.size());
        }
    }

    void keyboardFocusFollowsTheDesignedOrder() {
        Form_Write* editor = openEditor();
        const QStringList order{"Text_DiaryTitle", "Combo_DiaryWeather",    "Command_Insert", "Command_Reset",
                                "Command_Cancel",  "RichTextBox_DiaryText", "WebBrowser_Ad"};
        QStringList seen;
        QWidget* widget = editor->Text_DiaryTitle;
        for (int steps = 0; steps < 200 && seen.size() < order.size(); ++steps) {
            if (order.contains(widget->objectName()) && !seen.contains(widget->objectName()))
                seen << widget->objectName();
            widget = widget->nextInFocusChain();
        }
        QCOMPARE(seen, order);
        QCOMPARE(editor->Text_DiaryDate->focusPolicy(), Qt::NoFocus);
        QCOMPARE(editor->focusWidget(), editor->Text_DiaryTitle);
    }

    void newEntryIsInsertedAndTheMainWindowReturns() {
        Form_Write* editor = openEditor();
        fill(editor, QStringLiteral("  "), QStringLiteral("雾霾"), QStringLiteral("第一行\n第二行"));
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskSave});
        const MessageBox::Request question = MessageBox::shown().front();
        QCOMPARE(question.title, QStringLiteral("青简录"));
        QCOMPARE(question.buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(question.defaultAnswer, MessageBox::Answer::Yes);

        verifyBackInMainWindow();
        const Entry entry = onlyEntry();
        QCOMPARE(entry.user, kUser);
        QCOMPARE(entry.title, QStringLiteral("  ")); // blanks count as a title
        QCOMPARE(entry.date, platform::DateLocale::shortDate(QDate(2009, 9, 8)));
        QCOMPARE(entry.week, QStringLiteral("星期二"));
        QCOMPARE(entry.weather, QStringLiteral("雾霾")); // typed, not from the list
        QCOMPARE(entry.text, QStringLiteral("第一行\r\n第二行"));
    }

    void emptyWeatherIsSavedAsEmptyText() {
        Form_Write* editor = openEditor();
        fill(editor, QStringLiteral("t"), QString(), QStringLiteral("b"));
        editor->Command_Insert->click();
        QCOMPARE(onlyEntry().weather, QString());
    }

    void missingTitleOrBodyIsRefusedInOrder_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("no title") << ""
                                  << "body" << kNoTitle;
        QTest::newRow("no body") << "title"
                                 << "" << kNoBody;
        QTest::newRow("neither: title first") << ""
                                              << "" << kNoTitle;
    }
    void missingTitleOrBodyIsRefusedInOrder() {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, message);
        Form_Write* editor = openEditor();
        fill(editor, title, QStringLiteral("多云"), body);
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{message});
        QCOMPARE(MessageBox::shown().front().title, QStringLiteral("青简录"));
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->Text_DiaryTitle->text(), title);
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("多云"));
        QCOMPARE(editor->RichTextBox_DiaryText->toPlainText(), body);
        QVERIFY(storedIds().isEmpty());
    }

    void answeringNoLeavesEverything() {
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("旧"), QStringLiteral("2001/1/1"),
                                            QStringLiteral("星期一"), QStringLiteral("阴雨"), QStringLiteral("旧文"));
        EditCondition = QStringLiteral("id = %1").arg(id);
        Form_Write* editor = openEditor();
        fill(editor, QStringLiteral("新"), QStringLiteral("大雪"), QStringLiteral("新文"));
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskSave});
        QVERIFY(forms().isLoaded<Form_Write>() && editor->isVisible());
        QVERIFY(!forms().isLoaded<Form_View>());
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("新"));
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("大雪"));
        QCOMPARE(editor->RichTextBox_DiaryText->toPlainText(), QStringLiteral("新文"));
        QCOMPARE(EditCondition, QStringLiteral("id = %1").arg(id));
        QCOMPARE(stored(id).title, QStringLiteral("旧"));
        QCOMPARE(stored(id).text, QStringLiteral("旧文"));
    }

    void apostrophesInFreeTextAreStoredAsQuotationMarks_data() {
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("field"); // 0 title, 1 weather, 2 body
        for (bool change : {false, true}) {
            const char* mode = change ? "change" : "insert";
            QTest::addRow("%s: title", mode) << change << 0;
            QTest::addRow("%s: weather", mode) << change << 1;
            QTest::addRow("%s: body", mode) << change << 2;
        }
    }
    void apostrophesInFreeTextAreStoredAsQuotationMarks() {
        QFETCH(bool, change);
        QFETCH(int, field);
        // An apostrophe in the account name is not replaced, and the statement still holds together.
        CurrentUser = QStringLiteral("O'Brien");
        qint64 id = 0;
        if (change) {
            id = m_diary->addEntry(CurrentUser, QStringLiteral("t"), QStringLiteral("2001/1/1"),
                                   QStringLiteral("星期一"), QStringLiteral("w"), QStringLiteral("b"));
            EditCondition = QStringLiteral("id = %1").arg(id);
        }
        Form_Write* editor = openEditor();
        const QString typed = QStringLiteral("it's 'quoted'");
        const QString kept = QStringLiteral("it’s ’quoted’");
        fill(editor, field == 0 ? typed : QStringLiteral("t"), field == 1 ? typed : QStringLiteral("w"),
             field == 2 ? typed : QStringLiteral("b"));
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskSave});
        verifyBackInMainWindow();
        const Entry entry = change ? stored(id) : onlyEntry();
        QCOMPARE(storedIds().size(), 1);
        QCOMPARE(entry.user, QStringLiteral("O'Brien"));
        QCOMPARE(entry.title, field == 0 ? kept : QStringLiteral("t"));
        QCOMPARE(entry.weather, field == 1 ? kept : QStringLiteral("w"));
        QCOMPARE(entry.text, field == 2 ? kept : QStringLiteral("b"));
    }

    void changeModeShowsAndKeepsTheStoredEntry() {
        const QString body = QStringLiteral("一\r\n\r\n二\n仍是二\u00a0\t尾\r\n");
        const qint64 other = m_diary->addEntry(kUser, QStringLiteral("别的"), QStringLiteral("2001/1/1"),
                                               QStringLiteral("星期一"), QStringLiteral("晴朗"), QStringLiteral("别"));
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("标题"), QStringLiteral("1999-12-31"),
                                            QStringLiteral("星期五"), QStringLiteral("冰雹"), body);
        EditCondition = QStringLiteral("id = %1").arg(id);
        Form_Write* editor = openEditor();
        QCOMPARE(editor->mode(), Form_Write::Mode::Change);
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("标题"));
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("冰雹"));
        QCOMPARE(editor->Text_DiaryDate->text(), QStringLiteral("1999-12-31"));
        QCOMPARE(editor->Label_DiaryWeek->text(), QStringLiteral("星期五"));
        QCOMPARE(editor->Label_DiaryWeek->size(), editor->Label_DiaryWeek->sizeHint());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), body);
        QCOMPARE(editor->RichTextBox_DiaryText->document()->blockCount(), 4);

        editor->Command_Insert->click();
        verifyBackInMainWindow();
        const Entry entry = stored(id);
        QCOMPARE(entry.title, QStringLiteral("标题"));
        QCOMPARE(entry.date, QStringLiteral("1999-12-31"));
        QCOMPARE(entry.week, QStringLiteral("星期五"));
        QCOMPARE(entry.weather, QStringLiteral("冰雹"));
        QCOMPARE(entry.text, body); // exactly as stored
        QCOMPARE(stored(other).title, QStringLiteral("别的"));
        QCOMPARE(storedIds().size(), 2);
    }

    void storedFieldWithoutValueShowsEmpty() {
        m_diary->open()->Execute(QStringLiteral("INSERT INTO diary(username,diarytitle) Values('张三', 'T')"));
        EditCondition = QStringLiteral("id = %1").arg(storedIds().front());
        Form_Write* editor = openEditor();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(editor->mode(), Form_Write::Mode::Change);
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("T"));
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QString());
        QCOMPARE(editor->Text_DiaryDate->text(), QString());
        QCOMPARE(editor->Label_DiaryWeek->text(), QString());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QString());
    }

    void changeOfAnEntryThatIsGoneOpensANewEntry() {
        EditCondition = QStringLiteral("id = 4711");
        Form_Write* editor = openEditor();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kEntryGone});
        verifyEmptyNewEntry(editor);
        fill(editor, QStringLiteral("t"), QStringLiteral("多云"), QStringLiteral("b"));
        editor->Command_Insert->click();
        verifyBackInMainWindow();
        QCOMPARE(onlyEntry().title, QStringLiteral("t"));
    }

    void clearInChangeModeStaysAChange() {
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("标题"), QStringLiteral("1999-12-31"),
                                            QStringLiteral("星期五"), QStringLiteral("冰雹"), QStringLiteral("正文"));
        EditCondition = QStringLiteral("id = %1").arg(id);
        Form_Write* editor = openEditor();
        editor->Combo_DiaryWeather->setEditText(QStringLiteral("自己写的"));
        editor->Command_Reset->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QString());
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("晴朗"));
        QCOMPARE(editor->Text_DiaryDate->text(), QStringLiteral("1999-12-31"));
        QCOMPARE(editor->Label_DiaryWeek->text(), QStringLiteral("星期五"));

        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNoTitle});

        MessageBox::clearShown();
        fill(editor, QStringLiteral("新标题"), QStringLiteral("晴朗"), QStringLiteral("新正文"));
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskSave});
        QCOMPARE(storedIds(), QList<qint64>{id});
        QCOMPARE(stored(id).title, QStringLiteral("新标题"));
        QCOMPARE(stored(id).date, QStringLiteral("1999-12-31"));
    }

    void everyWayOutEmptiesTheHandOverAndShowsTheMainWindow_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("closeBox");
        for (const char* mode : {"new", "import", "change"}) {
            QTest::addRow("%s, close box", mode) << QString::fromLatin1(mode) << true;
            QTest::addRow("%s, 退出", mode) << QString::fromLatin1(mode) << false;
        }
    }
    void everyWayOutEmptiesTheHandOverAndShowsTheMainWindow() {
        QFETCH(QString, mode);
        QFETCH(bool, closeBox);
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("标题"), QStringLiteral("2001/1/1"),
                                            QStringLiteral("星期一"), QStringLiteral("冰雹"), QStringLiteral("正文"));
        if (mode == QLatin1String("import"))
            ImportFilePath = writeFile(QStringLiteral("in.txt"), "imported");
        if (mode == QLatin1String("change"))
            EditCondition = QStringLiteral("id = %1").arg(id);
        Form_Write* editor = openEditor();
        editor->Text_DiaryTitle->setText(QStringLiteral("typed"));
        if (closeBox)
            QVERIFY(editor->close());
        else
            editor->Command_Cancel->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        verifyBackInMainWindow();
        QCOMPARE(stored(id).title, QStringLiteral("标题"));
        QCOMPARE(storedIds().size(), 1);

        // The next opening from the new-entry command is a blank new entry.
        forms().unload<Form_View>();
        verifyEmptyNewEntry(openEditor());
    }

    void importedFileBecomesTheBody_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("body");
        QTest::newRow("CR LF, final one adds nothing") << QByteArray("a\r\nb\r\n") << "a\r\nb";
        QTest::newRow("CR alone ends a line") << QByteArray("a\rb\rc") << "a\r\nb\r\nc";
        QTest::newRow("lone LF stays inside its line") << QByteArray("a\nb\r\nc") << "a\nb\r\nc";
        QTest::newRow("leading empty lines dropped, later kept")
            << QByteArray("\r\n\r\nX\r\n\r\nY\r\n") << "X\r\n\r\nY";
        QTest::newRow("GBK") << QByteArray("\xC4\xE3\xBA\xC3\r\n\xCA\xC0\xBD\xE7") << "你好\r\n世界";
        QTest::newRow("UTF-8") << QByteArray("你好\r\n世界") << "你好\r\n世界";
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF你好\r\n世界") << "你好\r\n世界";
        QTest::newRow("UTF-16 with BOM") << QByteArray("\xFF\xFE\x60\x4F\x7D\x59\x0D\x00\x0A\x00\x16\x4E", 12)
                                         << "你好\r\n世";
        QTest::newRow("exported entry, labels included")
            << QByteArray("\xB1\xEA\xCC\xE2\xA3\xBAT\r\n\xC8\xD5\xC6\xDA\xA3\xBA\r\n") << "标题：T\r\n日期：";
    }
    void importedFileBecomesTheBody() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, body);
        ImportFilePath = writeFile(QStringLiteral("entry.txt"), bytes);
        Form_Write* editor = openEditor();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(editor->mode(), Form_Write::Mode::Import);
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), body);
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("晴朗"));
        QCOMPARE(editor->Label_DiaryWeek->text(), QStringLiteral("星期二"));

        editor->Text_DiaryTitle->setText(QStringLiteral("导入的"));
        editor->Command_Insert->click();
        verifyBackInMainWindow();
        const Entry entry = onlyEntry();
        QCOMPARE(entry.title, QStringLiteral("导入的"));
        QCOMPARE(entry.text, body);
    }

    void emptyImportedFileGivesAnEmptyBody() {
        ImportFilePath = writeFile(QStringLiteral("empty.txt"), QByteArray("\r\n\r\n"));
        Form_Write* editor = openEditor();
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QString());
        editor->Text_DiaryTitle->setText(QStringLiteral("t"));
        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNoBody});
    }

    void importWinsOverChange() {
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("标题"), QStringLiteral("2001/1/1"),
                                            QStringLiteral("星期一"), QStringLiteral("冰雹"), QStringLiteral("正文"));
        EditCondition = QStringLiteral("id = %1").arg(id);
        ImportFilePath = writeFile(QStringLiteral("in.txt"), "from file");
        Form_Write* editor = openEditor();
        QCOMPARE(editor->mode(), Form_Write::Mode::Import);
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        editor->Text_DiaryTitle->setText(QStringLiteral("新"));
        editor->Command_Insert->click();
        verifyBackInMainWindow();
        QCOMPARE(storedIds().size(), 2);
        QCOMPARE(stored(id).text, QStringLiteral("正文"));
    }

    void unusableImportFileOpensAnEmptyNewEntry_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing"
                                 << "这个文本文件打不开，将作为新日记打开。";
        QTest::newRow("a folder") << "folder"
                                  << "这个文本文件打不开，将作为新日记打开。";
        QTest::newRow("NUL bytes") << "binary"
                                   << "这个文件不是文本文件，将作为新日记打开。";
        QTest::newRow("UTF-16 holding U+0000") << "utf16-nul"
                                               << "这个文件不是文本文件，将作为新日记打开。";
        QTest::newRow("over 16 MiB") << "large"
                                     << "这个文件太大了（超过 16 MB），将作为新日记打开。";
    }
    void unusableImportFileOpensAnEmptyNewEntry() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        if (kind == QLatin1String("missing"))
            ImportFilePath = m_diary->folder() + QStringLiteral("/nowhere.txt");
        else if (kind == QLatin1String("folder"))
            ImportFilePath = m_diary->folder();
        else if (kind == QLatin1String("binary"))
            ImportFilePath = writeFile(QStringLiteral("x.txt"), QByteArray("MZ\x90\x00\x03\x00", 6));
        else if (kind == QLatin1String("utf16-nul"))
            ImportFilePath = writeFile(QStringLiteral("x.txt"), QByteArray("\xFF\xFE\x00\x00\x41\x00", 6));
        else
            ImportFilePath = writeFile(QStringLiteral("x.txt"), QByteArray(entrytextfile::kMaxFileBytes + 1, 'a'));
        Form_Write* editor = openEditor();
        QCOMPARE(MessageBox::shownTexts(), QStringList{message});
        verifyEmptyNewEntry(editor);
        fill(editor, QStringLiteral("t"), QStringLiteral("晴朗"), QStringLiteral("b"));
        editor->Command_Insert->click();
        verifyBackInMainWindow();
        QCOMPARE(onlyEntry().text, QStringLiteral("b"));
    }

    void importOfExactlySixteenMebibytesIsAccepted() {
        QByteArray bytes(entrytextfile::kMaxFileBytes, 'a');
        const entrytextfile::Result result = entrytextfile::readFile(writeFile(QStringLiteral("big.txt"), bytes));
        QCOMPARE(result.problem, entrytextfile::Problem::None);
        QCOMPARE(result.body.size(), entrytextfile::kMaxFileBytes);
    }

    void failingSaveKeepsTheEditorAndEverythingTyped_data() {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("fault");
        for (bool change : {false, true}) {
            const char* mode = change ? "change" : "new";
            QTest::addRow("%s, table gone", mode) << change << "table";
            QTest::addRow("%s, file gone", mode) << change << "file";
        }
    }
    void failingSaveKeepsTheEditorAndEverythingTyped() {
        QFETCH(bool, change);
        QFETCH(QString, fault);
        if (change) {
            const qint64 id = m_diary->addEntry(kUser, QStringLiteral("t"), QStringLiteral("2001/1/1"));
            EditCondition = QStringLiteral("id = %1").arg(id);
        }
        Form_Write* editor = openEditor();
        fill(editor, QStringLiteral("我的标题"), QStringLiteral("多云"), QStringLiteral("写了\n很多"));
        if (fault == QLatin1String("table"))
            dao::connectionOf(*m_diary->open())->exec("DROP TABLE diary");
        else
            QVERIFY(QFile::remove(m_diary->databasePath()));

        editor->Command_Insert->click();
        const QStringList shown = MessageBox::shownTexts();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], kAskSave);
        QVERIFY2(shown[1].startsWith(QStringLiteral("日记没能保存（错误 3")), qPrintable(shown[1]));
        QVERIFY2(shown[1].endsWith(QStringLiteral("写好的内容都还在。")), qPrintable(shown[1]));
        QVERIFY(forms().isLoaded<Form_Write>() && editor->isVisible());
        QVERIFY(!forms().isLoaded<Form_View>());
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("我的标题"));
        QCOMPARE(editor->Combo_DiaryWeather->currentText(), QStringLiteral("多云"));
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QStringLiteral("写了\r\n很多"));
        QCOMPARE(editor->mode(), change ? Form_Write::Mode::Change : Form_Write::Mode::New);
    }

    void changeOfAnEntryDeletedMeanwhileKeepsTheEditor() {
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("t"), QStringLiteral("2001/1/1"),
                                            QStringLiteral("星期一"), QStringLiteral("晴朗"), QStringLiteral("b"));
        EditCondition = QStringLiteral("id = %1").arg(id);
        Form_Write* editor = openEditor();
        editor->RichTextBox_DiaryText->setPlainText(QStringLiteral("改过的"));
        m_diary->open()->Execute(QStringLiteral("Delete from diary where id = %1").arg(id));

        editor->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{kAskSave, QStringLiteral("这篇日记已经不在了，修改没有保存。写好的内容都还在。")}));
        QVERIFY(forms().isLoaded<Form_Write>() && editor->isVisible());
        QVERIFY(!forms().isLoaded<Form_View>());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QStringLiteral("改过的"));
        QCOMPARE(EditCondition, QStringLiteral("id = %1").arg(id));
        QVERIFY(storedIds().isEmpty());
    }

    void bodyRoundTripsExactly_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << "";
        QTest::newRow("CR LF") << "a\r\nb";
        QTest::newRow("empty lines") << "\r\n\r\na\r\n\r\n";
        QTest::newRow("lone LF") << "a\nb";
        QTest::newRow("LF at the ends") << "\na\n";
        QTest::newRow("no-break space and tab") << "a\u00a0b\tc";
    }
    void bodyRoundTripsExactly() {
        QFETCH(QString, stored);
        DiaryTextBox box;
        box.setStoredText(stored);
        QCOMPARE(box.storedText(), stored);
    }

    void everyLineBreakTypedIsCrLf() {
        DiaryTextBox box;
        box.setPlainText(QStringLiteral("a\nb"));
        box.moveCursor(QTextCursor::End);
        QTest::keyClick(&box, Qt::Key_Return);
        QTest::keyClicks(&box, QStringLiteral("c"));
        QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(&box, QStringLiteral("d"));
        QCOMPARE(box.storedText(), QStringLiteral("a\r\nb\r\nc\r\nd"));
    }
};

QTEST_MAIN(TestFormWrite)
#include "tst_formwrite.moc"
