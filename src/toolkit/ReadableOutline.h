// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QTreeView>

#include <functional>
#include <map>
#include <optional>

namespace corvane {

// The tree view of a result list, made to stay readable in a narrow window: the name
// column stretches and keeps a fair share of the width, every other column is as wide as
// what it shows needs, up to its cap, and shrinks before the name does. Texts that do not
// fit are shortened where they say least: names in the middle (both ends of a file name
// tell files apart), paths at the start (the folder nearest the file matters most).
//
// What a row looks like beyond its text comes from the screen: an icon, a colour and bold
// type per cell, through the providers.
class ReadableOutline : public QTreeView
{
    Q_OBJECT

public:
    struct ColumnRule
    {
        Qt::TextElideMode elide = Qt::ElideRight;
        int maxWidth = 0;      // pixels; 0 for no cap
        double maxShare = 0.0; // of the view's width; 0 for no cap
    };

    explicit ReadableOutline(QWidget* parent = nullptr);

    // The column that stretches and elides in the middle; it keeps what its texts need, up
    // to `minShare` of the width, while the other columns can give way.
    void setNameColumn(int column, double minShare = 0.4);
    void setColumnRule(int column, ColumnRule rule);
    void setRowHeight(int height);
    void setIconProvider(std::function<QIcon(const QModelIndex&)> provider);
    void setColourProvider(std::function<std::optional<QColor>(const QModelIndex&)> provider);
    void setBoldProvider(std::function<bool(const QModelIndex&)> provider);

    void setModel(QAbstractItemModel* model) override;

    // The look of the screens' flat lists: rows of `rowHeight` with 32-pixel icons, no
    // tree, no selection, a fixed header of grey left-aligned titles, white with rounded
    // corners of `radius`.
    void styleAsList(int rowHeight, int radius);

    // The cell's text as it is drawn now, shortened to its column.
    QString shownText(const QModelIndex& index) const;
    // Sizes the columns to the rows in view (not the whole list) and the view's width.
    void fitColumns();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class RowDelegate;
    friend class RowDelegate;

    Qt::TextElideMode elideModeFor(int column) const;
    void fitSoon();

    int m_nameColumn = 0;
    double m_nameShare = 0.4;
    int m_rowHeight = 32;
    std::map<int, ColumnRule> m_rules;
    std::function<QIcon(const QModelIndex&)> m_icon;
    std::function<std::optional<QColor>(const QModelIndex&)> m_colour;
    std::function<bool(const QModelIndex&)> m_bold;
    RowDelegate* m_delegate = nullptr;
    bool m_fitPending = false;
};

} // namespace corvane
