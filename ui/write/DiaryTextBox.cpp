#include "DiaryTextBox.h"

#include <QKeyEvent>
#include <QTextDocument>

DiaryTextBox::DiaryTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QString DiaryTextBox::storedText() const {
    return storedTextFromRaw(document()->toRawText());
}

void DiaryTextBox::setStoredText(const QString& stored) {
    setPlainText(editorTextFromStored(stored));
}

QString DiaryTextBox::editorTextFromStored(const QString& stored) {
    // CR LF (and a lone CR) start a new block when the text is put in; a lone LF would too, so it goes in as
    // a line break inside its block and comes back out as the LF it was.
    QString text = stored;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            text[i] = QChar::LineSeparator;
    return text;
}

QString DiaryTextBox::storedTextFromRaw(const QString& raw) {
    QString stored;
    stored.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator)
            stored.append(QLatin1String("\r\n"));
        else if (c == QChar::LineSeparator)
            stored.append(QLatin1Char('\n'));
        else
            stored.append(c);
    }
    return stored;
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
