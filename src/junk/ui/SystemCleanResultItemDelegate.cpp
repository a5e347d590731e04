// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/ui/SystemCleanResultItemDelegate.h"

#include "junk/engine/SystemCleanResultModel.h"
#include "platform/FileChecks.h"

#include <QApplication>
#include <QFile>
#include <QMimeDatabase>
#include <QStyle>

namespace corvane {

SystemCleanResultItemDelegate::SystemCleanResultItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void SystemCleanResultItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool isItem = index.data(SystemCleanResultModel::IsItemRole).toBool();
    switch (index.column()) {
    case SystemCleanResultModel::NameColumn:
        if (isItem) {
            option->icon = iconFor(index.data(SystemCleanResultModel::PathBytesRole).toByteArray(), option->widget);
            option->features |= QStyleOptionViewItem::HasDecoration;
        } else {
            option->font.setBold(true);
            option->fontMetrics = QFontMetrics(option->font);
        }
        break;
    case SystemCleanResultModel::OpenColumn:
        if (isItem)
            option->palette.setColor(QPalette::Text, QColor(45, 140, 240));
        break;
    default:
        break;
    }
}

QIcon SystemCleanResultItemDelegate::iconFor(const QByteArray& path, const QWidget* widget) const
{
    if (auto known = m_pathIcons.constFind(path); known != m_pathIcons.constEnd())
        return *known;
    static const QMimeDatabase mimes;
    const bool isDirectory = FileChecks::isDirectory(path.toStdString());
    const QMimeType type = isDirectory ? mimes.mimeTypeForName(QStringLiteral("inode/directory"))
                                       : mimes.mimeTypeForFile(QFile::decodeName(path), QMimeDatabase::MatchExtension);
    auto it = m_icons.find(type.name());
    if (it == m_icons.end()) {
        QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (icon.isNull()) {
            const QStyle* style = widget ? widget->style() : QApplication::style();
            icon = style->standardIcon(isDirectory ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
        }
        it = m_icons.insert(type.name(), icon);
    }
    m_pathIcons.insert(path, *it);
    return *it;
}

} // namespace corvane
