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

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
