#pragma once

#include <QPlainTextEdit>
#include <QString>

// The editor's body box: plain text with a vertical scroll bar. An entry's body is stored with CR LF line
// breaks; the box shows each CR LF as a line of its own and hands the body back exactly as it was stored,
// a lone LF inside a line (which an imported file may carry) included.
class DiaryTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DiaryTextBox(QWidget* parent = nullptr);

    // The body as stored: every line break the user sees is CR LF.
    QString storedText() const;
    void setStoredText(const QString& stored);

    // The two directions of the conversion, for a document's raw text (blocks separated by U+2029, a line
    // break inside a block as U+2028, every other character as typed).
    static QString editorTextFromStored(const QString& stored);
    static QString storedTextFromRaw(const QString& raw);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
