#include "FormView.h"

#include "platform/ButtonKeys.h"
#include "platform/Controls.h"

#include "DiaryTree.h"
#include "app/BackgroundWork.h"
#include "app/EntryTextFile.h"
#include "app/ErrorRules.h"
#include "app/Globals.h"
#include "app/SizeLimit.h"
#include "db/DiaryDatabase.h"
#include "platform/DateLocale.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"
#include "update/Updater.h"

#include <QMoveEvent>
#include <QPointer>
#include <QResizeEvent>

using platform::Twips::place;

using platform::named;

namespace {
const QString kDesignCaption = QStringLiteral("青简录 - 日记查看");

QLineEdit* readOnlyBox(QWidget* parent, const char* name) {
    auto* box = named(new QLineEdit(parent), name);
    box->setReadOnly(true);
    return box;
}

void place(QWidget* control, const viewlayout::TwipRect& r) {
    place(control, r.left, r.top, r.width, r.height);
}
} // namespace

Form_View::Form_View() {
    setObjectName(QStringLiteral("Form_View"));
    setWindowTitle(kDesignCaption);
    createControls();
    createPopupMenu();
    connectEvents();
    platform::pressFocusedButtonOnEnter(this);

    m_geometry = viewlayout::designedGeometry();
    placeControls();
    resize(platform::Twips::toPixels(viewlayout::kDesignedClientWidth, this),
           platform::Twips::toPixels(viewlayout::kDesignedClientHeight, this));

    // Keyboard order as designed.
    QWidget* previous = nullptr;
    for (const char* name : viewlayout::tabOrder()) {
        auto* control = findChild<QWidget*>(QLatin1String(name));
        if (previous && control)
            QWidget::setTabOrder(previous, control);
        if (control)
            previous = control;
    }
}

Form_View::~Form_View() = default;

void Form_View::createControls() {
    TreeView_Diary = named(new DiaryTreeView(this), "TreeView_Diary");

    Command_Insert = named(new QPushButton(QStringLiteral("写新日记"), this), "Command_Insert");
    Command_Updata = named(new QPushButton(QStringLiteral("修改日记"), this), "Command_Updata");
    Command_Output = named(new QPushButton(QStringLiteral("导出日记"), this), "Command_Output");
    Command_Delete = named(new QPushButton(QStringLiteral("删除日记"), this), "Command_Delete");
    Command_Find = named(new QPushButton(QStringLiteral("查询日记"), this), "Command_Find");
    Command_Input = named(new QPushButton(QStringLiteral("导入日记"), this), "Command_Input");
    for (QPushButton* button :
         {Command_Insert, Command_Updata, Command_Output, Command_Delete, Command_Find, Command_Input})
        button->setAutoDefault(false);

    Line_Spilt = named(new QFrame(this), "Line_Spilt");
    Line_Spilt->setFrameShape(QFrame::NoFrame);
    Line_Spilt->setAutoFillBackground(true);
    QPalette grey = Line_Spilt->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    Line_Spilt->setPalette(grey);

    Label_Title = named(new QLabel(QStringLiteral("标题："), this), "Label_Title");
    Text_Title = readOnlyBox(this, "Text_Title");
    Label_WeatherL = named(new QLabel(QStringLiteral("天气："), this), "Label_WeatherL");
    Label_Weather = readOnlyBox(this, "Label_Weather");
    Label_DateWeek = readOnlyBox(this, "Label_DateWeek");
    for (QLabel* label : {Label_Title, Label_WeatherL})
        label->setTextFormat(Qt::PlainText);

    RichTextBox_DiaryText = named(new QPlainTextEdit(this), "RichTextBox_DiaryText");
    RichTextBox_DiaryText->setReadOnly(true);
    RichTextBox_DiaryText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RichTextBox_DiaryText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichTextBox_DiaryText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    WebBrowser_Ad = platform::Browser::create(this);
    WebBrowser_Ad->setObjectName(QStringLiteral("WebBrowser_Ad"));

    Timer_Update = named(new QTimer(this), "Timer_Update");
    Timer_Update->setInterval(2000);
    Timer_Update->setSingleShot(true);
}

void Form_View::createPopupMenu() {
    PopMenu_Tree = named(new QMenu(QStringLiteral("节点菜单"), this), "PopMenu_Tree");
    auto item = [this](const char* name, const QString& caption) {
        QAction* action = PopMenu_Tree->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    auto separator = [this](const char* name) { PopMenu_Tree->addSeparator()->setObjectName(QLatin1String(name)); };
    PopMenu_Tree_Refresh = item("PopMenu_Tree_Refresh", QStringLiteral("刷新"));
    separator("Break0");
    PopMenu_Tree_Write = item("PopMenu_Tree_Write", QStringLiteral("写新日记"));
    PopMenu_Tree_Delete = item("PopMenu_Tree_Delete", QStringLiteral("删除日记"));
    separator("Break1");
    PopMenu_Tree_Change = item("PopMenu_Tree_Change", QStringLiteral("修改日记"));
    PopMenu_Tree_Find = item("PopMenu_Tree_Find", QStringLiteral("查询日记"));
    separator("Break2");
    PopMenu_Tree_Output = item("PopMenu_Tree_Output", QStringLiteral("导出日记"));
    PopMenu_Tree_Input = item("PopMenu_Tree_Input", QStringLiteral("导入日记"));
}

void Form_View::connectEvents() {
    connect(TreeView_Diary, &DiaryTreeView::mouseDown, this,
            [this](int button, int shift, double x, double y) { TreeView_Diary_MouseDown(button, shift, x, y); });
    connect(TreeView_Diary, &DiaryTreeView::mouseUp, this,
            [this](int button, int shift, double x, double y) { TreeView_Diary_MouseUp(button, shift, x, y); });
    connect(TreeView_Diary, &DiaryTreeView::nodeClicked, this, [this](int node) { TreeView_Diary_NodeClick(node); });

    connect(Command_Insert, &QPushButton::clicked, this, [this] { Command_Insert_Click(); });
    connect(Command_Updata, &QPushButton::clicked, this, [this] { Command_Updata_Click(); });
    connect(Command_Output, &QPushButton::clicked, this, [this] { Command_Output_Click(); });
    connect(Command_Delete, &QPushButton::clicked, this, [this] { Command_Delete_Click(); });
    connect(Command_Find, &QPushButton::clicked, this, [this] { Command_Find_Click(); });
    connect(Command_Input, &QPushButton::clicked, this, [this] { Command_Input_Click(); });

    connect(PopMenu_Tree_Refresh, &QAction::triggered, this, [this] { PopMenu_Tree_Refresh_Click(); });
    connect(PopMenu_Tree_Write, &QAction::triggered, this, [this] { PopMenu_Tree_Write_Click(); });
    connect(PopMenu_Tree_Delete, &QAction::triggered, this, [this] { PopMenu_Tree_Delete_Click(); });
    connect(PopMenu_Tree_Change, &QAction::triggered, this, [this] { PopMenu_Tree_Change_Click(); });
    connect(PopMenu_Tree_Find, &QAction::triggered, this, [this] { PopMenu_Tree_Find_Click(); });
    connect(PopMenu_Tree_Output, &QAction::triggered, this, [this] { PopMenu_Tree_Output_Click(); });
    connect(PopMenu_Tree_Input, &QAction::triggered, this, [this] { PopMenu_Tree_Input_Click(); });

    connect(Timer_Update, &QTimer::timeout, this, [this] { Timer_Update_Timer(); });
}

// ---- load and unload ---------------------------------------------------------------------------------

bool Form_View::ShowAgain() {
    bool shown = false;
    app::runHandled([&shown] {
        platform::forms().show<Form_View>();
        shown = true;
    });
    return shown;
}

void Form_View::Form_Load() {
    // Work in the background gives way until this window is up.
    if (app::BackgroundWork* work = app::BackgroundWork::current())
        work->holdUntilIdle();
    app::InstallSizeLimit(this, [this] { Form_Resize(); });
    fv_RefreshTree();
    // Each load starts from the design-time caption, so the account name appears once.
    setWindowTitle(windowTitle() + QStringLiteral(" - 当前帐号：【") + CurrentUser + QStringLiteral("】"));
    prepareBanner();
    WebBrowser_Ad->Navigate(update::bannerAddress(update::BannerPage::MainWindow));
    Timer_Update->start();
}

void Form_View::Form_Unload(bool& cancel) {
    (void)cancel;
    // A total still being counted is for this window and account only.
    if (app::BackgroundWork* work = app::BackgroundWork::current())
        work->stopCount();
    app::RemoveSizeLimit(this);
}

// The banner's own page, shown when the maker's page cannot be: built afresh at every load from the tree's
// rows. Only the character total needs the bodies; it is counted on a connection and thread of its own, so
// the window opens and answers at once, and the page gets the total when it comes. A total from an earlier
// load, or for the account before, never arrives here: a new count or the unload drops the one under way.
void Form_View::prepareBanner() {
    m_banner = app::BannerData();
    m_banner.today = platform::DateLocale::today();
    app::skipOnError([this] { m_banner = app::bannerDataOf(m_treeEntries, m_banner.today); });
    showBanner();
    app::BackgroundWork* work = app::BackgroundWork::current();
    if (!work)
        return;
    const QString path = dao::diaryDatabasePath();
    const QString connect = dao::diaryConnect();
    const QString user = CurrentUser;
    work->startCount([path, connect,
                      user](const std::atomic<bool>& stop) { return app::countCharacters(path, connect, user, stop); },
                     [self = QPointer<Form_View>(this), user](qint64 total) {
                         if (!self || user != CurrentUser)
                             return;
                         self->m_banner.characters = total;
                         self->showBanner();
                     });
}

void Form_View::showBanner() {
    WebBrowser_Ad->setFallbackPage(app::mainWindowBannerPage(m_banner, font().family()));
}

void Form_View::Timer_Update_Timer() {
    Timer_Update->stop();
    update::CallDoUpdate(static_cast<quint32>(winId()), update::updateTextAddress());
}

// ---- the diary tree ----------------------------------------------------------------------------------

void Form_View::fv_RefreshTree() {
    TreeView_Diary->clearNodes();
    app::skipOnError([] { DiaryDb = dao::OpenDiaryDatabase(); });
    // A failed query (the file held by another program, say) leaves ViewRecords as it was, which may be the
    // shown entry alone; the tree is then built again from the entries of the last tree, so that the user
    // keeps the diary they had rather than a tree of one entry.
    app::skipOnError([this] {
        ViewRecords = app::diaryStore().entriesOf(CurrentUser);
        m_treeEntries = ViewRecords;
    });
    TreeView_Diary->fillFromEntries(m_treeEntries);
}

void Form_View::TreeView_Diary_MouseDown(int button, int shift, double x, double y) {
    (void)shift;
    (void)x;
    (void)y;
    LastTreeButton = button;
}

void Form_View::TreeView_Diary_MouseUp(int button, int shift, double x, double y) {
    (void)shift;
    if (button != 2)
        return;
    const QPoint atTree(platform::Twips::toPixels(x, this), platform::Twips::toPixels(y, this));
    PopMenu_Tree->popup(TreeView_Diary->mapToGlobal(atTree));
}

void Form_View::TreeView_Diary_NodeClick(int nodeIndex) {
    if (LastTreeButton != 1)
        return;
    const DiaryNode* node = TreeView_Diary->node(nodeIndex);
    if (!node)
        return;
    if (node->index == 3 && node->text == QStringView(kMenuNodeNew)) {
        Command_Insert_Click();
        return;
    }
    if (node->index == 4 && node->text == QStringView(kMenuNodeImport)) {
        ImportEntryFromText();
        return;
    }
    // Only an entry node shows an entry; a date node never does, whatever its text.
    if (const std::optional<qint64> id = node->entryId()) {
        showEntry(*id);
        return;
    }
    clearPane();
}

void Form_View::showEntry(qint64 id) {
    // A failure is reported with its number and description, and the pane keeps what it showed.
    app::runHandled([&] {
        ViewRecords = app::diaryStore().entryById(id);
        const DiaryEntry entry = ViewRecords.first();
        Text_Title->setText(entry.title);
        Label_DateWeek->setText(QStringLiteral("日期：") + entry.date + QLatin1Char(' ') + entry.weekday);
        Label_Weather->setText(entry.weather);
        // A lone LF stays a line break inside its line, so that the export writes it back as the LF it was.
        RichTextBox_DiaryText->setPlainText(entrytextfile::editorTextFromStored(entry.body));
    });
}

void Form_View::clearPane() {
    Text_Title->clear();
    Label_DateWeek->clear();
    Label_Weather->clear();
    RichTextBox_DiaryText->clear();
}

// ---- pop-up menu: each item runs the procedure of the button with the same caption ---------------------

void Form_View::PopMenu_Tree_Refresh_Click() {
    fv_RefreshTree();
}
void Form_View::PopMenu_Tree_Write_Click() {
    Command_Insert_Click();
}
void Form_View::PopMenu_Tree_Delete_Click() {
    Command_Delete_Click();
}
void Form_View::PopMenu_Tree_Change_Click() {
    Command_Updata_Click();
}
void Form_View::PopMenu_Tree_Find_Click() {
    Command_Find_Click();
}
void Form_View::PopMenu_Tree_Output_Click() {
    ExportEntryToText();
}
void Form_View::PopMenu_Tree_Input_Click() {
    ImportEntryFromText();
}

// ---- layout ------------------------------------------------------------------------------------------

void Form_View::placeControls() {
    const viewlayout::Geometry& g = m_geometry;
    place(TreeView_Diary, g.tree);
    place(Command_Insert, g.insert);
    place(Command_Updata, g.updata);
    place(Command_Output, g.output);
    place(Command_Delete, g.remove);
    place(Command_Find, g.find);
    place(Command_Input, g.input);
    place(Label_Title, g.labelTitle);
    place(Text_Title, g.title);
    place(Label_WeatherL, g.labelWeather);
    place(Label_Weather, g.weather);
    place(Label_DateWeek, g.dateWeek);
    place(RichTextBox_DiaryText, g.body);
    place(WebBrowser_Ad, g.banner);
    // A line has no height: one pixel, whatever the scale.
    const QRect line = platform::Twips::rect(g.lineX1, g.lineY, g.lineX2 - g.lineX1, 0, Line_Spilt);
    Line_Spilt->setGeometry(line.x(), line.y(), line.width(), 1);
}

QSizeF Form_View::outerSizeInTwips() const {
    const QSize outer = platform::WindowSizeLimit::outerSize(this);
    return {platform::Twips::fromPixels(outer.width(), this), platform::Twips::fromPixels(outer.height(), this)};
}

void Form_View::Form_Resize() {
    if (isMinimized())
        return;
    const QSizeF outer = outerSizeInTwips();
    const auto values =
        viewlayout::resize(static_cast<float>(outer.width()), static_cast<float>(outer.height()), m_geometry);
    m_geometry = viewlayout::applied(m_geometry, values);
    placeControls();
}

void Form_View::resizeEvent(QResizeEvent* event) {
    platform::Form::resizeEvent(event);
    Form_Resize();
}

void Form_View::changeEvent(QEvent* event) {
    platform::Form::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}
