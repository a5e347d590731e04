// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

namespace corvane {

// The row of a leftover list, drawn rather than built from widgets so that a list of a
// hundred thousand files costs nothing until rows come into view: a check box, the
// entry's icon, its name over its folder (grey, smaller), its size and a reveal button.
// A note (why the entry stayed) takes the head of the second line, in red.
//
// The model gives the texts through the roles named here; the check box is the item's
// Qt::CheckStateRole and is set through the model, so the model decides what a tick means.
class AppInfoCellView : public QStyledItemDelegate
{
    Q_OBJECT

public:
    struct Roles
    {
        int path;       // QByteArray: the entry's bytes, for its icon
        int folderLine; // QString
        int sizeText;   // QString
        int note;       // QString, empty for none
    };

    static constexpr int kRowHeight = 48;

    AppInfoCellView(Roles roles, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Where the parts of a row lie, for drawing, clicks and tests.
    struct Geometry
    {
        QRect check;
        QRect icon;
        QRect text;
        QRect size;
        QRect reveal;
    };
    static Geometry geometry(const QRect& row);

signals:
    void revealRequested(const QModelIndex& index);

private:
    Roles m_roles;
};

} // namespace corvane
