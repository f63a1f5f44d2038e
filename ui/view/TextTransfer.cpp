// Text export and import of the main window.
#include "FormView.h"

#include "app/EntryTextFile.h"
#include "app/Notice.h"
#include "platform/FileDialog.h"
#include "ui/HandOver.h"

#include <QTextDocument>

#include <exception>

namespace {
// One file type: text files.
const QString kTextFileFilter = QStringLiteral("*.txt(文本文件) | *.txt");
} // namespace

void Form_View::Command_Output_Click() {
    ExportEntryToText();
}
void Form_View::Command_Input_Click() {
    ImportEntryFromText();
}

void Form_View::ExportEntryToText() {
    const QString name = platform::FileDialog::getSaveFileName(this, kTextFileFilter);
    // A cancelled dialog: nothing to write and nothing to say.
    if (name.isEmpty())
        return;
    // The body as an entry stores it: each line shown ends with CR LF, a lone LF inside a line stays one.
    const entrytextfile::Entry entry{Text_Title->text(), Label_DateWeek->text(), Label_Weather->text(),
                                     entrytextfile::storedTextFromRaw(RichTextBox_DiaryText->document()->toRawText())};
    // The export reports only success: a file that cannot be written completely ends it silently, and the
    // user sees no confirmation.
    if (!entrytextfile::exportToFile(name, entry))
        return;
    ShowNotice(QStringLiteral("导出成功！"));
}

void Form_View::ImportEntryFromText() {
    const QString name = platform::FileDialog::getOpenFileName(this, kTextFileFilter);
    // A cancelled dialog changes nothing; nor does a name that is not a regular file (a named pipe, a device),
    // which the import's silent rule ends at once.
    if (name.isEmpty() || !entrytextfile::isRegularFile(name))
        return;
    try {
        handover::openEditor(this, handover::EditorTask::import(name));
    } catch (const std::exception&) {
        // The import shows no error of its own: without an editor to hand the file to, the main window
        // simply stays open.
    }
}
