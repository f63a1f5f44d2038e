#pragma once

#include <QTreeView>

// The diary tree control (being built).
class DiaryTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit DiaryTreeView(QWidget* parent = nullptr);
};
