// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTest>
#include <QTreeWidget>

namespace corvane::test {

// The sidebar row of a screen, found by the screen's number (the row's Qt::UserRole + 1).
inline QTreeWidgetItem* sidebarItem(QTreeWidget* outline, int pindex)
{
    for (int g = 0; g < outline->topLevelItemCount(); ++g)
        for (int c = 0; c < outline->topLevelItem(g)->childCount(); ++c)
            if (outline->topLevelItem(g)->child(c)->data(0, Qt::UserRole + 1).toInt() == pindex)
                return outline->topLevelItem(g)->child(c);
    return nullptr;
}

// A click in the middle of a sidebar row, as a person makes it.
inline void clickRow(QTreeWidget* outline, QTreeWidgetItem* item)
{
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualItemRect(item).center());
}

} // namespace corvane::test
