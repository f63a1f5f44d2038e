#include "FormFind.h"

#include "platform/ButtonKeys.h"
#include "platform/Controls.h"

#include "EntrySearch.h"
#include "FindLayout.h"
#include "ResultList.h"
#include "ResultModel.h"
#include "app/ErrorRules.h"
#include "app/Globals.h"
#include "app/Notice.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"
#include "ui/HandOver.h"
#include "ui/view/FormView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QPointer>
#include <QScopeGuard>

using platform::forms;
using platform::Twips::place;

using platform::named;

namespace {
constexpr double kDesignWidth = 10575;
constexpr double kDesignHeight = 5970;
constexpr double kListLeft = 0;
constexpr double kListTop = 480;
constexpr double kColumnWidth = 1440;

// How long a search may hold the window before it repaints.
constexpr qint64 kMaxUnpaintedMs = 40;

findlayout::WindowState stateOf(const QWidget* window) {
    if (window->isMinimized())
        return findlayout::WindowState::Minimized;
    if (window->isMaximized())
        return findlayout::WindowState::Maximized;
    return findlayout::WindowState::Normal;
}
} // namespace

Form_Find::Form_Find() {
    setObjectName(QStringLiteral("Form_Find"));
    setWindowTitle(QStringLiteral("青简录 - 查找日记"));

    Combo_KeyWords = named(new QComboBox(this), "Combo_KeyWords");
    Combo_KeyWords->setEditable(false);
    Combo_KeyWords->addItems(
        {QStringLiteral("按照填写的【日记标题】例如：杯具"), QStringLiteral("按照填写的【日记日期】例如：2009-09-08"),
         QStringLiteral("按照填写的【日记星期】例如：星期一"), QStringLiteral("按照填写的【日记天气】例如：大雨"),
         QStringLiteral("按照填写的【日记内容】例如：今天")});
    Text_KeyWords = named(new QLineEdit(this), "Text_KeyWords");
    Command_Find = named(new QPushButton(QStringLiteral("来查找"), this), "Command_Find");
    Command_Find->setAutoDefault(false);
    setDefaultButton(Command_Find);
    platform::pressFocusedButtonOnEnter(this);

    ListView_Result = named(new ResultList(this), "ListView_Result");
    m_results = new ResultModel(ListView_Result);
    ListView_Result->setModel(m_results);
    ListView_Result->header()->setDefaultSectionSize(platform::Twips::toPixels(kColumnWidth, this));
    for (int column = 0; column < m_results->columnCount(); ++column)
        ListView_Result->header()->resizeSection(column, platform::Twips::toPixels(kColumnWidth, this));

    PopMenu_List = named(new QMenu(QStringLiteral("列表菜单"), this), "PopMenu_List");
    PopMenu_List_Clear = PopMenu_List->addAction(QStringLiteral("清空"));
    PopMenu_List_Clear->setObjectName(QStringLiteral("PopMenu_List_Clear"));

    resize(platform::Twips::toPixels(kDesignWidth, this), platform::Twips::toPixels(kDesignHeight, this));
    place(Combo_KeyWords, 120, 120, 4215, 300);
    place(Text_KeyWords, 4440, 120, 2295, 270);
    place(Command_Find, 6840, 60, 1695, 375);
    place(ListView_Result, kListLeft, kListTop, 10575, 5415);

    QWidget::setTabOrder(Combo_KeyWords, Command_Find);
    QWidget::setTabOrder(Command_Find, ListView_Result);
    QWidget::setTabOrder(ListView_Result, Text_KeyWords);

    connect(Command_Find, &QPushButton::clicked, this, [this] { Command_Find_Click(); });
    connect(ListView_Result, &ResultList::DblClick, this, [this] { ListView_Result_DblClick(); });
    connect(ListView_Result, &ResultList::MouseUp, this,
            [this](Qt::MouseButton button, const QPoint& globalPos) { ListView_Result_MouseUp(button, globalPos); });
    connect(PopMenu_List_Clear, &QAction::triggered, this, [this] { PopMenu_List_Clear_Click(); });
}

Form_Find::~Form_Find() = default;

void Form_Find::Form_Load() {
    Combo_KeyWords->setCurrentIndex(0);
    // Centred on the screen by its outer size when shown; the list follows every new frame.
    platform::WindowSizeLimit::centreWhenShown(this, [this] { Form_Resize(); });
}

void Form_Find::Form_Unload(bool& cancel) {
    // The main window comes back on every way out; when it cannot be opened, this window stays open.
    if (!Form_View::ShowAgain()) {
        cancel = true;
        return;
    }
    // A search still walking its records (it lets the window paint meanwhile) then lists nothing.
    m_searching = false;
}

void Form_Find::Command_Find_Click() {
    if (m_searching)
        return;
    m_searching = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const QPointer<Form_Find> self(this);
    const auto done = qScopeGuard([self] {
        QApplication::restoreOverrideCursor();
        if (self)
            self->m_searching = false;
    });

    m_results->clear();
    m_found = {};
    // The search skips whatever fails: entries that cannot be read (or no open database at all) leave
    // nothing to list.
    app::skipOnError([this] {
        if (DiaryDb)
            m_found = app::diaryStore().entriesOf(CurrentUser);
    });
    const app::EntryField field = entrysearch::fieldOfChoice(Combo_KeyWords->currentIndex());
    const QString keyword = Text_KeyWords->text();
    // The walk holds its own copy, so the entries outlive a window closed while the search lets it paint.
    const app::EntrySet entries = m_found;
    m_results->setBodySource(entries);
    QElapsedTimer sincePaint;
    sincePaint.start();
    // Rows found so far are listed while the search goes on; the finished list replaces them. The first
    // ones found are shown and painted at once, later ones with the next paint.
    bool firstPainted = false;
    auto shown = [self, this, &sincePaint](const std::vector<ResultRow>& found) {
        if ((sincePaint.elapsed() >= kMaxUnpaintedMs || m_results->rowCount() == 0) && self && m_searching &&
            std::size_t(m_results->rowCount()) < found.size())
            m_results->appendRows(found.data() + m_results->rowCount(),
                                  found.size() - std::size_t(m_results->rowCount()));
    };
    std::vector<ResultRow> rows = entrysearch::collectMatches(
        entries, field, keyword,
        [self, this, &sincePaint, &firstPainted] {
            const bool firstRows = !firstPainted && self && m_results->rowCount() > 0;
            if (sincePaint.elapsed() >= kMaxUnpaintedMs || firstRows) {
                firstPainted = firstPainted || firstRows;
                keepPainting();
                // Rows just added are laid out on the first round and painted on the second.
                if (firstRows)
                    keepPainting();
                sincePaint.restart();
            }
        },
        shown);
    // A window closed meanwhile has nobody left to show rows or a notice to.
    if (!self || !m_searching)
        return;
    m_results->setRows(std::move(rows));
    if (m_results->rowCount() == 0)
        ShowNotice(QStringLiteral("没有查找到相关信息。"));
}

void Form_Find::keepPainting() {
    // Paint and timers only: clicks and keys wait until the search is done, so nothing can start a second
    // search or close the window under the running one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Form_Find::ListView_Result_DblClick() {
    const QModelIndexList selected = ListView_Result->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const int row = selected.first().row();
    if (m_results->text(row, 0).isEmpty())
        return;
    // The double-click skips what fails: when the editor cannot open, the user stays here with the list.
    app::skipOnError(
        [this, row] { handover::openEditor(this, handover::EditorTask::change(m_results->entryId(row))); });
}

void Form_Find::ListView_Result_MouseUp(Qt::MouseButton button, const QPoint& globalPos) {
    if (button == Qt::RightButton)
        PopMenu_List->popup(globalPos);
}

void Form_Find::PopMenu_List_Clear_Click() {
    m_results->clear();
}

void Form_Find::Form_Resize() {
    using platform::Twips::fromPixels;
    const QSize outer = platform::WindowSizeLimit::outerSize(this);
    const findlayout::Size current{fromPixels(ListView_Result->width(), this),
                                   fromPixels(ListView_Result->height(), this)};
    const findlayout::Size size = findlayout::resultListSize(
        stateOf(this), {fromPixels(outer.width(), this), fromPixels(outer.height(), this)}, current);
    if (size == current)
        return;
    place(ListView_Result, kListLeft, kListTop, std::max(0.0, size.width), std::max(0.0, size.height));
}

void Form_Find::resizeEvent(QResizeEvent* event) {
    platform::Form::resizeEvent(event);
    Form_Resize();
}

void Form_Find::changeEvent(QEvent* event) {
    platform::Form::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}
