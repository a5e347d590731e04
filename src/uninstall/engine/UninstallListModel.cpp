// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/UninstallListModel.h"

#include "platform/DisplayText.h"

namespace corvane {

UninstallListModel::UninstallListModel(Kind kind, QObject* parent) : QAbstractTableModel(parent), m_kind(kind) {}

bool UninstallListModel::showsColumn(int column) const
{
    switch (column) {
    case DateColumn:
        return m_kind == Kind::Applications;
    case VersionColumn:
        return m_kind != Kind::PreferencePanes;
    case NameColumn:
    case SizeColumn:
    case NoteColumn:
    case ActionColumn:
        return true;
    default:
        return false;
    }
}

void UninstallListModel::append(UninstallRecord record)
{
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(std::move(record));
    endInsertRows();
}

void UninstallListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int UninstallListModel::rowOf(const std::string& path) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].filePath == path)
            return int(i);
    return -1;
}

bool UninstallListModel::removePath(const std::string& path)
{
    const int row = rowOf(path);
    if (row < 0)
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    return true;
}

void UninstallListModel::setNote(const std::string& path, const QString& note)
{
    const int row = rowOf(path);
    if (row < 0 || m_rows[size_t(row)].note == note)
        return;
    m_rows[size_t(row)].note = note;
    emit dataChanged(index(row, NoteColumn), index(row, NoteColumn));
}

int UninstallListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UninstallListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString UninstallListModel::cellText(const UninstallRecord& record, int column) const
{
    switch (column) {
    case NameColumn:
        return record.bundleName;
    case DateColumn:
        return tr("安装日期:%1").arg(record.bundleDateAdded);
    case VersionColumn:
        // Plug-in files carry no version; only the applications always say one.
        return record.bundleVersion.isEmpty() ? QString() : tr("版本:%1").arg(record.bundleVersion);
    case SizeColumn:
        return tr("大小:%1").arg(record.bundleSize);
    case NoteColumn:
        return record.note;
    default:
        return QString();
    }
}

QVariant UninstallListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || !showsColumn(index.column()))
        return QVariant();
    const UninstallRecord& record = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return cellText(record, index.column());
    case Qt::ToolTipRole:
        if (index.column() == NameColumn)
            return DisplayText::forName(record.filePath);
        if (index.column() == NoteColumn && !record.note.isEmpty())
            return record.note;
        return QVariant();
    case FilePathRole:
        return QByteArray::fromStdString(record.filePath);
    default:
        return QVariant();
    }
}

QVariant UninstallListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        switch (m_kind) {
        case Kind::Applications:
            return tr("应用名称");
        case Kind::PlugIns:
            return tr("插件名称");
        case Kind::PreferencePanes:
            return tr("配置文件名称");
        }
        return QString();
    case VersionColumn:
        return m_kind == Kind::Applications ? tr("版本") : QString();
    case SizeColumn:
        return tr("大小");
    default:
        return QString();
    }
}

Qt::ItemFlags UninstallListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace corvane
