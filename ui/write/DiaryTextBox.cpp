#include "DiaryTextBox.h"

#include "app/EntryTextFile.h"

#include <QKeyEvent>
#include <QTextDocument>

DiaryTextBox::DiaryTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QString DiaryTextBox::storedText() const {
    return entrytextfile::storedTextFromRaw(document()->toRawText());
}

void DiaryTextBox::setStoredText(const QString& stored) {
    setPlainText(entrytextfile::editorTextFromStored(stored));
}

void DiaryTextBox::keyPressEvent(QKeyEvent* event) {
    // Shift+Enter would put a line break inside the block; the user means a new line like any other.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (event->modifiers() & Qt::ShiftModifier) &&
        !isReadOnly()) {
        textCursor().insertBlock();
        ensureCursorVisible();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
