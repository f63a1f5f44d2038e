// New, delete, change and search: the main window's verbs on the diary. A verb that hands the user over
// to another window sets what that window needs, shows it, and only then unloads the main window.
#include "FormView.h"

#include "DiaryTree.h"
#include "app/DiaryStore.h"
#include "app/ErrorRules.h"
#include "app/Notice.h"
#include "db/DaoError.h"
#include "ui/HandOver.h"
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
    app::runHandled([this] { handover::openEditor(this, handover::EditorTask::newEntry()); });
}

void Form_View::Command_Delete_Click() {
    try {
        if (!selectedNode(TreeView_Diary).entryId()) {
            ShowNotice(QStringLiteral("请选中日记，而不是日期或菜单"));
            return;
        }
        if (!app::askYesNo(QStringLiteral("确认要删除选中的日记吗？")))
            return;
        // Read again: the selection may have changed while the question was open.
        const std::optional<qint64> id = selectedNode(TreeView_Diary).entryId();
        if (!id)
            throw dao::DaoError(dao::errNoCurrentRecord, QStringLiteral("无当前记录。"));
        app::diaryStore().deleteEntry(*id);
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
        const std::optional<qint64> id = selectedNode(TreeView_Diary).entryId();
        if (!id) {
            ShowNotice(kSelectOneEntry);
            return;
        }
        handover::openEditor(this, handover::EditorTask::change(*id));
    } catch (const std::exception&) {
        // Any failure of the hand-over lands in the check below, which tells the user once.
    }
    // Only looks: a window that is not loaded stays so.
    const Form_Write* editor = forms().loaded<Form_Write>();
    if (!editor || !editor->isVisible())
        ShowNotice(kSelectOneEntry);
}

void Form_View::Command_Find_Click() {
    app::runHandled([this] {
        forms().show<Form_Find>();
        forms().unload(this);
    });
}
