// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchResultTreeModel.h"

#include "platform/DisplayText.h"

#include <QFile>

namespace corvane {

namespace {

// Group rows carry 0 as their internal id; file rows carry their group's key.
constexpr quintptr kGroupRow = 0;

QString decoded(const std::string& bytes)
{
    return DisplayText::forName(bytes);
}

} // namespace

SearchResultTreeModel::SearchResultTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

QModelIndex SearchResultTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < groupCount() ? createIndex(row, column, kGroupRow) : QModelIndex();
    if (parent.internalId() != kGroupRow || parent.column() != 0 || row >= fileCount(parent.row()))
        return {};
    return createIndex(row, column, quintptr(groupKey(parent.row())));
}

QModelIndex SearchResultTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == kGroupRow)
        return {};
    const int group = groupPosition(child.internalId());
    return group < 0 ? QModelIndex() : createIndex(group, 0, kGroupRow);
}

int SearchResultTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return groupCount();
    if (parent.internalId() != kGroupRow || parent.column() != 0)
        return 0;
    return fileCount(parent.row());
}

int SearchResultTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant SearchResultTreeModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int column = index.column();
    if (index.internalId() == kGroupRow) {
        if (role == GroupRowRole)
            return true;
        if (role != Qt::DisplayRole && role != FilePathRole)
            return {};
        const GroupRow group = groupRow(index.row());
        if (role == FilePathRole)
            return column == NameColumn && !group.iconPath.empty() ? QVariant(QByteArray::fromStdString(group.iconPath))
                                                                   : QVariant();
        switch (column) {
        case NameColumn:
            return group.name;
        case PathColumn:
            return group.path;
        case InfoColumn:
            return group.info;
        case NoteColumn:
            return group.note;
        default:
            return {};
        }
    }

    const int group = groupPosition(index.internalId());
    if (group < 0)
        return {};
    if (role == GroupRowRole)
        return false;
    const FileRow& row = describedRow(index.internalId(), group, index.row());
    switch (role) {
    case FileIdRole:
        return QVariant::fromValue<quint64>(row.id);
    case FilePathRole:
        return QByteArray::fromStdString(row.filePath);
    case DeletableRole:
        return row.deletable;
    case Qt::CheckStateRole:
        return column == NameColumn ? QVariant(row.checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case ToneRole:
        switch (column) {
        case NoteColumn:
            return QVariant::fromValue(row.noteWarns ? Tone::Warn : Tone::Quiet);
        case OpenColumn:
            return QVariant::fromValue(Tone::Link);
        case DeleteColumn:
            return QVariant::fromValue(Tone::Warn);
        default:
            return QVariant::fromValue(Tone::Plain);
        }
    case Qt::ToolTipRole:
        if (column == NameColumn || column == PathColumn)
            return decoded(row.filePath);
        if (column == NoteColumn)
            return row.note;
        return {};
    case Qt::DisplayRole:
        switch (column) {
        case NameColumn:
            return row.name;
        case PathColumn:
            return row.shownPath;
        case InfoColumn:
            return row.info;
        case NoteColumn:
            return row.note;
        case OpenColumn:
            return tr("打开");
        case DeleteColumn:
            return row.deletable ? tr("删除") : QString();
        default:
            return {};
        }
    default:
        return {};
    }
}

bool SearchResultTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        index.internalId() == kGroupRow || index.column() != NameColumn || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    fileChecked(index.data(FileIdRole).toULongLong(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags SearchResultTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (index.internalId() == kGroupRow || index.column() != NameColumn)
        return flags;
    const int group = groupPosition(index.internalId());
    if (group >= 0 && describedRow(index.internalId(), group, index.row()).checkable)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QModelIndex SearchResultTreeModel::indexOfFile(uint64_t id, int column) const
{
    const auto where = locateFile(id);
    if (!where)
        return {};
    const int group = groupPosition(where->first);
    if (group < 0)
        return {};
    return index(where->second, column, index(group, 0));
}

const SearchResultTreeModel::FileRow& SearchResultTreeModel::describedRow(uint64_t groupKey, int group, int file) const
{
    if (!m_described || m_described->groupKey != groupKey || m_described->file != file)
        m_described = Described{groupKey, file, fileRow(group, file)};
    return m_described->row;
}

int SearchResultTreeModel::groupPosition(uint64_t key) const
{
    auto it = m_groupPositions.find(key);
    return it == m_groupPositions.end() ? -1 : it->second;
}

void SearchResultTreeModel::indexGroups()
{
    m_groupPositions.clear();
    const int count = groupCount();
    m_groupPositions.reserve(size_t(count));
    for (int g = 0; g < count; ++g)
        m_groupPositions[groupKey(g)] = g;
}

void SearchResultTreeModel::resetGroups(const std::function<void()>& rebuild)
{
    forgetDescribedRow();
    beginResetModel();
    rebuild();
    indexGroups();
    endResetModel();
}

void SearchResultTreeModel::reorderGroups(const std::function<void()>& reorder)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    // Group rows are followed by key; file rows keep their key and their position.
    std::vector<uint64_t> keys;
    keys.reserve(size_t(before.size()));
    for (const QModelIndex& i : before)
        keys.push_back(i.internalId() == kGroupRow ? groupKey(i.row()) : 0);
    reorder();
    forgetDescribedRow();
    indexGroups();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(keys[size_t(i)] ? createIndex(groupPosition(keys[size_t(i)]), before[i].column(), kGroupRow)
                                        : before[i]);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SearchResultTreeModel::removeFileRow(int group, int file, const std::function<void()>& erase)
{
    beginRemoveRows(index(group, 0), file, file);
    erase();
    forgetDescribedRow();
    endRemoveRows();
}

void SearchResultTreeModel::removeGroupRow(int group, const std::function<void()>& erase)
{
    beginRemoveRows({}, group, group);
    erase();
    forgetDescribedRow();
    indexGroups();
    endRemoveRows();
}

void SearchResultTreeModel::fileRowChanged(uint64_t id)
{
    forgetDescribedRow();
    const QModelIndex first = indexOfFile(id, 0);
    if (first.isValid())
        emit dataChanged(first, first.siblingAtColumn(ColumnCount - 1));
}

void SearchResultTreeModel::groupRowChanged(int group)
{
    forgetDescribedRow();
    if (group < 0 || group >= groupCount())
        return;
    emit dataChanged(index(group, 0), index(group, ColumnCount - 1));
}

} // namespace corvane
