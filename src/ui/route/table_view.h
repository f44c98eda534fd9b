// The route window's tables look alike: a view named for the tests, its last
// column stretched, rows of one height, cells selected, copied and (in the
// alignment's tables) pasted through the clipboard.
#pragma once

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLatin1String>
#include <QTableView>

#include "ui/route/table_clipboard.h"

namespace korvane::ui {

inline QTableView* tableView(const char* name, QAbstractItemModel* model) {
    auto* view = new QTableView;
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setDefaultSectionSize(24);
    enableClipboard(view);
    return view;
}

}  // namespace korvane::ui
