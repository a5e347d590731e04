// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/SystemCleanObject.h"

#include <QAbstractItemModel>

#include <unordered_map>
#include <vector>

namespace corvane {

// One junk category's result tree as an item model, for the details overlay: a row per
// group, sub-group and item. Columns: the name with the node's tri-state checkbox, the
// size, and "显示" on items (the overlay reveals the item when it is clicked).
//
// The rows are the tree as it was when the category was loaded. The session replaces a
// category's tree when a scan starts and trims it to what stayed when a clean ends,
// possibly while the overlay is open; the model keeps every node it shows alive and
// remembers each node's members, so its rows never change under the view. Check states
// are read from the nodes, so a row shows what the clean pass will read.
//
// An item is named by its last path component; where siblings share that name (many
// caches hold an "index.db"), each shows as many parent folders as tell them apart.
//
// Ticking a box (setData with Qt::CheckStateRole) clicks the node, announces the rows
// whose boxes follow (the node's subtree and the groups above it) and emits ticked().
// Lives on the main thread.
class SystemCleanResultModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { NameColumn = 0, SizeColumn = 1, OpenColumn = 2, ColumnCount = 3 };
    enum Role {
        PathBytesRole = Qt::UserRole + 1, // an item's path as its bytes (QByteArray); groups have none
        IsItemRole,                       // true for an item, false for a group or sub-group
    };

    explicit SystemCleanResultModel(QObject* parent = nullptr);

    // Shows the category's tree (nothing for null), replacing what was shown.
    void setSystemObject(SystemCleanObject::Ptr object);
    const SystemCleanObject::Ptr& systemObject() const { return m_object; }

    // The node a row shows; null for an index that is not one of this model's rows.
    UserCachesSubObject* nodeOf(const QModelIndex& index) const;
    // The row showing a node, in the given column; invalid when the node is not shown.
    QModelIndex indexOf(const UserCachesSubObject* node, int column = NameColumn) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A box was ticked and every row it changed has been announced.
    void ticked(SystemCleanObject* object);

private:
    struct Shown
    {
        UserCachesSubObject::Ptr node; // kept alive while shown
        int row = 0;
        std::vector<UserCachesSubObject*> members; // as they were when loaded
        QString name;                              // what the name column shows for an item
    };

public:
    // The shortest endings of the paths, in whole components, that differ from one
    // another ("Default/index.db" and "Profile 1/index.db"); a path that equals another
    // whole stays whole.
    static std::vector<std::string> distinctEndings(const std::vector<std::string>& paths);

private:
    void nameItems(const std::vector<UserCachesSubObject*>& siblings);

    void load(const std::vector<UserCachesSubObject::Ptr>& nodes, const UserCachesSubObject* parent,
              std::vector<UserCachesSubObject*>& rows);
    const std::vector<UserCachesSubObject*>* membersOf(const QModelIndex& parent) const;
    // Announces the boxes of every row below the node.
    void announceBelow(const UserCachesSubObject* node);

    SystemCleanObject::Ptr m_object;
    std::vector<UserCachesSubObject*> m_topLevel;
    std::unordered_map<const UserCachesSubObject*, Shown> m_shown;
};

} // namespace corvane
