#pragma once

#include "ViewLayout.h"
#include "app/BannerPage.h"
#include "app/DiaryStore.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <memory>

class DiaryTreeView;

// The main window: the diary tree, the reading pane, the entry commands and the banner.
//
// Its implementation is split by responsibility:
//   FormView.cpp       controls, load/unload, tree mouse handling, node click, pop-up menu, resize
//   DiaryTree.*        the tree control and the tree rebuild
//   ViewLayout.*       the resize arithmetic (pure)
//   EntryCommands.cpp  new, delete, change and search commands
//   TextTransfer.cpp   text export and import
class Form_View : public platform::Form {
    Q_OBJECT
public:
    Form_View();
    ~Form_View() override;

    // Brings the main window back when another window closes: false when it cannot be opened (the failure
    // has been shown), and the closing window should then stay rather than leave the user with none.
    static bool ShowAgain();

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    void Form_Resize();

    // Rebuilds the diary tree from the database. Never fails to its caller and shows nothing.
    void fv_RefreshTree();

    // Tree events. button: 1 left, 2 right, 4 middle.
    void TreeView_Diary_MouseDown(int button, int shift, double x, double y);
    void TreeView_Diary_MouseUp(int button, int shift, double x, double y);
    void TreeView_Diary_NodeClick(int nodeIndex);

    // Entry commands.
    void Command_Insert_Click();
    void Command_Delete_Click();
    void Command_Updata_Click();
    void Command_Find_Click();
    void Command_Output_Click();
    void Command_Input_Click();

    // Text export and import.
    void ExportEntryToText();
    void ImportEntryFromText();

    // Pop-up menu items.
    void PopMenu_Tree_Refresh_Click();
    void PopMenu_Tree_Write_Click();
    void PopMenu_Tree_Delete_Click();
    void PopMenu_Tree_Change_Click();
    void PopMenu_Tree_Find_Click();
    void PopMenu_Tree_Output_Click();
    void PopMenu_Tree_Input_Click();

    void Timer_Update_Timer();

    // Controls.
    DiaryTreeView* TreeView_Diary = nullptr;
    QPushButton* Command_Insert = nullptr;
    QPushButton* Command_Updata = nullptr;
    QPushButton* Command_Output = nullptr;
    QPushButton* Command_Delete = nullptr;
    QPushButton* Command_Find = nullptr;
    QPushButton* Command_Input = nullptr;
    QFrame* Line_Spilt = nullptr;
    QLabel* Label_Title = nullptr;
    QLineEdit* Text_Title = nullptr;
    QLabel* Label_WeatherL = nullptr;
    QLineEdit* Label_Weather = nullptr;
    QLineEdit* Label_DateWeek = nullptr;
    QPlainTextEdit* RichTextBox_DiaryText = nullptr;
    platform::Browser* WebBrowser_Ad = nullptr;
    QTimer* Timer_Update = nullptr;
    QMenu* PopMenu_Tree = nullptr;
    QAction* PopMenu_Tree_Refresh = nullptr;
    QAction* PopMenu_Tree_Write = nullptr;
    QAction* PopMenu_Tree_Delete = nullptr;
    QAction* PopMenu_Tree_Change = nullptr;
    QAction* PopMenu_Tree_Find = nullptr;
    QAction* PopMenu_Tree_Output = nullptr;
    QAction* PopMenu_Tree_Input = nullptr;

    // The mouse button of the most recent press on the tree; 0 until the first press.
    int LastTreeButton = 0;
    // The window's current result: the tree query's entries, or the shown entry.
    app::EntrySet ViewRecords;

    // What the banner's own page shows: the figures of this load's tree, the character total once counted.
    const app::BannerData& bannerData() const { return m_banner; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createControls();
    void createPopupMenu();
    void connectEvents();
    void placeControls();
    // The window's outer size in twips, frame and caption included.
    QSizeF outerSizeInTwips() const;
    void showEntry(qint64 id);
    void clearPane();
    // The banner's own page from the tree just read; the character total is counted on another thread and
    // put on the page when it comes.
    void prepareBanner();
    void showBanner();

    // The controls' geometry in twips as the resize last left it (fractions kept; pixels are derived).
    viewlayout::Geometry m_geometry;
    // The entries the tree was last built from.
    app::EntrySet m_treeEntries;
    app::BannerData m_banner;
};
