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
    QString key;
    QString themeName;
    if (isDir) {
        key = QStringLiteral("inode/directory");
        themeName = QStringLiteral("folder");
    } else {
        static QMimeDatabase db;
        const QMimeType type =
            db.mimeTypeForFile(QFile::decodeName(QByteArray::fromStdString(path)), QMimeDatabase::MatchExtension);
        key = type.name();
        themeName = type.iconName();
    }
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QIcon fallback;
    if (QApplication::instance() && qobject_cast<QApplication*>(QApplication::instance()))
        fallback = QApplication::style()->standardIcon(isDir ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    const QIcon icon = QIcon::fromTheme(themeName, fallback);
    cache.insert(key, icon);
    return icon;
}

} // namespace corvane
