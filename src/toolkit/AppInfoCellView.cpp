// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/AppInfoCellView.h"

#include "toolkit/FileIcon.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace corvane {

namespace {

constexpr int kMargin = 10;
constexpr int kCheckSide = 18;
constexpr int kIconSide = 32;
constexpr int kSizeWidth = 84;
constexpr int kRevealSide = 24;

const QColor kGrey(128, 128, 128);
const QColor kWarn(200, 60, 40);

QIcon revealIcon()
{
    static const QIcon icon = [] {
        QIcon i = QIcon::fromTheme(QStringLiteral("system-search"));
        if (i.isNull())
            i = QIcon::fromTheme(QStringLiteral("folder-open"));
        if (i.isNull())
            i = QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
        return i;
    }();
    return icon;
}

} // namespace

AppInfoCellView::AppInfoCellView(Roles roles, QObject* parent) : QStyledItemDelegate(parent), m_roles(roles) {}

AppInfoCellView::Geometry AppInfoCellView::geometry(const QRect& row)
{
    Geometry g;
    const int mid = row.center().y();
    g.check = QRect(row.left() + kMargin, mid - kCheckSide / 2, kCheckSide, kCheckSide);
    g.icon = QRect(g.check.right() + 1 + kMargin, mid - kIconSide / 2, kIconSide, kIconSide);
    g.reveal = QRect(row.right() - kMargin - kRevealSide + 1, mid - kRevealSide / 2, kRevealSide, kRevealSide);
    g.size = QRect(g.reveal.left() - kMargin - kSizeWidth, row.top(), kSizeWidth, row.height());
    g.text = QRect(g.icon.right() + 1 + kMargin, row.top() + 4, g.size.left() - g.icon.right() - 2 * kMargin,
                   row.height() - 8);
    return g;
}

void AppInfoCellView::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    const Geometry g = geometry(option.rect);
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();

    QStyleOptionButton box;
    box.rect = g.check;
    box.state = QStyle::State_Enabled;
    const bool enabled = index.flags() & Qt::ItemIsUserCheckable;
    if (!enabled)
        box.state &= ~QStyle::State_Enabled;
    box.state |= index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked ? QStyle::State_On
                                                                                        : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, option.widget);

    const QByteArray path = index.data(m_roles.path).toByteArray();
    FileIcon::iconForPath(path.toStdString()).paint(painter, g.icon);

    // The folder line is set at 11 points under a name at the size of the list's own text,
    // which on most desktops is smaller than that: the name is raised so it leads.
    QFont nameFont = option.font;
    QFont folderFont = option.font;
    folderFont.setPointSize(11);
    nameFont.setPointSizeF(std::max(nameFont.pointSizeF(), 13.0));
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics folderMetrics(folderFont);
    const int lineGap = 2;
    const int top = g.text.center().y() - (nameMetrics.height() + lineGap + folderMetrics.height()) / 2;
    const QRect nameRect(g.text.left(), top, g.text.width(), nameMetrics.height());
    const QRect folderRect(g.text.left(), nameRect.bottom() + 1 + lineGap, g.text.width(), folderMetrics.height());

    painter->setFont(nameFont);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, nameRect.width()));

    painter->setFont(folderFont);
    QRect rest = folderRect;
    const QString note = index.data(m_roles.note).toString();
    if (!note.isEmpty()) {
        const QString shown = folderMetrics.elidedText(note, Qt::ElideRight, rest.width());
        painter->setPen(kWarn);
        painter->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter, shown);
        rest.setLeft(rest.left() + folderMetrics.horizontalAdvance(shown) + 8);
    }
    painter->setPen(kGrey);
    // The folder nearest the file says most: a long folder loses its start.
    painter->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter,
                      folderMetrics.elidedText(index.data(m_roles.folderLine).toString(), Qt::ElideLeft,
                                               std::max(0, rest.width())));

    painter->setFont(nameFont);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(g.size, Qt::AlignRight | Qt::AlignVCenter, index.data(m_roles.sizeText).toString());

    revealIcon().paint(painter, g.reveal);
    painter->restore();
}

QSize AppInfoCellView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    return QSize(option.rect.width() > 0 ? option.rect.width() : 400, kRowHeight);
}

bool AppInfoCellView::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const Geometry g = geometry(option.rect);
    const QPoint at = mouse->position().toPoint();
    if (g.check.adjusted(-4, -4, 4, 4).contains(at)) {
        if (!(index.flags() & Qt::ItemIsUserCheckable))
            return true;
        const bool on = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
        model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return true;
    }
    if (g.reveal.contains(at)) {
        emit revealRequested(index);
        return true;
    }
    return false;
}

} // namespace corvane
