// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/FileIcon.h"

#include "toolkit/Artwork.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

#include <sys/stat.h>

namespace corvane {

namespace {

// Desktops without a configured icon theme (a bare X session, the offscreen platform)
// still have the freedesktop themes on disk: their icons stand in for missing ones.
void useInstalledThemeAsFallback()
{
    static const bool once = [] {
        const QString fallback = QIcon::fallbackThemeName();
        if (!fallback.isEmpty() && fallback != QStringLiteral("hicolor"))
            return true;
        for (const QString& base : QIcon::themeSearchPaths())
            if (QFile::exists(base + QStringLiteral("/Adwaita/index.theme"))) {
                QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
                break;
            }
        return true;
    }();
    (void)once;
}

// The bundled picture of the type's family, for when no theme knows the type.
QString bundledKind(const QMimeType& type, bool isDir)
{
    if (isDir)
        return QStringLiteral("folder");
    const QString name = type.name();
    const QString generic = type.genericIconName();
    if (name.startsWith(QStringLiteral("image/")))
        return QStringLiteral("image");
    if (name.startsWith(QStringLiteral("video/")))
        return QStringLiteral("video");
    if (name.startsWith(QStringLiteral("audio/")))
        return QStringLiteral("audio");
    if (generic == QStringLiteral("package-x-generic"))
        return QStringLiteral("archive");
    if (generic == QStringLiteral("x-office-document") || generic == QStringLiteral("x-office-spreadsheet") ||
        generic == QStringLiteral("x-office-presentation") || name == QStringLiteral("application/pdf"))
        return QStringLiteral("document");
    if (generic == QStringLiteral("application-x-executable"))
        return QStringLiteral("program");
    if (name.startsWith(QStringLiteral("text/")) || type.inherits(QStringLiteral("text/plain")))
        return QStringLiteral("text");
    return QStringLiteral("file");
}

} // namespace

QIcon FileIcon::iconForPath(const std::string& path)
{
    static QHash<QString, QIcon> cache;
    struct stat st
    {
    };
    const bool isDir = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    // Keyed by the name's extension: the type lookup runs once per extension, not per file.
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString key = isDir ? QStringLiteral("/") : dot > slash + 1 ? name.mid(dot).toLower() : QString();
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    useInstalledThemeAsFallback();
    static const QMimeDatabase db;
    const QMimeType type = isDir ? db.mimeTypeForName(QStringLiteral("inode/directory"))
                                 : db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(isDir ? QStringLiteral("folder") : type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) {
        const QPixmap bundled = Artwork::image(QStringLiteral("type-%1.png").arg(bundledKind(type, isDir)));
        if (!bundled.isNull())
            icon = QIcon(bundled);
    }
    if (icon.isNull() && qobject_cast<QApplication*>(QCoreApplication::instance()))
        icon = QApplication::style()->standardIcon(isDir ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    cache.insert(key, icon);
    return icon;
}

QIcon FileIcon::iconForName(const QString& name)
{
    if (name.isEmpty())
        return QIcon();
    useInstalledThemeAsFallback();
    return QIcon::fromTheme(name);
}

} // namespace corvane
