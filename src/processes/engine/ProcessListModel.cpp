// SPDX-License-Identifier: GPL-3.0-or-later
#include "processes/engine/ProcessListModel.h"

#include <QHash>

namespace corvane {

void ProcessListModel::replace(std::vector<SystemPerObject> rows)
{
    QHash<QString, int64_t> ticks;
    for (const SystemPerObject& old : m_rows)
        ticks.insert(old.processName, old.state); // the later same-named row wins
    for (SystemPerObject& row : rows)
        row.state = ticks.value(row.processName, row.state);
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ProcessListModel::removeAt(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void ProcessListModel::setTicked(int row, bool ticked)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[size_t(row)].state = ticked ? 1 : 0;
    const QModelIndex at = index(row, NameColumn);
    emit dataChanged(at, at, {Qt::CheckStateRole});
}

int ProcessListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProcessListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProcessListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const SystemPerObject& row = m_rows[size_t(index.row())];
    if (role == IconRole)
        return row.processIcon;
    if (role == Qt::CheckStateRole && index.column() == NameColumn)
        return row.state == 1 ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case NameColumn: return row.processName;
    case CpuColumn: return tr("CPU占用率:%1").arg(row.processCpu);
    case SizeColumn: return tr("CPU占用大小:%1").arg(row.processRss);
    default: return {};
    }
}

bool ProcessListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != NameColumn)
        return false;
    setTicked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags ProcessListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ProcessListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return tr("进程名称");
    case CpuColumn: return QStringLiteral("CPU");
    case SizeColumn: return tr("大小");
    default: return {};
    }
}

} // namespace corvane
