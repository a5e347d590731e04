// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Artwork.h"

#include <QFile>
#include <QPixmapCache>

namespace corvane {

QString Artwork::resourcePath(const QString& name)
{
    return QStringLiteral(":/images/") + name;
}

bool Artwork::exists(const QString& name)
{
    return !name.isEmpty() && QFile::exists(resourcePath(name));
}

QPixmap Artwork::image(const QString& name)
{
    if (name.isEmpty())
        return {};
    const QString key = QStringLiteral("corvane:") + name;
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    if (!pixmap.load(resourcePath(name)))
        return {};
    // The images are drawn at twice their shown size, so they stay sharp on dense screens.
    pixmap.setDevicePixelRatio(2.0);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon Artwork::icon(const QString& name)
{
    const QPixmap pixmap = image(name);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

} // namespace corvane
