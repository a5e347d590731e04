// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/PlaceholderScreen.h"

#include "shell/SidebarModel.h"
#include "toolkit/Artwork.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvane {

PlaceholderScreen::PlaceholderScreen(int pindex, QWidget* parent)
    : QWidget(parent)
    , m_pindex(pindex)
{
    setObjectName(QStringLiteral("PlaceholderScreen"));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    auto* picture = new QLabel(this);
    picture->setAlignment(Qt::AlignCenter);
    const QPixmap image = Artwork::image(SidebarModel::imageForPindex(pindex));
    if (!image.isNull())
        picture->setPixmap(image.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    layout->addWidget(picture);
    auto* title = new QLabel(SidebarModel::titleForPindex(pindex), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignCenter);
    QFont font = title->font();
    font.setPixelSize(22);
    title->setFont(font);
    title->setStyleSheet(QStringLiteral("color: rgb(68,68,68);"));
    layout->addWidget(title);
    layout->addStretch(3);
}

QString PlaceholderScreen::title() const
{
    return findChild<QLabel*>(QStringLiteral("title"))->text();
}

} // namespace corvane
