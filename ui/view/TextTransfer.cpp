// Text export and import of the main window.
#include "FormView.h"

#include "app/Globals.h"
#include "app/Notice.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/TextCodec.h"
#include "ui/write/DiaryTextBox.h"
#include "ui/write/FormWrite.h"

#include <QSaveFile>
#include <QTextDocument>

#include <exception>

namespace {
// One file type: text files.
const QString kTextFileFilter = QStringLiteral("*.txt(文本文件) | *.txt");
const QString kLineEnd = QStringLiteral("\r\n");

// The body box's text as an entry stores it: each line shown ends with CR LF, a lone LF inside a line stays
// one, and every other character is kept as shown (a no-break space included).
QString bodyAsStored(const QPlainTextEdit* body) {
    return DiaryTextBox::storedTextFromRaw(body->document()->toRawText());
}

// The entry text file: four labelled statements, each ended by CR LF.
QString entryFileText(const QString& title, const QString& dateWeek, const QString& weather, const QString& body) {
    return QStringLiteral("标题：") + title + kLineEnd + dateWeek + kLineEnd + QStringLiteral("天气：") + weather +
           kLineEnd + QStringLiteral("内容：") + body + kLineEnd;
}

// Writes the whole file or nothing: the bytes go to a file beside it that replaces the named one only once
// complete, so a failure part-way leaves any earlier file as it was.
bool writeWholeFile(const QString& name, const QByteArray& bytes) {
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
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
    const QString text = entryFileText(Text_Title->text(), Label_DateWeek->text(), Label_Weather->text(),
                                       bodyAsStored(RichTextBox_DiaryText));
    // The export reports only success: a file that cannot be written ends it silently, and the user sees
    // no confirmation.
    if (!writeWholeFile(name, platform::TextCodec::toAnsi(text)))
        return;
    ShowNotice(QStringLiteral("导出成功！"));
}

void Form_View::ImportEntryFromText() {
    const QString name = platform::FileDialog::getOpenFileName(this, kTextFileFilter);
    // A cancelled dialog changes nothing.
    if (name.isEmpty())
        return;
    try {
        ImportFilePath = name;
        platform::forms().show<Form_Write>();
    } catch (const std::exception&) {
        // The import shows no error of its own: without an editor to hand the file to, the main window
        // simply stays open, and no later editor may take the file for a pending import.
        ImportFilePath.clear();
        return;
    }
    platform::forms().unload(this);
}
