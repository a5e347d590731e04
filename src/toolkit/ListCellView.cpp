// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ListCellView.h"

#include "toolkit/Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace corvane {

ListCellView::ListCellView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ChildrenCellView"));
    setFixedHeight(kRowHeight);
    // The outline underneath does the selecting; the cell only draws.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(26, 0, 8, 0);
    layout->setSpacing(10);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(24, 24);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    QFont font = m_title->font();
    font.setPixelSize(14);
    m_title->setFont(font);
    layout->addWidget(m_icon);
    layout->addWidget(m_title, 1);
}

void ListCellView::setNode(const ChildNode& node)
{
    m_node = node;
    QPixmap icon = Artwork::image(node.imageName);
    m_icon->setPixmap(icon);
    m_title->setText(node.title);
    const bool selected = !node.selectImageName.isEmpty();
    m_title->setStyleSheet(selected ? QStringLiteral("color: rgb(0,136,216); font-weight: bold;")
                                    : QStringLiteral("color: rgb(68,68,68);"));
    update();
}

QString ListCellView::title() const
{
    return m_title->text();
}

void ListCellView::paintEvent(QPaintEvent*)
{
    if (m_node.selectImageName.isEmpty())
        return;
    const QPixmap background = Artwork::image(m_node.selectImageName);
    if (!background.isNull()) {
        QPainter p(this);
        p.drawPixmap(rect(), background);
    }
}

} // namespace corvane
