#pragma once

// What the window tests share about the main window: its reading pane and its tree's nodes.

#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"

#include <QStringList>

namespace testsupport {

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

// The events of a left click on the node: it is selected and, for an entry, shown in the pane.
inline void leftClickNode(Form_View* view, int node) {
    view->TreeView_Diary_MouseDown(1, 0, 0, 0);
    view->TreeView_Diary->selectNode(node);
    view->TreeView_Diary_NodeClick(node);
    view->TreeView_Diary_MouseUp(1, 0, 0, 0);
}

} // namespace testsupport
