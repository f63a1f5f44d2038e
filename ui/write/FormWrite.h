#pragma once

#include "app/DiaryEntry.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "ui/write/DiaryTextBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The entry editor: writes a new entry, changes one, or finishes an imported one. The opener sets
// ImportFilePath or EditCondition (or neither), shows the editor and unloads itself; the editor reads them
// once when it loads, empties both when it unloads and always brings the main window back.
class Form_Write : public platform::Form {
    Q_OBJECT
public:
    // Decided once at load; the import path wins over the change condition.
    enum class Mode { New, Import, Change };

    Form_Write();

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Event procedures.
    void Command_Insert_Click();
    void Command_Reset_Click();
    void Command_Cancel_Click();

    // Send the statement, show the main window and unload the editor. They return false, with the
    // editor still open and nothing typed lost, when the entry could not be stored.
    bool SaveNewEntry();
    bool SaveChangedEntry();

    Mode mode() const { return m_mode; }

    // Controls.
    platform::Browser* WebBrowser_Ad = nullptr; // made by the first step of the load
    QLabel* Label_DiaryTitle;
    QLineEdit* Text_DiaryTitle;
    QLabel* Label_DiaryWeather;
    QComboBox* Combo_DiaryWeather;
    QLabel* Label_DiaryText;
    QLabel* Label_DiaryDate;
    QLineEdit* Text_DiaryDate;
    QLabel* Label_DiaryWeek;
    DiaryTextBox* RichTextBox_DiaryText;
    QPushButton* Command_Insert;
    QPushButton* Command_Reset;
    QPushButton* Command_Cancel;

private:
    void loadImportedFile();
    void loadStoredEntry();
    // The entry as the editor shows it, owned by the signed-in account; in Change mode with the id loaded.
    DiaryEntry typedEntry() const;
    // Stores the entry as a new one or over the stored one with its id, and returns how many records that
    // changed, or -1 after telling the user why it failed; either way nothing typed is touched.
    qint64 store(const DiaryEntry& entry, bool change);
    void showMainWindowAndUnload();
    static void showSaveFailure(int number, const QString& description);

    Mode m_mode = Mode::New;
    // The entry being changed (Change mode).
    qint64 m_entryId = 0;
};
