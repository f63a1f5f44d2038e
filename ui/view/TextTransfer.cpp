// Text export and import of the main window.
#include "FormView.h"

#include "app/Notice.h"

void Form_View::Command_Output_Click() { ExportEntryToText(); }
void Form_View::Command_Input_Click() { ImportEntryFromText(); }
void Form_View::ExportEntryToText() { ShowNotice(QStringLiteral("导出日记的功能还没有完成。")); }
void Form_View::ImportEntryFromText() { ShowNotice(QStringLiteral("导入日记的功能还没有完成。")); }
