// The route window's tables look alike: a view named for the tests, its last
// column stretched, rows of one height, one cell chosen at a time.
#pragma once

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLatin1String>
#include <QTableView>

namespace korvane::ui {

inline QTableView* tableView(const char* name, QAbstractItemModel* model) {
    auto* view = new QTableView;
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setDefaultSectionSize(24);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return view;
}

}  // namespace korvane::ui
