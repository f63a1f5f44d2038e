// A left click on an entry node until the reading pane shows the entry (texts set and the four boxes
// painted). Ours: a real mouse press and release on the main window's tree. Bare: the same click on a
// QTreeWidget holding the same nodes, whose press handler selects the entry by id directly and fills four
// boxes of the same kinds and sizes.

#include "Bare.h"
#include "BareTree.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace measures {
namespace {

constexpr long long kEntries = 100000;
constexpr int kTargets = 32;

// Top-level rows of the date nodes whose first entry the clicks visit, spread over the whole tree.
std::vector<int> targetRows(int topLevelCount) {
    std::vector<int> rows;
    for (int t = 0; t < kTargets; ++t)
        rows.push_back(int((qint64(t) * topLevelCount) / kTargets + t % 3) % topLevelCount);
    return rows;
}

// A tree control that reports left presses on an item, as the main window's does.
class PressTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<void(QTreeWidgetItem*)> onLeftPress;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        QTreeWidget::mousePressEvent(event);
        if (QTreeWidgetItem* item = itemAt(event->position().toPoint()))
            onLeftPress(item);
    }
};

struct BareWindow {
    QWidget window;
    PressTree* tree = nullptr;
    QLineEdit* title = nullptr;
    QLineEdit* weather = nullptr;
    QLineEdit* dateWeek = nullptr;
    QPlainTextEdit* body = nullptr;
    bare::Db db;
};

std::unique_ptr<BareWindow> makeBareWindow(long long n) {
    Form_View* form = benchenv::view(); // only for the sizes of its boxes
    auto w = std::make_unique<BareWindow>();
    w->window.resize(form->size());
    w->tree = new PressTree(&w->window);
    w->tree->setHeaderHidden(true);
    w->tree->setUniformRowHeights(true);
    w->tree->setGeometry(form->TreeView_Diary->geometry());
    w->title = new QLineEdit(&w->window);
    w->weather = new QLineEdit(&w->window);
    w->dateWeek = new QLineEdit(&w->window);
    for (QLineEdit* box : {w->title, w->weather, w->dateWeek})
        box->setReadOnly(true);
    w->title->setGeometry(form->Text_Title->geometry());
    w->weather->setGeometry(form->Label_Weather->geometry());
    w->dateWeek->setGeometry(form->Label_DateWeek->geometry());
    w->body = new QPlainTextEdit(&w->window);
    w->body->setReadOnly(true);
    w->body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w->body->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w->body->setGeometry(form->RichTextBox_DiaryText->geometry());

    baretree::Tree nodes;
    baretree::build(nodes, benchenv::databasePath(n), benchgen::measuredAccount().name.toUtf8());
    QList<QTreeWidgetItem*> dates;
    for (int top : nodes.topLevel) {
        const baretree::Node& date = nodes.nodes[std::size_t(top - 1)];
        auto* dateItem = new QTreeWidgetItem(QStringList{date.text});
        for (int child : date.children) {
            const baretree::Node& entry = nodes.nodes[std::size_t(child - 1)];
            auto* entryItem = new QTreeWidgetItem(dateItem, QStringList{entry.text});
            entryItem->setData(0, Qt::UserRole, entry.key.mid(5).toLongLong());
        }
        dates.push_back(dateItem);
    }
    w->tree->addTopLevelItems(dates);

    w->db = bare::openWarm(benchenv::databasePath(n));
    BareWindow* raw = w.get();
    w->tree->onLeftPress = [raw](QTreeWidgetItem* item) {
        const qint64 id = item->data(0, Qt::UserRole).toLongLong();
        if (!id) {
            raw->title->clear();
            raw->weather->clear();
            raw->dateWeek->clear();
            raw->body->clear();
            return;
        }
        bare::Statement entry(raw->db.get(), "SELECT diarytitle, diarydate, diaryweek, diaryweather, diarytext "
                                             "FROM diary WHERE id = ?");
        entry.bind(1, id);
        if (!entry.step())
            return;
        raw->title->setText(entry.text(0));
        raw->dateWeek->setText(QStringLiteral("日期：") + entry.text(1) + QLatin1Char(' ') + entry.text(2));
        raw->weather->setText(entry.text(3));
        raw->body->setPlainText(entry.text(4));
    };
    w->window.show();
    benchenv::settle();
    return w;
}

void clickPair(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    static std::unique_ptr<BareWindow> window;
    if (!window) {
        window = makeBareWindow(n);
        benchenv::onTearDown([] { window.reset(); });
    }
    BareWindow& w = *window;
    std::vector<QTreeWidgetItem*> bareTargets;
    for (int row : targetRows(w.tree->topLevelItemCount())) {
        QTreeWidgetItem* date = w.tree->topLevelItem(row);
        date->setExpanded(true);
        bareTargets.push_back(date->child(0));
    }
    w.window.show();

    std::size_t next = 0;
    Turns turns(state);
    for (auto _ : state) {
        const std::size_t target = next++;
        turns.both(
            [&] {
                // A refresh by another measure may have rebuilt the tree: expand the visited dates again.
                benchenv::useDiary(n);
                Form_View* form = benchenv::view();
                DiaryTreeView* tree = form->TreeView_Diary;
                DiaryTreeModel* model = tree->nodes();
                const QModelIndex date = model->index(targetRows(model->rowCount())[target % kTargets], 0);
                tree->setExpanded(date, true);
                const int entry = model->node(model->nodeOfIndex(date))->children.value(0);
                tree->scrollTo(model->indexOfNode(entry));
                benchenv::settle();
                const QPoint at = tree->nodeRect(entry).center();
                turns.time("ours", [&] {
                    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
                    form->Text_Title->repaint();
                    form->Label_Weather->repaint();
                    form->Label_DateWeek->repaint();
                    form->RichTextBox_DiaryText->viewport()->repaint();
                });
                if (form->Text_Title->text() != model->node(entry)->text)
                    benchenv::fatal(QStringLiteral("the click on node %1 did not show its entry").arg(entry));
            },
            [&] {
                QTreeWidgetItem* item = bareTargets[target % bareTargets.size()];
                w.tree->scrollToItem(item);
                benchenv::settle();
                const QPoint at = w.tree->visualItemRect(item).center();
                turns.time("bare", [&] {
                    QTest::mousePress(w.tree->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseRelease(w.tree->viewport(), Qt::LeftButton, {}, at);
                    w.title->repaint();
                    w.weather->repaint();
                    w.dateWeek->repaint();
                    w.body->viewport()->repaint();
                });
                if (w.title->text() != item->text(0))
                    benchenv::fatal(QStringLiteral("the bare click did not show its entry"));
            });
        turns.next();
    }
    turns.report();
    // Out of the way of the other measures' painting.
    w.window.hide();
}

} // namespace

void registerPane() {
    add("click_to_pane", "pair", kEntries, clickPair, 32)->Repetitions(15);
}

} // namespace measures
