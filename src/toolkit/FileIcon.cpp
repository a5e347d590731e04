// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/FileIcon.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

#include <sys/stat.h>

namespace corvane {

QIcon FileIcon::iconForPath(const std::string& path)
{
    static QHash<QString, QIcon> cache;
    struct stat st{};
    const bool isDir = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    // Keyed by the name's extension: the type lookup runs once per extension, not per file.
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString key = isDir ? QStringLiteral("/") : dot > slash + 1 ? name.mid(dot).toLower() : QString();
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QString themeName = QStringLiteral("folder");
    if (!isDir) {
        static QMimeDatabase db;
        themeName = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension).iconName();
    }
    QIcon fallback;
    if (QApplication::instance() && qobject_cast<QApplication*>(QApplication::instance()))
        fallback = QApplication::style()->standardIcon(isDir ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    const QIcon icon = QIcon::fromTheme(themeName, fallback);
    cache.insert(key, icon);
    return icon;
}

} // namespace corvane
