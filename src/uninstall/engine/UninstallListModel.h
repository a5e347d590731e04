// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uninstall/engine/UninstallRecord.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace corvane {

// The list one uninstall screen shows: applications, plug-ins or preference panes, one
// row per item in the order the items were handed in, never sorted. Rows arrive one by
// one while the list loads and leave one by one as items are removed; the view follows
// both without a rebuild. Used on the main thread only.
class UninstallListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Kind { Applications, PlugIns, PreferencePanes };
    enum Column { NameColumn, DateColumn, VersionColumn, SizeColumn, NoteColumn, ActionColumn, ColumnCount };
    enum Role {
        FilePathRole = Qt::UserRole + 1, // the path's bytes (QByteArray)
    };

    explicit UninstallListModel(Kind kind, QObject* parent = nullptr);

    Kind kind() const { return m_kind; }
    // Whether the kind of list has the column at all (the view hides the others).
    bool showsColumn(int column) const;

    const std::vector<UninstallRecord>& rows() const { return m_rows; }
    void append(UninstallRecord record);
    void clear();
    // The row of the path, or -1.
    int rowOf(const std::string& path) const;
    // Takes the path's row out; false when no row has it.
    bool removePath(const std::string& path);
    void setNote(const std::string& path, const QString& note);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QString cellText(const UninstallRecord& record, int column) const;

    Kind m_kind;
    std::vector<UninstallRecord> m_rows;
};

} // namespace corvane
