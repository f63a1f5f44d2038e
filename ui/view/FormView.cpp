#include "FormView.h"

#include "DiaryTree.h"
#include "app/Globals.h"
#include "app/SizeLimit.h"

Form_View::Form_View() {
    setObjectName(QStringLiteral("Form_View"));
    setWindowTitle(QStringLiteral("青简录 - 日记查看"));
    resize(800, 500);
}

Form_View::~Form_View() = default;

void Form_View::Form_Load() {
    app::InstallSizeLimit(this);
    fv_RefreshTree();
    setWindowTitle(windowTitle() + QStringLiteral(" - 当前帐号：【") + CurrentUser + QStringLiteral("】"));
}

void Form_View::Form_Unload(bool& cancel) {
    (void)cancel;
    app::RemoveSizeLimit(this);
}

void Form_View::Form_Resize() {}
void Form_View::fv_RefreshTree() {}
void Form_View::TreeView_Diary_MouseDown(int, int, double, double) {}
void Form_View::TreeView_Diary_MouseUp(int, int, double, double) {}
void Form_View::TreeView_Diary_NodeClick(int) {}
void Form_View::PopMenu_Tree_Refresh_Click() {}
void Form_View::PopMenu_Tree_Write_Click() {}
void Form_View::PopMenu_Tree_Delete_Click() {}
void Form_View::PopMenu_Tree_Change_Click() {}
void Form_View::PopMenu_Tree_Find_Click() {}
void Form_View::PopMenu_Tree_Output_Click() {}
void Form_View::PopMenu_Tree_Input_Click() {}
void Form_View::Timer_Update_Timer() {}
void Form_View::clearPane() {}
