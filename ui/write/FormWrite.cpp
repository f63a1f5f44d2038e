#include "FormWrite.h"

#include "platform/ButtonKeys.h"
#include "platform/Controls.h"

#include "app/BannerPage.h"
#include "app/DiaryStore.h"
#include "app/EntryTextFile.h"
#include "app/ErrorRules.h"
#include "app/Globals.h"
#include "app/Notice.h"
#include "app/SqlText.h"
#include "db/DaoError.h"
#include "platform/DateLocale.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"
#include "ui/view/FormView.h"
#include "update/Updater.h"

#include <algorithm>

using platform::forms;
using platform::Twips::place;

using platform::named;
using platform::plainLabel;

namespace {
const QStringList kWeatherWords = {
    QStringLiteral("晴朗"), QStringLiteral("多云"), QStringLiteral("阴雨"),
    QStringLiteral("大雨"), QStringLiteral("小雨"), QStringLiteral("阵雨"),
    QStringLiteral("大雪"), QStringLiteral("小雪"), QStringLiteral("冰雹"),
};

const QString kEntryGone = QStringLiteral("这篇日记已经不在了，将作为新日记打开。");
const QString kChangeNotSaved = QStringLiteral("这篇日记已经不在了，修改没有保存。写好的内容都还在。");

QString importProblemText(entrytextfile::Problem problem) {
    switch (problem) {
    case entrytextfile::Problem::CannotOpen:
        return QStringLiteral("这个文本文件打不开，将作为新日记打开。");
    case entrytextfile::Problem::NotText:
        return QStringLiteral("这个文件不是文本文件，将作为新日记打开。");
    case entrytextfile::Problem::TooLarge:
        return QStringLiteral("这个文件太大了（超过 16 MB），将作为新日记打开。");
    case entrytextfile::Problem::None:
        break;
    }
    return QString();
}

// A label sits at its designed place and is as large as its caption.
void placeLabel(QLabel* l, double left, double top) {
    place(l, left, top, 0, 0);
    l->resize(l->sizeHint());
}

// The weekday keeps a margin inside the window at any scale: it ends where the weather box ends, and the
// date box gives up the room it needs (never below half its width; a longer stored weekday is cut).
void fitWeekday(QLabel* week, QLineEdit* date, int rightEdge) {
    const QWidget* window = week->parentWidget();
    const int gap = platform::Twips::toPixels(105, window);
    const int designLeft = platform::Twips::toPixels(8640, window);
    const int designDateWidth = platform::Twips::toPixels(1695, window);
    const int lowestLeft = date->x() + designDateWidth / 2 + gap;
    const int left = std::max(lowestLeft, std::min(designLeft, rightEdge - week->sizeHint().width()));
    week->setGeometry(left, week->y(), rightEdge - left, week->sizeHint().height());
    date->resize(std::min(designDateWidth, left - gap - date->x()), date->height());
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named(new QPushButton(caption, parent), name);
    // The editor has no default button: Enter in the title must not save.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}
} // namespace

Form_Write::Form_Write() {
    setObjectName(QStringLiteral("Form_Write"));
    setWindowTitle(QStringLiteral("青简录 - 填写日记"));
    // A fixed dialog-like frame: no maximise button, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(platform::Twips::toPixels(9255, this), platform::Twips::toPixels(6735, this));

    Label_DiaryTitle = plainLabel(this, "Label_DiaryTitle", QStringLiteral("标题："));
    Text_DiaryTitle = named(new QLineEdit(this), "Text_DiaryTitle");
    Label_DiaryWeather = plainLabel(this, "Label_DiaryWeather", QStringLiteral("天气："));
    Combo_DiaryWeather = named(new QComboBox(this), "Combo_DiaryWeather");
    Combo_DiaryWeather->setEditable(true);
    Combo_DiaryWeather->setInsertPolicy(QComboBox::NoInsert);
    // Typed weather is kept as typed; completing it to a list word would change what the user wrote.
    Combo_DiaryWeather->setCompleter(nullptr);
    Combo_DiaryWeather->addItems(kWeatherWords);
    Combo_DiaryWeather->setCurrentIndex(0);
    Label_DiaryText = plainLabel(this, "Label_DiaryText", QStringLiteral("日记正文："));
    Label_DiaryDate = plainLabel(this, "Label_DiaryDate", QStringLiteral("日期："));
    Text_DiaryDate = named(new QLineEdit(this), "Text_DiaryDate");
    Text_DiaryDate->setEnabled(false);
    Text_DiaryDate->setFocusPolicy(Qt::NoFocus);
    Label_DiaryWeek = plainLabel(this, "Label_DiaryWeek", QStringLiteral("星期几"));
    RichTextBox_DiaryText = named(new DiaryTextBox(this), "RichTextBox_DiaryText");
    // Tab leaves the body for the next control, as the keyboard order promises.
    RichTextBox_DiaryText->setTabChangesFocus(true);
    Command_Insert = button(this, "Command_Insert", QStringLiteral("保存"));
    Command_Reset = button(this, "Command_Reset", QStringLiteral("清除"));
    Command_Cancel = button(this, "Command_Cancel", QStringLiteral("退出"));
    platform::pressFocusedButtonOnEnter(this);

    // Geometry in twips.
    placeLabel(Label_DiaryTitle, 120, 1120);
    place(Text_DiaryTitle, 720, 1080, 5415, 270);
    placeLabel(Label_DiaryWeather, 6240, 1125);
    place(Combo_DiaryWeather, 6840, 1080, 2295, 300);
    placeLabel(Label_DiaryText, 120, 1605);
    placeLabel(Label_DiaryDate, 6240, 1605);
    place(Text_DiaryDate, 6840, 1560, 1695, 270);
    placeLabel(Label_DiaryWeek, 8640, 1605);
    place(RichTextBox_DiaryText, 120, 1920, 9015, 4095);
    place(Command_Insert, 600, 6120, 1815, 495);
    place(Command_Reset, 3720, 6120, 1935, 495);
    place(Command_Cancel, 6720, 6120, 1935, 495);

    // Keyboard order; the banner joins the end of it when the load makes it.
    QWidget::setTabOrder(Text_DiaryTitle, Combo_DiaryWeather);
    QWidget::setTabOrder(Combo_DiaryWeather, Command_Insert);
    QWidget::setTabOrder(Command_Insert, Command_Reset);
    QWidget::setTabOrder(Command_Reset, Command_Cancel);
    QWidget::setTabOrder(Command_Cancel, RichTextBox_DiaryText);

    connect(Command_Insert, &QPushButton::clicked, this, [this] { Command_Insert_Click(); });
    connect(Command_Reset, &QPushButton::clicked, this, [this] { Command_Reset_Click(); });
    connect(Command_Cancel, &QPushButton::clicked, this, [this] { Command_Cancel_Click(); });
}

void Form_Write::Form_Load() {
    WebBrowser_Ad = named(platform::Browser::create(this), "WebBrowser_Ad");
    place(WebBrowser_Ad, 0, 0, 9255, 975);
    QWidget::setTabOrder(RichTextBox_DiaryText, WebBrowser_Ad);
    const QDate today = platform::DateLocale::today();
    WebBrowser_Ad->setFallbackPage(app::editorBannerPage(today, font().family()));
    WebBrowser_Ad->Navigate(update::bannerAddress(update::BannerPage::Editor));

    Text_DiaryDate->setText(platform::DateLocale::shortDate(today));
    Label_DiaryWeek->setText(platform::DateLocale::weekdayName(today));
    fitWeekday(Label_DiaryWeek, Text_DiaryDate, Combo_DiaryWeather->geometry().right() + 1);

    if (!ImportFilePath.isEmpty())
        loadImportedFile();
    else if (!EditCondition.isEmpty())
        loadStoredEntry();
    else
        m_mode = Mode::New;

    Text_DiaryTitle->setFocus();
    // Centred on the screen by its outer size when shown.
    platform::WindowSizeLimit::centreWhenShown(this);
}

void Form_Write::loadImportedFile() {
    m_mode = Mode::Import;
    const entrytextfile::Result imported = entrytextfile::readFile(ImportFilePath);
    if (imported.problem != entrytextfile::Problem::None) {
        // The file is not usable; the user still gets the editor, empty, for a new entry.
        ShowNotice(importProblemText(imported.problem));
        m_mode = Mode::New;
        return;
    }
    RichTextBox_DiaryText->setStoredText(imported.body);
}

void Form_Write::loadStoredEntry() {
    m_mode = Mode::Change;
    try {
        // Only an entry key names an entry to change; anything else opens as a new entry.
        const std::optional<qint64> id = sql::entryIdOf(EditCondition);
        // Everything is read before anything is shown, so a failure never leaves half an entry on screen.
        const std::optional<DiaryEntry> entry = id ? app::diaryStore().entry(*id) : std::nullopt;
        if (!entry) {
            ShowNotice(kEntryGone);
            m_mode = Mode::New;
            return;
        }
        m_entryId = entry->id;
        Text_DiaryTitle->setText(entry->title);
        const int listed = Combo_DiaryWeather->findText(entry->weather, Qt::MatchExactly);
        if (listed >= 0)
            Combo_DiaryWeather->setCurrentIndex(listed);
        Combo_DiaryWeather->setEditText(entry->weather);
        Text_DiaryDate->setText(entry->date);
        Label_DiaryWeek->setText(entry->weekday);
        fitWeekday(Label_DiaryWeek, Text_DiaryDate, Combo_DiaryWeather->geometry().right() + 1);
        RichTextBox_DiaryText->setStoredText(entry->body);
    } catch (const dao::DaoError& error) {
        // The entry cannot be changed; it opens as a new one so that saving never touches another record.
        if (error.number() == dao::errRecordDeleted || error.number() == dao::errNoCurrentRecord)
            ShowNotice(kEntryGone);
        else
            ShowNotice(QStringLiteral("这篇日记读不出来（错误 %1：%2），将作为新日记打开。")
                           .arg(error.number())
                           .arg(error.description()));
        m_mode = Mode::New;
    }
}

void Form_Write::Form_Unload(bool& cancel) {
    // The main window comes back on every way out; when it cannot be opened, the editor stays with everything
    // typed and what it was opened for.
    if (!Form_View::ShowAgain()) {
        cancel = true;
        return;
    }
    ImportFilePath.clear();
    EditCondition.clear();
}

void Form_Write::Command_Insert_Click() {
    app::runHandled([this] {
        if (Text_DiaryTitle->text().isEmpty()) {
            ShowNotice(QStringLiteral("标题忘写了！"));
            return;
        }
        if (RichTextBox_DiaryText->storedText().isEmpty()) {
            ShowNotice(QStringLiteral("正文还没开动的。"));
            return;
        }
        if (!app::askYesNo(QStringLiteral("确定保存吗？")))
            return;
        const bool saved = m_mode == Mode::Change ? SaveChangedEntry() : SaveNewEntry();
        if (saved)
            forms().get<Form_View>()->fv_RefreshTree();
    });
}

DiaryEntry Form_Write::typedEntry() const {
    return {m_mode == Mode::Change ? m_entryId : 0,
            CurrentUser,
            Text_DiaryTitle->text(),
            Text_DiaryDate->text(),
            Label_DiaryWeek->text(),
            Combo_DiaryWeather->currentText(),
            RichTextBox_DiaryText->storedText()};
}

bool Form_Write::SaveNewEntry() {
    if (store(typedEntry(), false) < 0)
        return false;
    showMainWindowAndUnload();
    return true;
}

bool Form_Write::SaveChangedEntry() {
    const qint64 changed = store(typedEntry(), true);
    if (changed < 0)
        return false;
    if (changed == 0) {
        // Somebody deleted the entry while it was open here; closing now would lose the user's text.
        ShowNotice(kChangeNotSaved);
        return false;
    }
    showMainWindowAndUnload();
    return true;
}

qint64 Form_Write::store(const DiaryEntry& entry, bool change) {
    try {
        // The store of the running program: a file moved or replaced meanwhile is opened afresh once.
        app::DiaryStore diary = app::diaryStore();
        if (!change) {
            diary.addEntry(entry);
            return 1;
        }
        return diary.changeEntry(entry);
    } catch (...) {
        const app::Failure failure = app::currentFailure();
        showSaveFailure(failure.number, failure.description);
    }
    return -1;
}

void Form_Write::showSaveFailure(int number, const QString& description) {
    ShowNotice(QStringLiteral("日记没能保存（错误 %1：%2）。写好的内容都还在。").arg(number).arg(description));
}

void Form_Write::Command_Reset_Click() {
    Text_DiaryTitle->clear();
    RichTextBox_DiaryText->clear();
    Combo_DiaryWeather->setCurrentIndex(0);
    Combo_DiaryWeather->setEditText(Combo_DiaryWeather->itemText(0));
}

void Form_Write::Command_Cancel_Click() {
    app::runHandled([this] { showMainWindowAndUnload(); });
}

void Form_Write::showMainWindowAndUnload() {
    forms().show<Form_View>();
    forms().unload(this);
}
