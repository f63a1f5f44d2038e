// New, delete, change and search: the main window's verbs on the diary.
#include "FormView.h"

#include "app/Notice.h"

void Form_View::Command_Insert_Click() { ShowNotice(QStringLiteral("写新日记的功能还没有完成。")); }
void Form_View::Command_Delete_Click() { ShowNotice(QStringLiteral("删除日记的功能还没有完成。")); }
void Form_View::Command_Updata_Click() { ShowNotice(QStringLiteral("修改日记的功能还没有完成。")); }
void Form_View::Command_Find_Click() { ShowNotice(QStringLiteral("查询日记的功能还没有完成。")); }
