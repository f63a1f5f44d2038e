#pragma once

// The hand-over between the working windows: what the editor is opened for, and the one way it is opened.

#include <QString>

namespace platform {
class Form;
}

namespace handover {

// What the editor is to do: write a new entry, change a stored one, or finish one imported from a file.
struct EditorTask {
    enum class Kind { New, Change, Import };
    Kind kind = Kind::New;
    qint64 entryId = 0; // Change
    QString filePath;   // Import

    static EditorTask newEntry() { return {}; }
    static EditorTask change(qint64 id) { return {Kind::Change, id, {}}; }
    static EditorTask import(const QString& path) { return {Kind::Import, 0, path}; }
};

// Hands the task to the editor (EditCondition or ImportFilePath), shows it, then unloads the window the user
// came from and, when that was not the main window, the main window too: while the editor is open, it is the
// only working window. When the editor cannot be opened, nothing handed over stays behind (both texts are
// empty again), from stays open as it was, and the failure goes on to the caller, whose own rule reports it.
void openEditor(platform::Form* from, const EditorTask& task);

} // namespace handover
