// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ParentCellView.h"

#include "toolkit/Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace corvane {

ParentCellView::ParentCellView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ParentCellView"));
    setFixedHeight(kRowHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 8, 0);
    layout->setSpacing(6);
    m_indicator = new QLabel(this);
    m_indicator->setFixedSize(10, 10);
    m_indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = m_title->font();
    font.setPixelSize(12);
    m_title->setFont(font);
    m_title->setStyleSheet(QStringLiteral("color: rgb(140,140,140);"));
    m_expand = new QPushButton(this);
    m_expand->setObjectName(QStringLiteral("expandButton"));
    m_expand->setFlat(true);
    m_expand->setFixedSize(16, 16);
    m_expand->setIconSize(QSize(10, 10));
    m_expand->setFocusPolicy(Qt::NoFocus);
    m_expand->setCursor(Qt::PointingHandCursor);
    m_expand->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    layout->addWidget(m_indicator, 0, Qt::AlignVCenter);
    layout->addWidget(m_title, 1, Qt::AlignVCenter);
    layout->addWidget(m_expand, 0, Qt::AlignVCenter);
}

void ParentCellView::setNode(const BaseNode& node, const QString& indicatorImage)
{
    m_title->setText(node.title);
    m_indicator->setPixmap(Artwork::image(indicatorImage));
}

QString ParentCellView::title() const
{
    return m_title->text();
}

void ParentCellView::setExpandImage(const QString& imageName)
{
    m_expandImage = imageName;
    m_expand->setIcon(Artwork::icon(imageName));
}

} // namespace corvane
