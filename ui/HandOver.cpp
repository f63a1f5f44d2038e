#include "HandOver.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FormRegistry.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

namespace handover {

void openEditor(platform::Form* from, const EditorTask& task) {
    using platform::forms;
    ImportFilePath.clear();
    EditCondition.clear();
    if (task.kind == EditorTask::Kind::Import)
        ImportFilePath = task.filePath;
    else if (task.kind == EditorTask::Kind::Change)
        EditCondition = sql::entryKey(task.entryId);
    try {
        forms().show<Form_Write>();
    } catch (...) {
        // No editor took the hand-over, so nothing would ever empty it: the next editor must not take it.
        ImportFilePath.clear();
        EditCondition.clear();
        throw;
    }
    forms().unload(from);
    forms().unload<Form_View>();
}

} // namespace handover
