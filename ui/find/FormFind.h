#pragma once

#include "app/DiaryStore.h"
#include "platform/FormRegistry.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

class ResultList;
class ResultModel;

// The search window: finds the signed-in user's entries by one chosen field and opens a hit in the editor.
class Form_Find : public platform::Form {
    Q_OBJECT
public:
    Form_Find();
    ~Form_Find() override;

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    void Form_Resize();

    // Event procedures.
    void Command_Find_Click();
    void ListView_Result_DblClick();
    void ListView_Result_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    void PopMenu_List_Clear_Click();

    // Controls.
    QComboBox* Combo_KeyWords = nullptr;
    QLineEdit* Text_KeyWords = nullptr;
    QPushButton* Command_Find = nullptr;
    ResultList* ListView_Result = nullptr;
    QMenu* PopMenu_List = nullptr;
    QAction* PopMenu_List_Clear = nullptr;

    // The rows of ListView_Result.
    ResultModel* results() const { return m_results; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static void keepPainting();

    ResultModel* m_results = nullptr;
    // The entries of the last search, kept until the next search or until the window closes.
    app::EntrySet m_found;
    bool m_searching = false;
};
