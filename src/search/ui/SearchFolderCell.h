// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchFolderRow.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace corvane {

// The folder row of the duplicate-file and large-file screens: the path's icon, its name,
// under it the file the search is looking at (or "完成", or the path itself before a
// run), a busy indicator while the search runs for it, and the button that removes it.
class SearchFolderCell : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 56;

    explicit SearchFolderCell(QWidget* parent = nullptr);

    void setObject(const SearchFolderRow& object);
    void setRemovable(bool removable);

    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }
    QPushButton* removeButton() const { return m_remove; }
    bool busy() const;

signals:
    void removeClicked();

private:
    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QProgressBar* m_busy = nullptr;
    QPushButton* m_remove = nullptr;
};

} // namespace corvane
