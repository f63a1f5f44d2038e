// New, delete, change and search: the main window's verbs on the diary. A verb that hands the user over
// to another window sets what that window needs, shows it, and only then unloads the main window.
#include "FormView.h"

#include "DiaryTree.h"
#include "app/ErrorRules.h"
#include "app/Globals.h"
#include "app/Notice.h"
#include "app/SqlText.h"
#include "ui/find/FormFind.h"
#include "ui/write/FormWrite.h"

using platform::forms;

namespace {
// Reading the key of a selected node when none is selected fails as an object that is not set would.
const dao::DaoError kNoNodeSelected(91, QStringLiteral("对象变量或 With 块变量未设置"));

const QString kSelectOneEntry = QStringLiteral("请选中一篇日记");

// The selected node of the tree; a failure when nothing is selected.
const DiaryNode& selectedNode(const DiaryTreeView* tree) {
    const DiaryNode* node = tree->selectedNode();
    if (!node)
        throw kNoNodeSelected;
    return *node;
}

// The delete's failure rule: "no current record" passes without a word, every other failure says that no
// entry was selected and then shows its number.
void reportDeleteFailure(int number) {
    if (number == dao::errNoCurrentRecord)
        return;
    ShowNotice(QStringLiteral("未选中任何日记"));
    app::showAppMessage(QString::number(number));
}
} // namespace

void Form_View::Command_Insert_Click() {
    app::runHandled([this] {
        forms().show<Form_Write>();
        forms().unload(this);
    });
}

void Form_View::Command_Delete_Click() {
    try {
        if (!sql::isEntryKey(selectedNode(TreeView_Diary).key)) {
            ShowNotice(QStringLiteral("请选中日记，而不是日期或菜单"));
            return;
        }
        if (!app::askYesNo(QStringLiteral("确认要删除选中的日记吗？")))
            return;
        const QString key = selectedNode(TreeView_Diary).key;
        app::diaryDb().Execute(sql::deleteDiaryWhere(key));
        TreeView_Diary->clearNodes();
        fv_RefreshTree();
        clearPane();
        ShowNotice(QStringLiteral("删除成功！"));
    } catch (...) {
        reportDeleteFailure(app::currentFailure().number);
    }
}

void Form_View::Command_Updata_Click() {
    try {
        if (!sql::isEntryKey(selectedNode(TreeView_Diary).key)) {
            ShowNotice(kSelectOneEntry);
            return;
        }
        EditCondition = selectedNode(TreeView_Diary).key;
        forms().show<Form_Write>();
        forms().unload(this);
    } catch (const std::exception&) {
        // Any failure of the hand-over lands in the check below, which tells the user once.
    }
    // Only looks: a window that is not loaded stays so.
    const Form_Write* editor = forms().loaded<Form_Write>();
    // No editor took the hand-over, so nothing will empty it: the next new entry must not open as a change.
    if (!editor)
        EditCondition.clear();
    if (!editor || !editor->isVisible())
        ShowNotice(kSelectOneEntry);
}

void Form_View::Command_Find_Click() {
    app::runHandled([this] {
        forms().show<Form_Find>();
        forms().unload(this);
    });
}
