#pragma once

// What the window tests share: their set-up, the windows on show, and the main window's reading pane and tree
// nodes.

#include "support/TestSupport.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/Browser.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultList.h"
#include "ui/find/ResultModel.h"
#include "ui/login/FormLogin.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QApplication>
#include <QStringList>
#include <QTest>

#include <memory>

using platform::FileDialog;
using platform::forms;
using platform::MessageBox;

namespace testsupport {

// The set-up a window test calls from its initTestCase, init and cleanup.
class WindowFixture {
protected:
    std::unique_ptr<TempDiary> m_diary;

    // Once per test program: test mode, the control classes the program starts with, and the main window's
    // update call going nowhere.
    static void startWindowTests() {
        enterTestMode();
        InitControlClasses();
        update::setUpdateCallObserverForTests([](quint32, const QString&) {});
    }
    // Before each test: nothing loaded, an empty diary; with a user, that account signed in on it.
    void startWithDiary(const QString& user = {}) {
        resetProgramState();
        m_diary = std::make_unique<TempDiary>();
        if (!user.isEmpty()) {
            DiaryDb = m_diary->open();
            CurrentUser = user;
        }
    }
    // After each test: no window, no program-wide values, no diary, the real browser back.
    void dropDiary() {
        platform::Browser::setFactory(nullptr);
        resetProgramState();
        m_diary.reset();
    }
};

// The reading pane: title, date line, weather, body.
inline QStringList paneTexts(const Form_View* view) {
    return {view->Text_Title->text(), view->Label_DateWeek->text(), view->Label_Weather->text(),
            view->RichTextBox_DiaryText->toPlainText()};
}

// The index of the node with this key; 0 when there is none.
inline int nodeWithKey(const Form_View* view, const QString& key) {
    for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
        if (view->TreeView_Diary->node(i)->hasKey && view->TreeView_Diary->node(i)->key == key)
            return i;
    return 0;
}

inline QStringList nodeTexts(const Form_View* view) {
    QStringList texts;
    for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
        texts << view->TreeView_Diary->node(i)->text;
    return texts;
}

// The windows on show by name, in alphabetical order, then "N loaded" when the loaded windows are not
// exactly those (a window left loaded but hidden, or one on show that is no longer loaded).
inline QStringList windowsOnShow() {
    QStringList names;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<platform::Form*>(window) && window->isVisible())
            names << window->objectName();
    names.sort();
    if (platform::forms().loadedCount() != names.size())
        names << QStringLiteral("%1 loaded").arg(platform::forms().loadedCount());
    return names;
}

// The events of a left click on the node: it is selected and, for an entry, shown in the pane.
inline void leftClickNode(Form_View* view, int node) {
    view->TreeView_Diary_MouseDown(1, 0, 0, 0);
    view->TreeView_Diary->selectNode(node);
    view->TreeView_Diary_NodeClick(node);
    view->TreeView_Diary_MouseUp(1, 0, 0, 0);
}

} // namespace testsupport

using namespace testsupport;
