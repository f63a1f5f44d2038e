#include "DiaryTree.h"

DiaryTreeView::DiaryTreeView(QWidget* parent) : QTreeView(parent) {}
