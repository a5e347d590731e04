// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "startup/engine/LoginItemObject.h"

#include <QAbstractTableModel>

#include <vector>

namespace corvane {

class LaunchItems;

// The rows of the startup list: login items first, then services, each in the order the
// manager gives them. Built off the main thread (build) and handed to the model whole.
class LoginItemListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, KindColumn, CompanyColumn, RevealColumn, ColumnCount };
    enum Role { FilePathRole = Qt::UserRole + 1 };

    using QAbstractTableModel::QAbstractTableModel;

    // Blocks: asks the session and the service managers.
    static std::vector<LoginItemObject> build(const LaunchItems& items);
    // The row a path added by the user becomes.
    static LoginItemObject loginItemFor(const std::string& path, const std::string& id);

    void setRows(std::vector<LoginItemObject> rows);
    void append(std::vector<LoginItemObject> rows);
    void removeRow(int row);
    const std::vector<LoginItemObject>& rows() const { return m_rows; }
    LoginItemObject& at(int row) { return m_rows[size_t(row)]; }
    int rowOfPath(const std::string& path) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // A row's box was clicked: 1 ticked, 0 not.
    void stateClicked(int row, int state);

private:
    std::vector<LoginItemObject> m_rows;
};

} // namespace corvane
