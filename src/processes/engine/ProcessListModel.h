// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "processes/engine/SystemPerAcceleration.h"

#include <QAbstractTableModel>

#include <vector>

namespace corvane {

// The rows of the process screen. A new list replaces the old one whole; the ticks the
// user made survive by application name, the later of two same-named rows giving its own.
class ProcessListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, CpuColumn, SizeColumn, ColumnCount };
    enum Role { IconRole = Qt::UserRole + 1 };

    using QAbstractTableModel::QAbstractTableModel;

    const std::vector<SystemPerObject>& listArray() const { return m_rows; }
    // Takes the ticks of the rows shown over to the new rows, then shows them.
    void replace(std::vector<SystemPerObject> rows);
    void removeAt(int row);
    void setTicked(int row, bool ticked);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<SystemPerObject> m_rows;
};

} // namespace corvane
