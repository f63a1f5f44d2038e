#pragma once

#include <QTreeView>

// The result list in report view: fixed columns, whole rows selected, nothing edited in place. It reports
// a double-click and a released mouse button over its rows area, as the window's event procedures expect.
class ResultList : public QTreeView {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

signals:
    // A double-click anywhere over the rows area; the window acts on the selected row, not on the point.
    void DblClick();
    // A mouse button was released over the rows area, at this point on the screen.
    void MouseUp(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The first line of a cell's text, which is all that one row of the list can show.
QString firstLineOf(const QString& text);
